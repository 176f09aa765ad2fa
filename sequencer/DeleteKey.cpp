#include "sequencer/DeleteKey.h"

#include "link/UnitCommands.h"
#include "sequencer/UnitController.h"
#include "texts/Texts.h"

namespace qel {

void DeleteKeyOperation::Start() {
  Sequencer& s = c_.sequencer();
  s.DiscardInput();
  s.SendByte(unit::kDeleteKey);
  s.currentTimerId = s.StartOperation(kDeleteKeyTimer, kPeriod);
  step = 0;
  if (s.currentTimerId < 0) c_.KeyWriteStopped();
}

void DeleteKeyOperation::Tick() {
  Sequencer& s = c_.sequencer();
  s.AppendProgress("*");
  s.AdvanceProgress(kPeriod);
  if (step == 0) {
    s.lastSentByte = unit::HighByte(c_.deleteId);
    s.SendByte(unit::HighByte(c_.deleteId));
  } else if (step == 1) {
    s.SendChecked(unit::LowByte(c_.deleteId));
  } else if (step == kJudgeStep) {
    if (!JudgeReply()) {
      c_.KeyWriteStopped();
      return;
    }
    if (c_.editInProgress) {
      c_.KeyDeletedForEdit(c_.deleteId);
      s.StopTimer(s.currentTimerId);
      c_.StartSave();
      return;
    }
    s.AppendLog(TrFormat(Text::KeyDeleted, s.language(), c_.deleteId));
    c_.image().ZeroKeyCode(c_.deleteId);
    c_.KeyWriteConfirmed(c_.deleteId);
    s.ReturnToWatchdog(s.currentTimerId);
  }
  ++step;
}

bool DeleteKeyOperation::JudgeReply() {
  Sequencer& s = c_.sequencer();
  const int n = s.ReadReply();
  int error = 0;
  if (n < 2) {
    error = 203;
  } else if (s.ReplyByte(0) != unit::LowByte(c_.deleteId)) {
    error = 201;
  } else if (s.ReplyByte(1) != unit::kAck) {
    error = 202;
  }
  if (error != 0) s.ReportError(error, ErrorKind::Critical, "");
  return error == 0;
}

}  // namespace qel
