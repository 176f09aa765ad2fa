#include "sequencer/DeleteKey.h"

#include "link/UnitCommands.h"
#include "texts/Texts.h"

namespace qel {

void DeleteKeyOperation::Prepare() {
  s_.DiscardInput();
  s_.SendByte(unit::kDeleteKey);
  s_.DiscardInput();
}

Outcome DeleteKeyOperation::Tick() {
  s_.AppendProgress("*");
  s_.AdvanceProgress(kPeriod);
  if (step == 0) {
    s_.SendChainStart(unit::HighByte(record_));
  } else if (step == 1) {
    s_.SendChecked(unit::LowByte(record_));
  } else if (step == kJudgeStep) {
    if (!JudgeReply()) return Outcome::Failed;
    if (forEdit_) {
      ledger_.KeyDeletedForEdit(record_);
      return Outcome::Done;
    }
    s_.AppendLog(TrFormat(Text::KeyDeleted, s_.language(), record_));
    image_.ZeroKeyCode(record_);
    ledger_.KeyWriteConfirmed(record_);
    return Outcome::Done;
  }
  ++step;
  return Outcome::Going;
}

bool DeleteKeyOperation::JudgeReply() {
  const int n = s_.ReadReply();
  int error = 0;
  if (n < 2) {
    error = 203;
  } else if (s_.ReplyByte(0) != unit::LowByte(record_)) {
    error = 201;
  } else if (s_.ReplyByte(1) != unit::kAck) {
    error = 202;
  }
  if (error != 0) s_.ReportError(error, ErrorKind::Critical, "");
  return error == 0;
}

}  // namespace qel
