#pragma once

#include <chrono>

namespace qel {

// The numbered periodic timers of a window. Ticks arrive on the user-interface thread one at a
// time; the owner routes each to the sequencer's OnTimer.
class TimerHost {
 public:
  virtual ~TimerHost() = default;
  // Starts timer `id`, or restarts it with the new period. False when the platform refuses.
  virtual bool StartTimer(int id, std::chrono::milliseconds period) = 0;
  // A stopped id delivers no further tick; stopping an id that is not running does nothing.
  virtual void StopTimer(int id) = 0;
};

}  // namespace qel
