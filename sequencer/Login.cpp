#include "sequencer/Login.h"

#include <algorithm>

#include "link/UnitCommands.h"
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

void LoginOperation::Prepare() { s_.DiscardInput(); }

Outcome LoginOperation::Tick() {
  switch (step) {
    case 0:
      s_.SendByte(unit::kHangUp);
      s_.SendByte(unit::kLoginStart);
      break;
    case 1:
      s_.SendByte(transport_ == 1 ? unit::kTransportUsb : unit::kTransportBluetooth);
      break;
    case 2:
    case 3:
    case 4:
      s_.SendByte(unit::kGreeting[step - 2]);
      break;
    case 5:
      if (!HelloCheck()) return Outcome::Failed;
      break;
    case 6:
      s_.SendByte(unit::HighByte(accessCode_));
      break;
    case 7:
      s_.SendByte(unit::LowByte(accessCode_));
      break;
    default:
      return Verdict();
  }
  ++step;
  return Outcome::Going;
}

bool LoginOperation::HelloCheck() {
  if (!ReplyHolds(s_, unit::kHello)) {
    s_.LinkClosed();
    s_.port().Close();
    s_.AppendLog(TrFormat(Text::QelNotFoundAt, s_.language(), port_));
    events_.NoHello();
    return false;
  }
  s_.AppendLog(TrFormat(Text::QelFoundAt, s_.language(), port_));
  s_.SendByte(unit::kHello);
  return true;
}

Outcome LoginOperation::Verdict() {
  if (ReplyHolds(s_, unit::kAccepted)) {
    s_.AppendLog(TrFormat(Text::QelConnectedTo, s_.language(), port_));
    s_.LinkAccepted();
    // A fresh link starts with a clean count; a count left from a dropped link would cut
    // the new one at its first missed acknowledgement.
    watchdog_.ForgetMissedAcks();
    return Outcome::Done;
  }
  s_.Hold();
  s_.AppendLog(Tr(Text::QelNotConnected, s_.language()));
  // The verdict comes only after the hello: the unit is there and turned the code down.
  s_.AppendLog(TrFormat(Text::AccessCodeRefused, s_.language(), port_));
  s_.port().Close();
  s_.LinkClosed();
  s_.EnableCommands();
  return Outcome::Failed;
}

}  // namespace qel
