#pragma once

#include "cli/TickLoop.h"
#include "sim/VirtualClock.h"

namespace qel::test {

// qelctl's tick loop on the simulation's clock: a wait is a jump, so minutes take milliseconds.
class VirtualTime final : public TickLoop::TimeSource {
 public:
  explicit VirtualTime(sim::VirtualClock& clock) : clock_(clock) {}
  TickLoop::Clock::time_point Now() override { return TickLoop::Clock::time_point(clock_.Now()); }
  void SleepUntil(TickLoop::Clock::time_point until) override {
    clock_.AdvanceTo(std::chrono::duration_cast<sim::SimTime>(until.time_since_epoch()));
  }

 private:
  sim::VirtualClock& clock_;
};

}  // namespace qel::test
