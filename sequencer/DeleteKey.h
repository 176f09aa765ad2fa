#pragma once

#include "keystore/KeyMemoryImage.h"
#include "sequencer/KeyWriteLedger.h"
#include "sequencer/Sequencer.h"

namespace qel {

// Every 200 ms: deletes a key in the unit (0x13, high and low byte of the ID), waits 3.6 s for the
// unit and judges its reply.
class DeleteKeyOperation final : public Operation {
 public:
  static constexpr std::chrono::milliseconds kPeriod{200};
  static constexpr int kJudgeStep = 20;
  // From the start of the timer to the judged reply.
  static constexpr std::chrono::milliseconds kDuration = kPeriod * (kJudgeStep + 1);

  DeleteKeyOperation(Sequencer& sequencer, KeyMemoryImage& image, KeyWriteLedger& ledger)
      : Operation(OperationKind::DeleteKey), s_(sequencer), image_(image), ledger_(ledger) {}

  // The key the next run deletes, and whether the delete is the first half of an edit (the key
  // is then stored again, and stays in the image).
  void Aim(int record, bool forEdit) {
    record_ = record;
    forEdit_ = forEdit;
  }

  std::chrono::milliseconds Period() const override { return kPeriod; }
  // 0x13 goes out before the timer starts.
  void Prepare() override;
  Outcome Tick() override;

 private:
  // False when the reply was refused (the error has been reported).
  bool JudgeReply();

  Sequencer& s_;
  KeyMemoryImage& image_;
  KeyWriteLedger& ledger_;
  int record_ = 0;
  bool forEdit_ = false;
};

}  // namespace qel
