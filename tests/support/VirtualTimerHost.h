#pragma once

#include <chrono>
#include <map>
#include <optional>

#include "sequencer/TimerHost.h"
#include "sim/VirtualClock.h"

namespace qel::test {

// Periodic timers on the virtual clock. A tick that overran its period (a read that waited) is
// followed by the next one a full period after "now", as a precise platform timer behaves.
class VirtualTimerHost final : public TimerHost {
 public:
  explicit VirtualTimerHost(sim::VirtualClock& clock) : clock_(clock) {}

  bool StartTimer(int id, std::chrono::milliseconds period) override;
  void StopTimer(int id) override;

  // The id of the timer due first (by `notAfter`), after advancing the clock to its due time; none
  // when no timer runs (or the clock moved to `notAfter` first).
  std::optional<int> AdvanceToNextTick(sim::SimTime notAfter = sim::SimTime::max());
  bool IsRunning(int id) const { return timers_.contains(id); }
  std::optional<std::chrono::milliseconds> PeriodOf(int id) const;
  int RunningCount() const { return static_cast<int>(timers_.size()); }

  // The next start of timer `id` is refused, as a platform out of timers would.
  void RefuseNextStart(int id) { refused_ = id; }

 private:
  struct Timer {
    std::chrono::milliseconds period;
    sim::SimTime due;
    long long order;  // ties go to the timer started first
  };
  sim::VirtualClock& clock_;
  std::map<int, Timer> timers_;
  std::optional<int> refused_;
  long long starts_ = 0;
};

}  // namespace qel::test
