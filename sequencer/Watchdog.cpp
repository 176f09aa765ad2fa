#include "sequencer/Watchdog.h"

#include "link/UnitCommands.h"

namespace qel {

bool MissedAcks::Judge(Sequencer& sequencer) {
  const int n = sequencer.ReadReply();
  ++count;
  for (int i = 0; i < n; ++i)
    if (sequencer.ReplyByte(i) == unit::kAck) count = 0;
  return count > limit;
}

Outcome WatchdogOperation::Tick() {
  switch (step) {
    case 0:
      s_.SendByte(unit::kIdle);
      break;
    case 1:
      s_.DiscardInput();
      s_.SendByte(unit::kReadReader);
      break;
    case 2:
      ReaderCheck();
      break;
    case 3:
      s_.SendByte(unit::kPing);
      break;
    default:
      if (!AckCheck()) return Outcome::Failed;
      break;
  }
  ++step;
  return Outcome::Going;
}

void WatchdogOperation::ReaderCheck() {
  if (s_.ReadReply() != unit::kReaderReplyLength) return;
  KeyCode code{};
  for (std::size_t i = 0; i < code.size(); ++i) code[i] = s_.ReplyByte(static_cast<int>(i) + 1);
  events_.KeyAtReader(s_.ReplyByte(0) != 0, code);
}

bool WatchdogOperation::AckCheck() {
  step = 0;
  if (missed_.Judge(s_)) {
    s_.ReportError(600, ErrorKind::LinkLost, "");
    return false;
  }
  return true;
}

}  // namespace qel
