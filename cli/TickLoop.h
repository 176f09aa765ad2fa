#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "sequencer/TimerHost.h"

namespace qel {

// Numbered periodic timers in real time for a front end without an event library. Ticks come one
// at a time on the thread that runs the loop, on the grid of each timer's period as Qt's precise
// timers keep it; a handler may start and stop timers and run the loop again (a modal dialog).
class TickLoop {
 public:
  using Clock = std::chrono::steady_clock;

  // Where the loop's time comes from: the system's steady clock, or a simulation's.
  class TimeSource {
   public:
    virtual ~TimeSource() = default;
    virtual Clock::time_point Now() = 0;
    // Returns at `until` or a little before, when a signal may need a look.
    virtual void SleepUntil(Clock::time_point until) = 0;
  };

  // The steady clock, asleep in slices short enough for Ctrl+C to be seen at once.
  class SystemTime final : public TimeSource {
   public:
    Clock::time_point Now() override { return Clock::now(); }
    void SleepUntil(Clock::time_point until) override;
  };

  explicit TickLoop(TimeSource& time) : time_(time) {}
  TimeSource& time() { return time_; }

  // One set of numbered timers (a window's, a dialog's) whose ticks go to one handler.
  class Timers final : public TimerHost {
   public:
    Timers(TickLoop& loop, std::function<void(int id)> onTick);
    ~Timers() override;
    Timers(const Timers&) = delete;
    Timers& operator=(const Timers&) = delete;

    bool StartTimer(int id, std::chrono::milliseconds period) override;
    void StopTimer(int id) override;

   private:
    friend class TickLoop;
    struct Running {
      std::chrono::milliseconds period;
      Clock::time_point due;
    };

    TickLoop& loop_;
    std::function<void(int)> onTick_;
    std::map<int, Running> running_;
  };

  enum class Stop {
    Done,         // the condition holds
    Idle,         // no timer runs, so nothing can change any more
    Deadline,     // the deadline passed first
    Interrupted,  // SIGINT or SIGTERM arrived
  };

  // Delivers ticks until `done` holds; it is asked before every tick.
  Stop RunUntil(const std::function<bool()>& done, std::optional<Clock::time_point> deadline = {});

  // From now on SIGINT and SIGTERM end the running loop (Stop::Interrupted) instead of the process.
  static void CatchInterrupts();
  static bool Interrupted();
  // While `busy` holds, a first interrupt is announced through `warn` and the ticks go on until
  // `busy` ends; a second one stops the loop at once.
  void DeferInterrupts(std::function<bool()> busy, std::function<void()> warn);

 private:
  TimeSource& time_;
  std::vector<Timers*> timers_;
  std::function<bool()> busy_;
  std::function<void()> warn_;
  bool warned_ = false;
};

}  // namespace qel
