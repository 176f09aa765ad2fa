#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "controller/UnitController.h"
#include "link/PortTable.h"
#include "link/SerialDevice.h"
#include "link/SerialPort.h"
#include "tests/support/FixedLocalClock.h"
#include "tests/support/RecordingView.h"
#include "tests/support/VirtualTimerHost.h"

namespace qel::test {

// A serial line whose far end is a script: each Read hands out the next queued reply whole (or
// nothing when none is queued), every byte written is kept. Only the path "unit" opens. For exact
// checks of the sequencer's own rules, where a simulated unit would only get in the way.
class ScriptedDevice final : public SerialDevice {
 public:
  void QueueReply(std::vector<std::uint8_t> reply) { replies_.push_back(std::move(reply)); }
  const std::vector<std::uint8_t>& written() const { return written_; }
  void ClearWritten() { written_.clear(); }
  std::size_t pendingReplies() const { return replies_.size(); }

  SerialResult Open(const std::string& path) override {
    open_ = path == "unit";
    return open_ ? SerialResult::Ok : SerialResult::NotFound;
  }
  SerialResult ConfigureLine() override { return SerialResult::Ok; }
  SerialResult ApplyTimeouts() override { return SerialResult::Ok; }
  int Read(std::span<std::uint8_t> out) override {
    if (!open_ || replies_.empty()) return 0;
    std::vector<std::uint8_t>& reply = replies_.front();
    const std::size_t n = std::min(reply.size(), out.size());
    std::copy_n(reply.begin(), n, out.begin());
    reply.erase(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(n));
    if (reply.empty()) replies_.pop_front();
    return static_cast<int>(n);
  }
  bool Write(std::span<const std::uint8_t> bytes) override {
    if (open_) written_.insert(written_.end(), bytes.begin(), bytes.end());
    return open_;
  }
  void Purge() override {}
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  std::string LastError() const override { return open_ ? "" : "No such file or directory"; }

 private:
  bool open_ = false;
  std::deque<std::vector<std::uint8_t>> replies_;
  std::vector<std::uint8_t> written_;
};

// The main window's core connected to a scripted line on COM1, for tests that set every reply
// byte themselves.
struct ScriptedRig {
  ScriptedRig() {
    table.Assign(1, "unit");
    controller.Start();
    port.Open(1);
    controller.sequencer().LinkOpened();
  }

  // Delivers the next timer tick; the id that ticked.
  int Tick() {
    const std::optional<int> id = timers.AdvanceToNextTick();
    if (!id) return 0;
    controller.OnTimer(*id);
    return *id;
  }
  // Whether `kind` runs on the sequencer's ticking timer.
  bool Runs(OperationKind kind) const {
    return controller.sequencer().IsRunning(kind) && timers.IsRunning(Sequencer::kTimerId);
  }
  // Delivers the next timer tick, which must go to `kind`; false when it would not.
  bool TickOf(OperationKind kind) { return Runs(kind) && Tick() == Sequencer::kTimerId; }
  // The key Edit and Delete would act on in the window.
  std::optional<int> Target() const {
    return controller.selection().Target(view.selected, controller.image());
  }

  ScriptedDevice device;
  PortTable table;
  RecordingView view;
  sim::VirtualClock clock;
  VirtualTimerHost timers{clock};
  FixedLocalClock localClock;
  CSerialPort port{device, table, view};
  UnitController controller{port, timers, localClock, view, Language::English};
};

}  // namespace qel::test
