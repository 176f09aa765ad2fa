#include "sequencer/SettingsRead.h"

#include "link/UnitCommands.h"
#include "sequencer/UnitController.h"
#include "texts/Cp1250.h"
#include "texts/Texts.h"

namespace qel {

void SettingsReadOperation::Prepare() { c_.sequencer().DiscardInput(); }

void SettingsReadOperation::Begin() { c_.sequencer().SendByte(unit::kGetAccessTime); }

Outcome SettingsReadOperation::Tick() {
  if (step == 6) {
    ReadFirmware();
    return Outcome::Done;
  }
  if (!RunStep()) return Outcome::Failed;
  ++step;
  return Outcome::Going;
}

bool SettingsReadOperation::RunStep() {
  Sequencer& s = c_.sequencer();
  switch (step) {
    case 0:
      ReadAccessTime();
      s.SendByte(unit::kGetRecordSize);
      return true;
    case 1:
      ReadRecordSize();
      s.SendByte(unit::kGetRelaySetup);
      return true;
    case 2:
      ReadRelaySetup();
      s.SendByte(unit::kGetClock);
      // The unit needs longer for the clock, the name and the version.
      return s.Repace(kSlowPeriod);
    case 3:
      ReadClock();
      s.DiscardInput();
      s.SendByte(unit::kGetName);
      return true;
    case 5:
      ReadElevatorName();
      s.SendByte(unit::kGetFirmware);
      s.SendByte(unit::kFirmwareArgument);
      return true;
    default:  // step 4 gives the unit a second tick for the name
      return true;
  }
}

void SettingsReadOperation::ReadAccessTime() {
  Sequencer& s = c_.sequencer();
  const Language lang = s.language();
  if (s.ReadReply() != 1) {
    s.ReportError(401, ErrorKind::Logged, Tr(Text::AccessTimeError, lang));
    return;
  }
  c_.settings().accessTime = s.ReplyByte(0);
  if (c_.settings().accessTime <= kMaxAccessTime)
    s.AppendLog(Tr(Text::AccessTimeLoaded, lang));
  else
    s.ReportError(401, ErrorKind::Logged, Tr(Text::AccessTimeWrongValue, lang));
}

void SettingsReadOperation::ReadRecordSize() {
  Sequencer& s = c_.sequencer();
  const Language lang = s.language();
  if (s.ReadReply() != 1) {
    s.ReportError(402, ErrorKind::Logged, Tr(Text::CommentLengthError, lang));
    return;
  }
  // A size outside 15..250 would lay the records out past the image; the previous size stays.
  if (!c_.image().SetRecordSize(s.ReplyByte(0)))
    s.ReportError(402, ErrorKind::Logged, Tr(Text::CommentLengthWrongValue, lang));
  s.AppendLog(Tr(Text::CommentLengthLoaded, lang));
}

void SettingsReadOperation::ReadRelaySetup() {
  Sequencer& s = c_.sequencer();
  const Language lang = s.language();
  if (s.ReadReply() != 1) {
    s.ReportError(403, ErrorKind::Logged, Tr(Text::RelaySetupError, lang));
    return;
  }
  const std::uint8_t setup = s.ReplyByte(0);
  c_.settings().relayInversion = (setup & unit::kRelayInversionBit) ? 1 : 0;
  c_.settings().mainRelayInversion = (setup & unit::kMainRelayInversionBit) ? 1 : 0;
  s.AppendLog(Tr(Text::RelaySetupLoaded, lang));
}

void SettingsReadOperation::ReadClock() {
  Sequencer& s = c_.sequencer();
  const Language lang = s.language();
  if (s.ReadReply() == unit::kClockReplyLength) {
    std::array<std::uint8_t, unit::kClockReplyLength> bcd{};
    for (int i = 0; i < unit::kClockReplyLength; ++i) bcd[i] = s.ReplyByte(i);
    c_.settings().unitClock = DecodeUnitClock(bcd);
  } else {
    s.ReportError(404, ErrorKind::Logged, Tr(Text::ClockError, lang));
  }
  if (!c_.settings().unitClock.IsZero()) s.AppendLog(ClockLine(c_.settings().unitClock, lang));
}

void SettingsReadOperation::ReadElevatorName() {
  Sequencer& s = c_.sequencer();
  const int n = s.ReadReply();
  std::string& name = c_.settings().elevatorName;
  name.clear();
  for (int i = 0; i < n; ++i) {
    const std::uint8_t b = s.ReplyByte(i);
    if (b >= 0x20 && b <= 0xFE) name += static_cast<char>(b);
  }
  if (n > 0 && s.ReplyByte(n - 1) != unit::kNameEnd)
    s.ReportError(405, ErrorKind::Logged, Tr(Text::ElevatorNameError, s.language()));
}

void SettingsReadOperation::ReadFirmware() {
  Sequencer& s = c_.sequencer();
  const Language lang = s.language();
  const int n = s.ReadReply();
  if (n > 0) {
    std::string version;
    for (int i = 0; i < n; ++i) version += static_cast<char>(s.ReplyByte(i));
    c_.settings().firmware = Cp1250ToUtf8(version);
    s.AppendLog(std::string(Tr(Text::FirmwareVersion, lang)) + c_.settings().firmware);
  } else {
    c_.settings().firmware.clear();
    s.AppendLog(Tr(Text::FirmwareMissing, lang));
  }
  c_.ShowSettingsLine();
  s.DiscardInput();
}

}  // namespace qel
