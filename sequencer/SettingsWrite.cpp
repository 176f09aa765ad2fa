#include "sequencer/SettingsWrite.h"

#include <cstdio>

#include "link/UnitCommands.h"
#include "texts/Texts.h"

namespace qel {
namespace {

// The unit takes the name up to this many bytes and its end mark.
constexpr int kMaxNameBytes = 49;
constexpr std::uint8_t kRelayInversionBits = 0x07;
constexpr std::uint8_t kMainRelayInversionBits = 0x38;
constexpr std::uint8_t kPermanentAccessBit = 0x80;
constexpr int kProgressEveryBlocks = 8;

// Each setting with the change that asks for it. Whether its size goes out or not, the main
// sequence's first tick drops whatever came after the name's reply.
struct WrittenGroup {
  bool SettingsChanges::*changed;
  SettingGroup group;
};
constexpr std::array<WrittenGroup, 3> kWrittenGroups{{
    {&SettingsChanges::recordSizeChanged, kRecordSizeGroup.Discarding(SettingGroup::Discard::BeforeCommand)},
    {&SettingsChanges::accessTimeChanged, kAccessTimeGroup},
    {&SettingsChanges::relayChanged, kRelayGroup},
}};

// The clock's command, its six fields (the first not echo-checked), the echo of the last.
constexpr int kFirstClockField = 1;
constexpr int kClockFieldCount = 6;
constexpr int kClockEchoTick = kFirstClockField + kClockFieldCount;
constexpr Acknowledgement kClockAcknowledgement{322, 321, Text::ClockSet};

// The unit's reply as the log shows it: "12 67 06", or "-" for none.
std::string ReplyInHex(const Sequencer& s, int length) {
  if (length <= 0) return "-";
  std::string text;
  for (int i = 0; i < length; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X", s.ReplyByte(i));
    if (!text.empty()) text += ' ';
    text += hex;
  }
  return text;
}

// The unit takes the six fields as one time when the seconds arrive, six ticks after the one
// reading of the PC's clock: they carry that instant, to the nearest second.
std::array<std::uint8_t, kClockFieldCount> ClockFields(const LocalTime& reading) {
  constexpr auto kUntilSeconds = kClockFieldCount * SettingsWriteOperation::kPeriod;
  LocalTime sent = Advanced(reading, kUntilSeconds + std::chrono::milliseconds{500});
  return {static_cast<std::uint8_t>(sent.year % 100), static_cast<std::uint8_t>(sent.month),
          static_cast<std::uint8_t>(sent.day),        static_cast<std::uint8_t>(sent.hour),
          static_cast<std::uint8_t>(sent.minute),     static_cast<std::uint8_t>(sent.second)};
}

// The name's bytes that the unit takes, and its end mark.
std::string NameBytes(const std::string& name) {
  return name.substr(0, kMaxNameBytes) + static_cast<char>(unit::kNameEnd);
}

}  // namespace

SettingsChanges Diff(const ImageSettings& before, const AcceptedSettings& accepted) {
  const ImageSettings& after = accepted.values;
  const auto differ = [](int a, int b) { return (a != 0) != (b != 0); };
  SettingsChanges changes;
  changes.nameChanged = accepted.nameChanged;
  changes.recordSizeChanged = before.recordSize != after.recordSize;
  changes.accessTimeChanged = before.accessTime != after.accessTime;
  changes.relayChanged = differ(before.accessTime, after.accessTime) ||
                         differ(before.relayInversion, after.relayInversion) ||
                         differ(before.mainRelayInversion, after.mainRelayInversion);
  changes.accessCodeChanged = accepted.accessCodeChanged;
  changes.setClock = accepted.setClock;
  return changes;
}

std::uint8_t RelayByte(const ImageSettings& settings) {
  std::uint8_t b = 0;
  if (settings.relayInversion != 0) b |= kRelayInversionBits;
  if (settings.mainRelayInversion != 0) b |= kMainRelayInversionBits;
  if (settings.accessTime == 0) b |= kPermanentAccessBit;
  return b;
}

std::uint8_t RecordSizeByte(const ImageSettings& settings) {
  return static_cast<std::uint8_t>(settings.recordSize);
}

std::uint8_t AccessTimeByte(const ImageSettings& settings) {
  return static_cast<std::uint8_t>(settings.accessTime);
}

int Acknowledgement::Judge(Sequencer& s) const {
  const int n = s.ReadReply();
  if (n < 1) return noReplyError;
  if (s.ReplyByte(0) != unit::kAck) return wrongReplyError;
  s.AppendLog(Tr(done, s.language()));
  return 0;
}

int SettingGroup::Tick(Sequencer& s, int tick, const ImageSettings& settings) const {
  if (tick == kJudgeTick) return acknowledgement.Judge(s);
  const bool sendsValue = tick == 1;
  if (discard == (sendsValue ? Discard::BeforeValue : Discard::BeforeCommand)) s.DiscardInput();
  s.SendByte(sendsValue ? value(settings) : command);
  return 0;
}

void BlockTransfer::ShowProgress(Sequencer& s, Text text, std::chrono::milliseconds period) const {
  s.SetProgressText(
      TrFormatInts(text, s.language(), {std::min(block + 1, unit::kBlockCount), unit::kBlockCount}));
  s.AdvanceProgress(period);
}

BlockTransfer::Result BlockTransfer::Tick(Sequencer& s, const ImageBytes& image) {
  if (block < unit::kBlockCount)
    s.SendBlock(
        std::span(image).subspan(static_cast<std::size_t>(block) * unit::kBlockSize, unit::kBlockSize));
  if (block > 0) {
    const int n = s.ReadReply();
    error = n < 1 ? 533 : s.ReplyByte(0) != unit::kBlockAck && s.ReplyByte(0) != unit::kAck ? 532 : 0;
    if (error != 0) return Result::Failed;
  }
  if (block == unit::kBlockCount) {
    s.AppendLog(Tr(Text::Done, s.language()));
    return Result::Done;
  }
  if (block % kProgressEveryBlocks == 0) s.AppendProgress("*");
  ++block;
  return Result::Going;
}

void SettingsWriteOperation::Aim(const SettingsChanges& changes, int newAccessCode) {
  changes_ = changes;
  newAccessCode_ = newAccessCode;
  stage_ = changes.nameChanged ? Stage::Name : Stage::RecordSize;
  tick_ = 0;
  wait_ = 0;
}

bool SettingsWriteOperation::MemoryInDoubt() const {
  const bool sizeSent = stage_ > Stage::RecordSize || (stage_ == Stage::RecordSize && tick_ > 0);
  return changes_.recordSizeChanged && sizeSent;
}

bool SettingsWriteOperation::RewritingMemory() const {
  return MemoryInDoubt() &&
         (s_.IsRunning(OperationKind::SettingsWrite) || s_.IsRunning(OperationKind::MemoryRewrite));
}

void SettingsWriteOperation::Prepare() {
  s_.DiscardInput();
  if (changes_.nameChanged) s_.AppendLog("");
}

Outcome SettingsWriteOperation::Tick() {
  // The unit is busy: these ticks do nothing.
  if (wait_ > 0) {
    --wait_;
    return Outcome::Going;
  }
  outcome_ = Outcome::Going;
  const int tick = tick_++;
  switch (stage_) {
    case Stage::Name:
      NameTick(tick);
      break;
    case Stage::RecordSize:
    case Stage::AccessTime:
    case Stage::Relay:
      GroupTick(tick);
      break;
    case Stage::AccessCode:
      AccessCodeTick(tick);
      break;
    case Stage::Clock:
      ClockTick(tick);
      break;
    case Stage::Finish:
      Finish();
      break;
  }
  return outcome_;
}

void SettingsWriteOperation::NextStage() {
  stage_ = static_cast<Stage>(static_cast<int>(stage_) + 1);
  tick_ = 0;
}

// The command, the name's first byte, the others each with the echo of the one before, the end
// mark, and the unit's echo of the last byte with its own end mark.
void SettingsWriteOperation::NameTick(int tick) {
  const std::string bytes = NameBytes(settings_.elevatorName);
  const int last = static_cast<int>(bytes.size());
  if (tick == 0) {
    s_.SendByte(unit::kSetName);
    return;
  }
  if (tick == 1) {
    s_.SendChainStart(static_cast<std::uint8_t>(bytes[0]));
    return;
  }
  s_.AppendProgress("*");
  if (tick <= last) {
    s_.SendChecked(static_cast<std::uint8_t>(bytes[static_cast<std::size_t>(tick - 1)]));
    return;
  }
  const int n = s_.ReadReply();
  const bool saved = n >= 2 && s_.ReplyByte(1) == unit::kNameEnd && s_.ReplyByte(0) == s_.lastChained();
  s_.AppendLog(Tr(saved ? Text::NameSaved : Text::NameNotConfirmed, s_.language()));
  changes_.nameChanged = false;
  NextStage();
}

void SettingsWriteOperation::GroupTick(int tick) {
  const auto& [changed, group] = kWrittenGroups[static_cast<std::size_t>(
      static_cast<int>(stage_) - static_cast<int>(Stage::RecordSize))];
  if (tick == 0 && !(changes_.*changed)) {
    if (group.discard == SettingGroup::Discard::BeforeCommand) s_.DiscardInput();
    NextStage();
    return;
  }
  if (const int error = group.Tick(s_, tick, ImageFileSettings(settings_, image_.RecordSize()))) {
    Fail(error);
    return;
  }
  if (tick == SettingGroup::kJudgeTick) NextStage();
}

// The command, the code's high byte, its echo judged with the low byte sent, and the low byte's
// echo with the acknowledgement.
void SettingsWriteOperation::AccessCodeTick(int tick) {
  if (tick == 0 && !changes_.accessCodeChanged) {
    NextStage();
  } else if (tick == 0) {
    s_.SendByte(unit::kSetAccessCode);
  } else if (tick == 1) {
    s_.DiscardInput();
    s_.SendByte(unit::HighByte(newAccessCode_));
  } else if (tick == 2) {
    JudgeAccessCodeHigh();
  } else if (JudgeAccessCodeLow()) {
    settings_.accessCode = newAccessCode_;
    s_.AppendLog(Tr(Text::AccessCodeSet, s_.language()));
    NextStage();
  }
}

// The command, the six fields, the echo of the last, a wait while the unit sets its clock, and the
// acknowledgement.
void SettingsWriteOperation::ClockTick(int tick) {
  if (tick == 0 && !changes_.setClock) {
    NextStage();
  } else if (tick == 0) {
    // One reading for all six fields: read field by field, a second apart, they could tear
    // across midnight or the new year.
    clockFields_ = ClockFields(s_.tickTime());
    s_.DiscardInput();
    s_.SendByte(unit::kSetClock);
  } else if (tick == kFirstClockField) {
    s_.SendChainStart(clockFields_[0]);
  } else if (tick < kClockEchoTick) {
    s_.SendChecked(clockFields_[static_cast<std::size_t>(tick - kFirstClockField)]);
  } else if (tick == kClockEchoTick) {
    if (JudgeClockEcho()) wait_ = kClockSettingTicks;
  } else if (const int error = kClockAcknowledgement.Judge(s_)) {
    Fail(error);
  } else {
    NextStage();
  }
}

bool SettingsWriteOperation::JudgeAccessCodeHigh() {
  const int n = s_.ReadReply();
  const int error = n != 1 ? 309 : s_.ReplyByte(0) != unit::HighByte(newAccessCode_) ? 308 : 0;
  if (error == 0) {
    s_.SendByte(unit::LowByte(newAccessCode_));
    return true;
  }
  LogAccessCodeFailure(n);
  Fail(error);
  return false;
}

bool SettingsWriteOperation::JudgeAccessCodeLow() {
  const int n = s_.ReadReply();
  const bool wrongEcho = n == 2 && s_.ReplyByte(0) != unit::LowByte(newAccessCode_);
  const bool notAcknowledged = n == 2 && s_.ReplyByte(1) != unit::kAck;
  if (n == 2 && !wrongEcho && !notAcknowledged) return true;
  LogAccessCodeFailure(n);
  if (n != 2) Fail(311);
  // Both checks are made on a two-byte reply.
  if (wrongEcho) Fail(310);
  if (notAcknowledged) Fail(312);
  return false;
}

// The unit may now hold neither code; what it echoed tells the operator which to try.
void SettingsWriteOperation::LogAccessCodeFailure(int replyLength) {
  s_.AppendLog(TrFormat(
      Text::AccessCodeChangeFailed, s_.language(),
      {std::to_string(settings_.accessCode), std::to_string(newAccessCode_), ReplyInHex(s_, replyLength)}));
}

bool SettingsWriteOperation::JudgeClockEcho() {
  const int n = s_.ReadReply();
  if (n >= 1 && s_.ReplyByte(0) == s_.lastChained()) return true;
  Fail(320);
  return false;
}

void SettingsWriteOperation::Fail(int code) {
  s_.ReportError(code, ErrorKind::Critical, "");
  outcome_ = Outcome::Failed;
}

// A new record size's memory rewrite starts on this tick, as the next operation of the chain.
void SettingsWriteOperation::Finish() {
  if (!changes_.recordSizeChanged) events_.KeysChanged();
  outcome_ = Outcome::Done;
}

}  // namespace qel
