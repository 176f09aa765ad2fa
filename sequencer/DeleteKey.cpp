#include "sequencer/DeleteKey.h"

#include "link/UnitCommands.h"
#include "sequencer/UnitController.h"
#include "texts/Texts.h"

namespace qel {

void DeleteKeyOperation::Prepare() {
  Sequencer& s = c_.sequencer();
  s.DiscardInput();
  s.SendByte(unit::kDeleteKey);
  s.DiscardInput();
}

Outcome DeleteKeyOperation::Tick() {
  Sequencer& s = c_.sequencer();
  s.AppendProgress("*");
  s.AdvanceProgress(kPeriod);
  if (step == 0) {
    s.SendChainStart(unit::HighByte(record_));
  } else if (step == 1) {
    s.SendChecked(unit::LowByte(record_));
  } else if (step == kJudgeStep) {
    if (!JudgeReply()) return Outcome::Failed;
    if (forEdit_) {
      c_.KeyDeletedForEdit(record_);
      return Outcome::Done;
    }
    s.AppendLog(TrFormat(Text::KeyDeleted, s.language(), record_));
    c_.image().ZeroKeyCode(record_);
    c_.KeyWriteConfirmed(record_);
    return Outcome::Done;
  }
  ++step;
  return Outcome::Going;
}

bool DeleteKeyOperation::JudgeReply() {
  Sequencer& s = c_.sequencer();
  const int n = s.ReadReply();
  int error = 0;
  if (n < 2) {
    error = 203;
  } else if (s.ReplyByte(0) != unit::LowByte(record_)) {
    error = 201;
  } else if (s.ReplyByte(1) != unit::kAck) {
    error = 202;
  }
  if (error != 0) s.ReportError(error, ErrorKind::Critical, "");
  return error == 0;
}

}  // namespace qel
