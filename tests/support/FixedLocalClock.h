#pragma once

#include <chrono>
#include <optional>

#include "sequencer/LocalClock.h"
#include "sim/VirtualClock.h"

namespace qel::test {

// The PC's local time, set by the test. It stands still unless `runsFrom` is set: then `now` is
// the time at that instant of `clock`, and it runs on with it.
class FixedLocalClock final : public LocalClock {
 public:
  LocalTime Now() const override {
    if (!clock || !runsFrom) return now;
    return Advanced(now, std::chrono::duration_cast<std::chrono::milliseconds>(clock->Now() - *runsFrom));
  }

  LocalTime now{2026, 12, 6, 10, 30, 0};
  const sim::VirtualClock* clock = nullptr;
  std::optional<sim::SimTime> runsFrom;
};

}  // namespace qel::test
