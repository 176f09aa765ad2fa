#pragma once

#include "sequencer/Sequencer.h"
#include "sequencer/UnitEvents.h"

namespace qel {

// Pings in a row without an acknowledgement, counted on across rests: the link counts as lost once
// more than `limit` went unanswered. The watchdog and the archive's link check judge the same way.
struct MissedAcks {
  int limit;
  int count = 0;
  // Reads the reply to a ping and counts it; true when the link counts as lost.
  bool Judge(Sequencer& sequencer);
};

// The resting state while connected: polls the key reader and checks that the unit still
// acknowledges. 0x7A goes out once per start; then the cycle 'k', reader check, 0x05, ack check.
class WatchdogOperation final : public Operation {
 public:
  static constexpr int kMaxMissedAcks = 5;

  WatchdogOperation(Sequencer& sequencer, UnitEvents& events)
      : Operation(OperationKind::Watchdog), s_(sequencer), events_(events) {}
  std::chrono::milliseconds Period() const override { return kWatchdogPeriod; }
  Outcome Tick() override;

  // Checks in a row without an acknowledgement; the count goes on across rests.
  int missedAcks() const { return missed_.count; }
  void ForgetMissedAcks() { missed_.count = 0; }

 private:
  void ReaderCheck();
  // False when the link was dropped.
  bool AckCheck();

  Sequencer& s_;
  UnitEvents& events_;
  MissedAcks missed_{kMaxMissedAcks};
};

}  // namespace qel
