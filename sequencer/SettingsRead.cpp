#include "sequencer/SettingsRead.h"

#include "link/UnitCommands.h"
#include "texts/Cp1250.h"
#include "texts/Texts.h"

namespace qel {

void SettingsReadOperation::Prepare() { s_.DiscardInput(); }

void SettingsReadOperation::Begin() { s_.SendByte(unit::kGetAccessTime); }

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
  switch (step) {
    case 0:
      ReadAccessTime();
      s_.SendByte(unit::kGetRecordSize);
      return true;
    case 1:
      ReadRecordSize();
      s_.SendByte(unit::kGetRelaySetup);
      return true;
    case 2:
      ReadRelaySetup();
      s_.SendByte(unit::kGetClock);
      // The unit needs longer for the clock, the name and the version.
      return s_.Repace(kSlowPeriod);
    case 3:
      ReadClock();
      s_.DiscardInput();
      s_.SendByte(unit::kGetName);
      return true;
    case 5:
      ReadElevatorName();
      s_.SendByte(unit::kGetFirmware);
      s_.SendByte(unit::kFirmwareArgument);
      return true;
    default:  // step 4 gives the unit a second tick for the name
      return true;
  }
}

void SettingsReadOperation::ReadAccessTime() {
  const Language lang = s_.language();
  if (s_.ReadReply() != 1) {
    s_.ReportError(401, ErrorKind::Logged, Tr(Text::AccessTimeError, lang));
    return;
  }
  settings_.accessTime = s_.ReplyByte(0);
  if (settings_.accessTime <= kMaxAccessTime)
    s_.AppendLog(Tr(Text::AccessTimeLoaded, lang));
  else
    s_.ReportError(401, ErrorKind::Logged, Tr(Text::AccessTimeWrongValue, lang));
}

void SettingsReadOperation::ReadRecordSize() {
  const Language lang = s_.language();
  if (s_.ReadReply() != 1) {
    s_.ReportError(402, ErrorKind::Logged, Tr(Text::CommentLengthError, lang));
    return;
  }
  // A size outside 15..250 would lay the records out past the image; the previous size stays.
  if (!image_.SetRecordSize(s_.ReplyByte(0)))
    s_.ReportError(402, ErrorKind::Logged, Tr(Text::CommentLengthWrongValue, lang));
  s_.AppendLog(Tr(Text::CommentLengthLoaded, lang));
}

void SettingsReadOperation::ReadRelaySetup() {
  const Language lang = s_.language();
  if (s_.ReadReply() != 1) {
    s_.ReportError(403, ErrorKind::Logged, Tr(Text::RelaySetupError, lang));
    return;
  }
  const std::uint8_t setup = s_.ReplyByte(0);
  settings_.relayInversion = (setup & unit::kRelayInversionBit) ? 1 : 0;
  settings_.mainRelayInversion = (setup & unit::kMainRelayInversionBit) ? 1 : 0;
  s_.AppendLog(Tr(Text::RelaySetupLoaded, lang));
}

void SettingsReadOperation::ReadClock() {
  const Language lang = s_.language();
  if (s_.ReadReply() == unit::kClockReplyLength) {
    std::array<std::uint8_t, unit::kClockReplyLength> bcd{};
    for (int i = 0; i < unit::kClockReplyLength; ++i) bcd[i] = s_.ReplyByte(i);
    settings_.unitClock = DecodeUnitClock(bcd);
    settings_.clock = JudgeUnitClock(settings_.unitClock, s_.tickTime());
  } else {
    // A clock not read is not called wrong.
    settings_.clock = {};
    s_.ReportError(404, ErrorKind::Logged, Tr(Text::ClockError, lang));
  }
  if (!settings_.unitClock.IsZero()) s_.AppendLog(ClockLine(settings_.unitClock, lang));
  if (const std::string warning = ClockWarning(settings_.clock, lang); !warning.empty())
    s_.AppendLog(warning);
}

void SettingsReadOperation::ReadElevatorName() {
  const int n = s_.ReadReply();
  std::string& name = settings_.elevatorName;
  name.clear();
  for (int i = 0; i < n; ++i) {
    const std::uint8_t b = s_.ReplyByte(i);
    if (b >= 0x20 && b <= 0xFE) name += static_cast<char>(b);
  }
  if (n > 0 && s_.ReplyByte(n - 1) != unit::kNameEnd)
    s_.ReportError(405, ErrorKind::Logged, Tr(Text::ElevatorNameError, s_.language()));
}

void SettingsReadOperation::ReadFirmware() {
  const Language lang = s_.language();
  const int n = s_.ReadReply();
  if (n > 0) {
    std::string version;
    for (int i = 0; i < n; ++i) version += static_cast<char>(s_.ReplyByte(i));
    settings_.firmware = Cp1250ToUtf8(version);
    s_.AppendLog(std::string(Tr(Text::FirmwareVersion, lang)) + settings_.firmware);
  } else {
    settings_.firmware.clear();
    s_.AppendLog(Tr(Text::FirmwareMissing, lang));
  }
  events_.SettingsRead();
  s_.DiscardInput();
}

}  // namespace qel
