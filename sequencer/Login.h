#pragma once

#include "sequencer/Sequencer.h"
#include "sequencer/UnitEvents.h"

namespace qel {

class WatchdogOperation;

// Every 50 ms: the greeting, the unit's hello, the access code and the verdict. A port that gives
// no hello is closed, and the port search goes on with the next one.
class LoginOperation final : public Operation {
 public:
  static constexpr std::chrono::milliseconds kPeriod{50};

  LoginOperation(Sequencer& sequencer, UnitEvents& events, WatchdogOperation& watchdog)
      : Operation(OperationKind::Login), s_(sequencer), events_(events), watchdog_(watchdog) {}

  // The next run logs in on COM `port` (just opened), reached by `transport` (1 USB, 2 Bluetooth),
  // with `accessCode`.
  void Aim(int port, int transport, int accessCode) {
    port_ = port;
    transport_ = transport;
    accessCode_ = accessCode;
  }
  std::chrono::milliseconds Period() const override { return kPeriod; }
  void Prepare() override;
  Outcome Tick() override;

 private:
  bool HelloCheck();
  Outcome Verdict();

  Sequencer& s_;
  UnitEvents& events_;
  WatchdogOperation& watchdog_;
  int port_ = 0;
  int transport_ = 1;
  int accessCode_ = 0;
};

}  // namespace qel
