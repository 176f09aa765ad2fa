#pragma once

#include "sequencer/LocalClock.h"

namespace qel::test {

// The PC's local time, set by the test.
class FixedLocalClock final : public LocalClock {
 public:
  LocalTime Now() const override { return now; }
  LocalTime now{2026, 12, 6, 10, 30, 0};
};

}  // namespace qel::test
