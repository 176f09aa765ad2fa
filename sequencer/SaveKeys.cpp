#include "sequencer/SaveKeys.h"

#include <algorithm>

#include "link/UnitCommands.h"
#include "sequencer/UnitController.h"
#include "texts/Texts.h"

namespace qel {
namespace {

constexpr int kFirstKeyCodeStep = 4;
constexpr int kFirstFloorsStep = 16;
constexpr int kFloorsPauseStep = 19;
constexpr int kFirstCommentStep = 20;
// A comment step sends record byte (step - 5): byte 15 is the comment's first.
constexpr int kCommentByteShift = 5;
constexpr int kPauseCommentOffset = 100;
constexpr int kReplyTicksAfterComment = 11;
constexpr std::uint8_t kCommentEnd = 0x00;

// Bytes past the record read as the comment's end: with 15-byte records there is no comment
// field, and the closing 0x00 is all that goes out.
std::uint8_t RecordByte(std::span<const std::uint8_t> record, int offset) {
  return offset >= 0 && offset < static_cast<int>(record.size()) ? record[static_cast<std::size_t>(offset)]
                                                                 : kCommentEnd;
}

}  // namespace

std::chrono::milliseconds SaveKeysOperation::Duration(const KeyMemoryImage& image, int index) {
  const std::span<const std::uint8_t> record = image.Record(index);
  const auto field = record.size() > kCommentOffset ? record.subspan(kCommentOffset) : record.subspan(0, 0);
  const auto end = std::find(field.begin(), field.end(), kCommentEnd);
  const bool filled = end == field.end() && !field.empty();
  // One tick per comment byte, and one for the closing 0x00 unless it rides with the last byte.
  const auto commentTicks =
      filled ? static_cast<int>(field.size()) : static_cast<int>(end - field.begin()) + 1;
  // A filled field's reply is judged one step later, so one tick fewer follows the pause.
  const int replyTicks = filled ? kReplyTicksAfterComment - 1 : kReplyTicksAfterComment;
  return kPeriod + 2 * kShortPause + kPeriod * (kFloorsPauseStep - 1) + kPeriod + 2 * kFloorsPause +
         kPeriod * commentTicks + kPeriod + 2 * kShortPause + kPeriod * replyTicks;
}

Outcome SaveKeysOperation::Tick() {
  Sequencer& s = c_.sequencer();
  const int id = records_[position_];
  const std::span<const std::uint8_t> record = c_.image().Record(id);
  if (step % 5 == 1) s.AppendProgress("*");
  ShowProgress(id);
  if (step == 0) return Pause(1, kShortPause) ? Outcome::Going : Outcome::Failed;
  if (step == 1) {
    s.DiscardInput();
    s.SendByte(unit::kSaveKey);
  } else if (step == 2) {
    s.SendChainStart(unit::HighByte(id));
    s.AppendLog(TrFormat(Text::SavingKey, s.language(), id));
    s.AppendLog("");
  } else if (step == 3) {
    s.SendChecked(unit::LowByte(id));
  } else if (step < kFirstFloorsStep) {
    s.SendChecked(RecordByte(record, step - kFirstKeyCodeStep));
  } else if (step < kFloorsPauseStep) {
    s.DiscardInput();
    s.SendChecked(RecordByte(record, step - kFirstKeyCodeStep));
  } else if (step == kFloorsPauseStep) {
    return Pause(kFirstCommentStep, kFloorsPause) ? Outcome::Going : Outcome::Failed;
  } else if (step < kCommentEnded) {
    if (step == kFirstCommentStep && !JudgeFloorsReply(id)) return Outcome::Failed;
    const std::uint8_t c = RecordByte(record, step - kCommentByteShift);
    s.SendByte(c);
    if (c == kCommentEnd) {
      step = kCommentEnded;
      return Outcome::Going;
    }
    if (step - kCommentByteShift > c_.image().RecordSize() - 2) {
      step = kCommentFilled;
      s.SendByte(kCommentEnd);
      return Outcome::Going;
    }
  } else if (step == kCommentEnded || step == kCommentFilled) {
    commentReplyStep_ = step + kPauseCommentOffset;
    return Pause(commentReplyStep_, kShortPause) ? Outcome::Going : Outcome::Failed;
  } else {
    const int n = s.ReadReply();
    if (step == commentReplyStep_ && !JudgeCommentReply(n)) return Outcome::Failed;
    if (step == kLastStep) return EndOfKey();
  }
  ++step;
  return Outcome::Going;
}

void SaveKeysOperation::ShowProgress(int id) {
  Sequencer& s = c_.sequencer();
  s.SetProgressText(TrFormatInts(Text::ProgressSavingKey, s.language(),
                                 {static_cast<int>(position_) + 1, static_cast<int>(records_.size()), id}));
  s.AdvanceProgress(kPeriod);
}

bool SaveKeysOperation::Pause(int nextStep, std::chrono::milliseconds period) {
  pause_.Aim(*this, period);
  step = nextStep;
  return c_.sequencer().Switch(pause_, period);
}

bool SaveKeysOperation::JudgeFloorsReply(int id) {
  Sequencer& s = c_.sequencer();
  const int n = s.ReadReply();
  int error = 0;
  if (n < 2) {
    error = 103;
  } else if (s.ReplyByte(0) != RecordByte(c_.image().Record(id), kCommentOffset - 1)) {
    error = 101;
  } else if (s.ReplyByte(1) != unit::kAck) {
    error = 102;
  }
  if (error != 0) s.ReportError(error, ErrorKind::Critical, "");
  return error == 0;
}

bool SaveKeysOperation::JudgeCommentReply(int n) {
  Sequencer& s = c_.sequencer();
  int error = 0;
  if (n < 1) {
    error = 105;
  } else if (s.ReplyByte(0) != unit::kAck) {
    error = 104;
  }
  if (error != 0) s.ReportError(error, ErrorKind::Critical, "");
  return error == 0;
}

Outcome SaveKeysOperation::EndOfKey() {
  Sequencer& s = c_.sequencer();
  s.SendByte(unit::kIdle);
  s.AppendLog(Tr(Text::KeySaved, s.language()));
  c_.KeyWriteConfirmed(records_[position_]);
  if (position_ + 1 == records_.size()) return Outcome::Done;
  ++position_;
  s.AppendLog("");
  step = 0;
  return Outcome::Going;
}

Outcome SavePauseOperation::Tick() {
  s_.AppendProgress("*");
  s_.AdvanceProgress(period_);
  if (step == 1 && !s_.Switch(*save_, SaveKeysOperation::kPeriod)) return Outcome::Failed;
  ++step;
  return Outcome::Going;
}

}  // namespace qel
