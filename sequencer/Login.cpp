#include "sequencer/Login.h"

#include <algorithm>

#include "link/UnitCommands.h"
#include "sequencer/UnitController.h"
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

void LoginOperation::Tick() {
  if (RunStep()) ++step;
}

bool LoginOperation::RunStep() {
  Sequencer& s = c_.sequencer();
  const int code = c_.settings().accessCode;
  switch (step) {
    case 0:
      s.SendByte(unit::kHangUp);
      s.SendByte(unit::kLoginStart);
      return true;
    case 1:
      s.SendByte(c_.transport == 1 ? unit::kTransportUsb : unit::kTransportBluetooth);
      return true;
    case 2:
    case 3:
    case 4:
      s.SendByte(unit::kGreeting[step - 2]);
      return true;
    case 5:
      return HelloCheck();
    case 6:
      s.SendByte(unit::HighByte(code));
      return true;
    case 7:
      s.SendByte(unit::LowByte(code));
      return true;
    case 8:
      Verdict();
      return false;
    default:
      return true;
  }
}

bool LoginOperation::HelloCheck() {
  Sequencer& s = c_.sequencer();
  if (!ReplyHolds(s, unit::kHello)) {
    s.linkOpen = 0;
    s.StopTimer(s.currentTimerId);
    s.port().Close();
    s.AppendLog(TrFormat(Text::QelNotFoundAt, s.language(), c_.currentPort));
    ++c_.currentPort;
    if (c_.autoSearch == 1)
      c_.SearchPorts(c_.currentPort, PortTable::kLastPort);
    else
      s.EnableCommands();
    return false;
  }
  s.AppendLog(TrFormat(Text::QelFoundAt, s.language(), c_.currentPort));
  s.SendByte(unit::kHello);
  return true;
}

void LoginOperation::Verdict() {
  Sequencer& s = c_.sequencer();
  s.StopTimer(s.currentTimerId);
  if (ReplyHolds(s, unit::kAccepted)) {
    s.AppendLog(TrFormat(Text::QelConnectedTo, s.language(), c_.currentPort));
    s.commandEnabled = Sequencer::kConnectedCommands;
    s.EnableCommands();
    // A fresh link starts with a clean count; a count left from a dropped link would cut
    // the new one at its first missed acknowledgement.
    c_.missedAcks = 0;
    c_.StartSettingsRead();
    return;
  }
  s.AppendLog(Tr(Text::QelNotConnected, s.language()));
  // The verdict comes only after the hello: the unit is there and turned the code down.
  s.AppendLog(TrFormat(Text::AccessCodeRefused, s.language(), c_.currentPort));
  s.port().Close();
  s.linkOpen = 0;
  s.EnableCommands();
}

}  // namespace qel
