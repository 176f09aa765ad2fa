#pragma once

#include "sequencer/Sequencer.h"

namespace qel {

class UnitController;
class WatchdogOperation;

// Every 50 ms: the greeting, the unit's hello, the access code and the verdict. A port that gives
// no hello is closed, and the port search goes on with the next one.
class LoginOperation final : public Operation {
 public:
  static constexpr std::chrono::milliseconds kPeriod{50};

  LoginOperation(UnitController& controller, WatchdogOperation& watchdog)
      : Operation(OperationKind::Login), c_(controller), watchdog_(watchdog) {}
  std::chrono::milliseconds Period() const override { return kPeriod; }
  void Prepare() override;
  Outcome Tick() override;

 private:
  bool HelloCheck();
  Outcome Verdict();

  UnitController& c_;
  WatchdogOperation& watchdog_;
};

}  // namespace qel
