#pragma once

#include "sequencer/Sequencer.h"

namespace qel {

class UnitController;

// Timer 6, every 200 ms: deletes key `deleteId` in the unit (0x13, high and low byte of the ID),
// waits 3.6 s for the unit and judges its reply. The first half of an edit hands over to the save.
class DeleteKeyOperation final : public Operation {
 public:
  static constexpr std::chrono::milliseconds kPeriod{200};
  static constexpr int kJudgeStep = 20;
  // From the start of the timer to the judged reply.
  static constexpr std::chrono::milliseconds kDuration = kPeriod * (kJudgeStep + 1);

  explicit DeleteKeyOperation(UnitController& controller) : c_(controller) {}

  // 0x13 goes out and the timer starts; `deleteId` and `editInProgress` are set.
  void Start();
  void Tick() override;

 private:
  // False when the reply was refused (the error has been reported).
  bool JudgeReply();

  UnitController& c_;
};

}  // namespace qel
