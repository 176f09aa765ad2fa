#include "sequencer/SettingsWrite.h"

#include <cstdio>

#include "link/UnitCommands.h"
#include "sequencer/UnitController.h"
#include "texts/Texts.h"

namespace qel {
namespace {

// Name phase: from this step on the terminator goes out, and one step later the reply is judged,
// whatever the name's length.
constexpr int kNameTerminatorStep = 50;
constexpr int kNameReplyStep = 51;

// Main sequence. A step that skips a group sets the step one below the next group's.
enum MainStep : int {
  kRecordSizeStep = 0,
  kRecordSizeAckStep = 2,
  kAccessTimeStep = 3,
  kAccessTimeAckStep = 5,
  kRelayStep = 6,
  kRelayAckStep = 8,
  kAccessCodeStep = 9,
  kAccessCodeHighStep = 10,
  kAccessCodeHighReplyStep = 11,
  kAccessCodeLowReplyStep = 12,
  kClockStep = 13,
  kClockYearStep = 14,
  kClockSecondStep = 19,
  kClockEchoStep = 20,
  kClockAckStep = 30,
  kFinishStep = 31,
  kReconfigurationReplyStep = 32,
  kBlockTimerStep = 33,
  kBlockStep = 34,
};

constexpr std::uint8_t kRelayInversionBits = 0x07;
constexpr std::uint8_t kMainRelayInversionBits = 0x38;
constexpr std::uint8_t kPermanentAccessBit = 0x80;
constexpr int kProgressEveryBlocks = 8;

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
LocalTime ClockWhenSecondsArrive(const LocalTime& reading) {
  constexpr auto kUntilSeconds = (kClockSecondStep - kClockStep) * SettingsWriteOperation::kPeriod;
  LocalTime sent = Advanced(reading, kUntilSeconds + std::chrono::milliseconds{500});
  sent.millisecond = 0;
  return sent;
}

}  // namespace

std::uint8_t RelayByte(const UnitSettings& settings) {
  std::uint8_t b = 0;
  if (settings.relayInversion != 0) b |= kRelayInversionBits;
  if (settings.mainRelayInversion != 0) b |= kMainRelayInversionBits;
  if (settings.accessTime == 0) b |= kPermanentAccessBit;
  return b;
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

bool SettingsWriteOperation::MemoryInDoubt() const {
  return changes.recordSizeChanged && !changes.nameChanged && step > kRecordSizeStep;
}

bool SettingsWriteOperation::RewritingMemory() const {
  return MemoryInDoubt() && c_.sequencer().IsRunning(OperationKind::SettingsWrite);
}

void SettingsWriteOperation::Prepare() {
  Sequencer& s = c_.sequencer();
  s.DiscardInput();
  if (changes.nameChanged) s.AppendLog("");
}

Outcome SettingsWriteOperation::Tick() { return changes.nameChanged ? NameStep() : MainStep(); }

Outcome SettingsWriteOperation::NameStep() {
  Sequencer& s = c_.sequencer();
  const std::string& name = c_.settings().elevatorName;
  const int length = static_cast<int>(name.size());
  if (step == 0) {
    s.SendByte(unit::kSetName);
  } else if (step == 1) {
    s.SendChainStart(length == 0 ? unit::kNameEnd : static_cast<std::uint8_t>(name[0]));
  } else {
    s.AppendProgress("*");
    if (length == 0 || step >= length + 2 || step >= kNameReplyStep) {
      const int n = s.ReadReply();
      const bool saved = n >= 2 && s.ReplyByte(1) == unit::kNameEnd && s.ReplyByte(0) == s.lastChained();
      s.AppendLog(Tr(saved ? Text::NameSaved : Text::NameNotConfirmed, s.language()));
      changes.nameChanged = false;
      step = 0;
      return Outcome::Going;
    }
    if (step == length + 1 || step >= kNameTerminatorStep)
      s.SendChecked(unit::kNameEnd);
    else
      s.SendChecked(static_cast<std::uint8_t>(name[static_cast<std::size_t>(step - 1)]));
  }
  ++step;
  return Outcome::Going;
}

Outcome SettingsWriteOperation::MainStep() {
  Sequencer& s = c_.sequencer();
  const UnitSettings& settings = c_.settings();
  const Language language = s.language();
  switch (step) {
    case kRecordSizeStep:
      s.DiscardInput();
      if (!changes.recordSizeChanged) {
        step = kAccessTimeStep;
        return Outcome::Going;
      }
      s.SendByte(unit::kSetRecordSize);
      break;
    case kRecordSizeStep + 1:
      s.SendByte(static_cast<std::uint8_t>(c_.image().RecordSize()));
      break;
    case kRecordSizeAckStep:
      if (!JudgeAck(303, 302)) return Outcome::Failed;
      s.AppendLog(Tr(Text::CommentLengthSet, language));
      break;
    case kAccessTimeStep:
      if (changes.accessTimeChanged)
        s.SendByte(unit::kSetAccessTime);
      else
        step = kRelayStep - 1;
      break;
    case kAccessTimeStep + 1:
      s.SendByte(static_cast<std::uint8_t>(settings.accessTime));
      break;
    case kAccessTimeAckStep:
      if (!JudgeAck(305, 304)) return Outcome::Failed;
      s.AppendLog(Tr(Text::AccessTimeSet, language));
      break;
    case kRelayStep:
      if (changes.relayChanged)
        s.SendByte(unit::kSetRelay);
      else
        step = kAccessCodeStep - 1;
      break;
    case kRelayStep + 1:
      s.SendByte(RelayByte(settings));
      break;
    case kRelayAckStep:
      if (!JudgeAck(307, 306)) return Outcome::Failed;
      s.AppendLog(Tr(Text::RelaySettingsSet, language));
      break;
    case kAccessCodeStep:
      if (changes.accessCodeChanged)
        s.SendByte(unit::kSetAccessCode);
      else
        step = kClockStep - 1;
      break;
    case kAccessCodeHighStep:
      s.DiscardInput();
      s.SendByte(unit::HighByte(newAccessCode));
      break;
    case kAccessCodeHighReplyStep:
      if (!JudgeAccessCodeHigh()) return Outcome::Failed;
      break;
    case kAccessCodeLowReplyStep:
      if (!JudgeAccessCodeLow()) return Outcome::Failed;
      c_.settings().accessCode = newAccessCode;
      s.AppendLog(Tr(Text::AccessCodeSet, language));
      break;
    case kClockStep:
      if (!changes.setClock) {
        step = kFinishStep;
        return Outcome::Going;
      }
      // One reading for all six fields: read field by field, a second apart, they could tear
      // across midnight or the new year.
      clockToSend_ = ClockWhenSecondsArrive(s.tickTime());
      s.DiscardInput();
      s.SendByte(unit::kSetClock);
      break;
    case kClockYearStep:
      s.SendChainStart(static_cast<std::uint8_t>(clockToSend_.year % 100));
      break;
    case kClockYearStep + 1:
      s.SendChecked(static_cast<std::uint8_t>(clockToSend_.month));
      break;
    case kClockYearStep + 2:
      s.SendChecked(static_cast<std::uint8_t>(clockToSend_.day));
      break;
    case kClockYearStep + 3:
      s.SendChecked(static_cast<std::uint8_t>(clockToSend_.hour));
      break;
    case kClockYearStep + 4:
      s.SendChecked(static_cast<std::uint8_t>(clockToSend_.minute));
      break;
    case kClockSecondStep:
      s.SendChecked(static_cast<std::uint8_t>(clockToSend_.second));
      break;
    case kClockEchoStep:
      if (!JudgeClockEcho()) return Outcome::Failed;
      break;
    case kClockAckStep:
      if (!JudgeAck(322, 321)) return Outcome::Failed;
      s.AppendLog(Tr(Text::ClockSet, language));
      break;
    case kFinishStep:
      if (!changes.recordSizeChanged) {
        c_.RefillKeyList();
        return Outcome::Done;
      }
      s.DiscardInput();
      s.SendByte(unit::kWriteMemory[0]);
      s.SendByte(unit::kWriteMemory[1]);
      s.DiscardInput();
      s.SendByte(unit::kWriteMemory[2]);
      break;
    case kReconfigurationReplyStep:
      if (!JudgeReconfigurationStart()) return Outcome::Failed;
      blocks_.Restart();
      s.AppendLog(Tr(Text::MemoryReconfiguration, language));
      s.AppendLog("");
      break;
    case kBlockTimerStep:
      s.DiscardInput();
      if (!s.Repace(kBlockPeriod)) return Outcome::Failed;
      s.BeginProgress(kBlockPeriod * BlockTransfer::kTicks);
      break;
    case kBlockStep: {
      s.SetProgressText(TrFormatInts(Text::ProgressRewritingMemory, language,
                                     {std::min(blocks_.block + 1, unit::kBlockCount), unit::kBlockCount}));
      s.AdvanceProgress(kBlockPeriod);
      const BlockTransfer::Result result = blocks_.Tick(s, c_.image().Bytes());
      if (result == BlockTransfer::Result::Failed) Fail(blocks_.error);
      return result == BlockTransfer::Result::Done     ? Outcome::Done
             : result == BlockTransfer::Result::Failed ? Outcome::Failed
                                                       : Outcome::Going;
    }
    default:
      break;  // the clock's idle ticks while the unit sets it
  }
  ++step;
  return Outcome::Going;
}

bool SettingsWriteOperation::JudgeAck(int empty, int other) {
  Sequencer& s = c_.sequencer();
  const int n = s.ReadReply();
  if (n < 1) {
    Fail(empty);
    return false;
  }
  if (s.ReplyByte(0) != unit::kAck) {
    Fail(other);
    return false;
  }
  return true;
}

bool SettingsWriteOperation::JudgeAccessCodeHigh() {
  Sequencer& s = c_.sequencer();
  const int n = s.ReadReply();
  const int error = n != 1 ? 309 : s.ReplyByte(0) != unit::HighByte(newAccessCode) ? 308 : 0;
  if (error == 0) {
    s.SendByte(unit::LowByte(newAccessCode));
    return true;
  }
  // The unit may now hold neither code; what it echoed tells the operator which to try.
  s.AppendLog(
      TrFormat(Text::AccessCodeChangeFailed, s.language(),
               {std::to_string(c_.settings().accessCode), std::to_string(newAccessCode), ReplyInHex(s, n)}));
  Fail(error);
  return false;
}

bool SettingsWriteOperation::JudgeAccessCodeLow() {
  Sequencer& s = c_.sequencer();
  const int n = s.ReadReply();
  const bool wrongEcho = n == 2 && s.ReplyByte(0) != unit::LowByte(newAccessCode);
  const bool notAcknowledged = n == 2 && s.ReplyByte(1) != unit::kAck;
  if (n == 2 && !wrongEcho && !notAcknowledged) return true;
  s.AppendLog(
      TrFormat(Text::AccessCodeChangeFailed, s.language(),
               {std::to_string(c_.settings().accessCode), std::to_string(newAccessCode), ReplyInHex(s, n)}));
  if (n != 2) Fail(311);
  // Both checks are made on a two-byte reply.
  if (wrongEcho) Fail(310);
  if (notAcknowledged) Fail(312);
  return false;
}

bool SettingsWriteOperation::JudgeClockEcho() {
  Sequencer& s = c_.sequencer();
  const int n = s.ReadReply();
  if (n >= 1 && s.ReplyByte(0) == s.lastChained()) return true;
  Fail(320);
  return false;
}

bool SettingsWriteOperation::JudgeReconfigurationStart() {
  Sequencer& s = c_.sequencer();
  const int n = s.ReadReply();
  if (n < 1) {
    Fail(230);
    return false;
  }
  for (int i = 0; i < n; ++i)
    if (s.ReplyByte(i) == unit::kWriteReady) return true;
  Fail(231);
  return false;
}

void SettingsWriteOperation::Fail(int code) { c_.sequencer().ReportError(code, ErrorKind::Critical, ""); }

}  // namespace qel
