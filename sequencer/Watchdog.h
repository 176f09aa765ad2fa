#pragma once

#include "sequencer/Sequencer.h"

namespace qel {

class UnitController;

// The resting state while connected: polls the key reader and checks that the unit still
// acknowledges. 0x7A goes out once per start; then the cycle 'k', reader check, 0x05, ack check.
class WatchdogOperation final : public Operation {
 public:
  static constexpr int kMaxMissedAcks = 5;

  explicit WatchdogOperation(UnitController& controller)
      : Operation(OperationKind::Watchdog), c_(controller) {}
  std::chrono::milliseconds Period() const override { return kWatchdogPeriod; }
  Outcome Tick() override;

  // Checks in a row without an acknowledgement; the count goes on across rests.
  int missedAcks() const { return missedAcks_; }
  void ForgetMissedAcks() { missedAcks_ = 0; }

 private:
  void ReaderCheck();
  // False when the link was dropped.
  bool AckCheck();

  UnitController& c_;
  int missedAcks_ = 0;
};

}  // namespace qel
