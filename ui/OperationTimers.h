#pragma once

#include <QObject>
#include <array>
#include <chrono>
#include <functional>

namespace qel {

// A window's numbered timers 1 to 8 (its runner uses one) on Qt precise timers: the unit expects its
// bytes at the pace of the periods, which coarse timers would stretch by up to 5 %.
class OperationTimers final : public QObject {
  Q_OBJECT

 public:
  static constexpr int kFirstId = 1;
  static constexpr int kLastId = 8;

  // `onTick` receives the id of each tick; it may start and stop timers, this one included.
  explicit OperationTimers(std::function<void(int id)> onTick, QObject* parent = nullptr);

  // Starts timer `id`, or restarts it with the new period. False for an id outside 1 to 8, a
  // period that is not positive, or when Qt has no timer to give.
  bool Start(int id, std::chrono::milliseconds period);
  void Stop(int id);
  void StopAll();
  bool IsRunning(int id) const;

 protected:
  void timerEvent(QTimerEvent* event) override;

 private:
  static bool ValidId(int id) { return id >= kFirstId && id <= kLastId; }

  std::function<void(int)> m_onTick;
  // Qt's timer id behind each of ours; 0 = not running. Index 0 is unused.
  std::array<int, kLastId + 1> m_qtIds{};
};

}  // namespace qel
