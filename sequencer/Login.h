#pragma once

#include "sequencer/Sequencer.h"

namespace qel {

class UnitController;

// Timer 1, every 50 ms: the greeting, the unit's hello, the access code and the verdict.
class LoginOperation final : public Operation {
 public:
  static constexpr std::chrono::milliseconds kPeriod{50};

  explicit LoginOperation(UnitController& controller) : c_(controller) {}
  void Tick() override;

 private:
  // Returns false when the step ended the login or handed over, so the step counter stays.
  bool RunStep();
  bool HelloCheck();
  void Verdict();

  UnitController& c_;
};

}  // namespace qel
