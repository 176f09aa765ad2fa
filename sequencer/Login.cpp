#include "sequencer/Login.h"

#include <algorithm>

#include "link/UnitCommands.h"
#include "sequencer/UnitController.h"
#include "sequencer/Watchdog.h"
#include "texts/Texts.h"

namespace qel {
namespace {

bool ReplyHolds(Sequencer& s, std::uint8_t wanted) {
  const int n = s.ReadReply();
  for (int i = 0; i < n; ++i)
    if (s.ReplyByte(i) == wanted) return true;
  return false;
}

}  // namespace

void LoginOperation::Prepare() { c_.sequencer().DiscardInput(); }

Outcome LoginOperation::Tick() {
  Sequencer& s = c_.sequencer();
  const int code = c_.settings().accessCode;
  switch (step) {
    case 0:
      s.SendByte(unit::kHangUp);
      s.SendByte(unit::kLoginStart);
      break;
    case 1:
      s.SendByte(c_.transport() == 1 ? unit::kTransportUsb : unit::kTransportBluetooth);
      break;
    case 2:
    case 3:
    case 4:
      s.SendByte(unit::kGreeting[step - 2]);
      break;
    case 5:
      if (!HelloCheck()) return Outcome::Failed;
      break;
    case 6:
      s.SendByte(unit::HighByte(code));
      break;
    case 7:
      s.SendByte(unit::LowByte(code));
      break;
    default:
      return Verdict();
  }
  ++step;
  return Outcome::Going;
}

bool LoginOperation::HelloCheck() {
  Sequencer& s = c_.sequencer();
  if (!ReplyHolds(s, unit::kHello)) {
    s.LinkClosed();
    s.port().Close();
    s.AppendLog(TrFormat(Text::QelNotFoundAt, s.language(), c_.currentPort()));
    c_.SearchNextPort();
    return false;
  }
  s.AppendLog(TrFormat(Text::QelFoundAt, s.language(), c_.currentPort()));
  s.SendByte(unit::kHello);
  return true;
}

Outcome LoginOperation::Verdict() {
  Sequencer& s = c_.sequencer();
  if (ReplyHolds(s, unit::kAccepted)) {
    s.AppendLog(TrFormat(Text::QelConnectedTo, s.language(), c_.currentPort()));
    s.LinkAccepted();
    // A fresh link starts with a clean count; a count left from a dropped link would cut
    // the new one at its first missed acknowledgement.
    watchdog_.ForgetMissedAcks();
    return Outcome::Done;
  }
  s.Hold();
  s.AppendLog(Tr(Text::QelNotConnected, s.language()));
  // The verdict comes only after the hello: the unit is there and turned the code down.
  s.AppendLog(TrFormat(Text::AccessCodeRefused, s.language(), c_.currentPort()));
  s.port().Close();
  s.LinkClosed();
  s.EnableCommands();
  return Outcome::Failed;
}

}  // namespace qel
