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

  // The steady clock, asleep in slices short enough for Ctrl+C to be seen at once. While it lives
  // on Windows the system's timer runs at 1 ms: its usual 15.6 ms tick would stretch every 10 ms
  // read and sleep.
  class SystemTime final : public TimeSource {
   public:
    SystemTime();
    ~SystemTime() override;
    SystemTime(const SystemTime&) = delete;
    SystemTime& operator=(const SystemTime&) = delete;

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
    Interrupted,  // Ctrl+C or its kin arrived (see CatchInterrupts)
  };

  // Delivers ticks until `done` holds; it is asked before every tick.
  Stop RunUntil(const std::function<bool()>& done, std::optional<Clock::time_point> deadline = {});

  // From now on SIGINT and SIGTERM (on Windows Ctrl+C, Ctrl+Break and the console's closing) end
  // the running loop (Stop::Interrupted) instead of the process.
  static void CatchInterrupts();
  static bool Interrupted();
  // One interrupt more, as the system's handler reports it; from the second on the loop stops even
  // mid-write. Safe in a signal handler and on any thread.
  static void CountInterrupt();
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
