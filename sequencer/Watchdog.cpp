#include "sequencer/Watchdog.h"

#include "link/UnitCommands.h"
#include "sequencer/UnitController.h"

namespace qel {

bool MissedAcks::Judge(Sequencer& sequencer) {
  const int n = sequencer.ReadReply();
  ++count;
  for (int i = 0; i < n; ++i)
    if (sequencer.ReplyByte(i) == unit::kAck) count = 0;
  return count > limit;
}

Outcome WatchdogOperation::Tick() {
  Sequencer& s = c_.sequencer();
  switch (step) {
    case 0:
      s.SendByte(unit::kIdle);
      break;
    case 1:
      s.DiscardInput();
      s.SendByte(unit::kReadReader);
      break;
    case 2:
      ReaderCheck();
      break;
    case 3:
      s.SendByte(unit::kPing);
      break;
    default:
      if (!AckCheck()) return Outcome::Failed;
      break;
  }
  ++step;
  return Outcome::Going;
}

void WatchdogOperation::ReaderCheck() {
  Sequencer& s = c_.sequencer();
  if (s.ReadReply() != unit::kReaderReplyLength) return;
  KeyCode code{};
  for (std::size_t i = 0; i < code.size(); ++i) code[i] = s.ReplyByte(static_cast<int>(i) + 1);
  c_.ReaderReport(s.ReplyByte(0) != 0, code);
}

bool WatchdogOperation::AckCheck() {
  Sequencer& s = c_.sequencer();
  step = 0;
  if (missed_.Judge(s)) {
    s.ReportError(600, ErrorKind::LinkLost, "");
    return false;
  }
  return true;
}

}  // namespace qel
