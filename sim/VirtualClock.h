#pragma once

#include <chrono>

namespace qel::sim {

// Monotonic time of the simulation. Tests share one clock between the timer host, the virtual
// serial line and the simulated unit, so an operation of minutes runs in milliseconds and the
// same run always gives the same bytes.
using SimTime = std::chrono::microseconds;

class VirtualClock {
 public:
  SimTime Now() const { return now_; }
  // Time never runs backwards: a target in the past leaves the clock where it is.
  void AdvanceTo(SimTime t) {
    if (t > now_) now_ = t;
  }
  void Advance(SimTime d) { AdvanceTo(now_ + d); }

 private:
  SimTime now_{0};
};

}  // namespace qel::sim
