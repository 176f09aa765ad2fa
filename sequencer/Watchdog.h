#pragma once

#include "sequencer/Sequencer.h"

namespace qel {

class UnitController;

// Timer 2, the resting state while connected: polls the key reader and checks that the unit still
// acknowledges. 0x7A goes out once per start; then the cycle 'k', reader check, 0x05, ack check.
class WatchdogOperation final : public Operation {
 public:
  static constexpr int kMaxMissedAcks = 5;

  explicit WatchdogOperation(UnitController& controller) : c_(controller) {}
  void Tick() override;

 private:
  void ReaderCheck();
  // False when the link was dropped.
  bool AckCheck();

  UnitController& c_;
};

}  // namespace qel
