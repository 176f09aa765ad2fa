#include "sequencer/SaveKeys.h"

#include <algorithm>

#include "link/UnitCommands.h"
#include "texts/Texts.h"

namespace qel {
namespace {

constexpr std::uint8_t kCommentEnd = 0x00;
constexpr int kKeyCodeBytes = static_cast<int>(kFloorsOffset);
constexpr int kFloorsBytes = static_cast<int>(kCommentOffset - kFloorsOffset);
// The ticks after the comment's pause that read the unit's reply, the first judging it, before the
// one that sends 0x7A; one fewer after a comment that filled its field (its 0x00 rode with the
// last byte).
constexpr int kReplyTicks = 10;

// Bytes past the record read as the comment's end: with 15-byte records there is no comment
// field, and the closing 0x00 is all that goes out.
std::uint8_t RecordByte(std::span<const std::uint8_t> record, int offset) {
  return offset >= 0 && offset < static_cast<int>(record.size()) ? record[static_cast<std::size_t>(offset)]
                                                                 : kCommentEnd;
}

enum class Action { Pause, Command, IdHigh, IdLow, KeyCodeByte, FloorsByte, CommentByte, Reply, End };

struct Phase {
  Action action;
  int ticks;
  std::chrono::milliseconds pause{};  // a pause's period, on the pause operation
};

// The save of one record as the unit paces it, tick by tick; a pause is the tick that hands the
// ticks to the pause operation.
class Schedule {
 public:
  explicit Schedule(std::span<const std::uint8_t> record) {
    const auto field = record.size() > kCommentOffset ? record.subspan(kCommentOffset) : record.subspan(0, 0);
    const auto end = std::find(field.begin(), field.end(), kCommentEnd);
    filled_ = end == field.end() && !field.empty();
    // One tick per comment byte, and one for the closing 0x00 unless it rides with the last byte.
    const int commentTicks =
        filled_ ? static_cast<int>(field.size()) : static_cast<int>(end - field.begin()) + 1;
    phases_ = {{{Action::Pause, 1, SaveKeysOperation::kShortPause},
                {Action::Command, 1},
                {Action::IdHigh, 1},
                {Action::IdLow, 1},
                {Action::KeyCodeByte, kKeyCodeBytes},
                {Action::FloorsByte, kFloorsBytes},
                {Action::Pause, 1, SaveKeysOperation::kFloorsPause},
                {Action::CommentByte, commentTicks},
                {Action::Pause, 1, SaveKeysOperation::kShortPause},
                {Action::Reply, filled_ ? kReplyTicks - 1 : kReplyTicks},
                {Action::End, 1}}};
    commentEnd_ = 0;
    for (const Phase& phase : phases_) {
      commentEnd_ += phase.ticks;
      if (phase.action == Action::CommentByte) break;
    }
  }

  // The phase of tick `step`, and the tick's place in it.
  std::pair<const Phase&, int> At(int step) const {
    for (const Phase& phase : phases_) {
      if (step < phase.ticks) return {phase, step};
      step -= phase.ticks;
    }
    return {phases_.back(), 0};
  }

  std::chrono::milliseconds Duration() const {
    std::chrono::milliseconds total{};
    for (const Phase& phase : phases_)
      total += SaveKeysOperation::kPeriod * phase.ticks + phase.pause * SavePauseOperation::kTicks;
    return total;
  }

  // A mark in the log every fifth tick from the record's start; after the comment the count starts
  // afresh at the pause and again at the replies, one ahead after a filled comment.
  bool Marked(int step) const {
    const int afterComment = step - commentEnd_;
    const int number = afterComment < 0 ? step : (filled_ ? 1 : 0) + std::max(afterComment - 1, 0);
    return number % 5 == 1;
  }

  bool IsLastCommentTick(int step) const { return step == commentEnd_ - 1; }
  bool filled() const { return filled_; }

 private:
  std::array<Phase, 11> phases_{};
  bool filled_ = false;
  int commentEnd_ = 0;  // the tick after the comment's last
};

}  // namespace

std::chrono::milliseconds SaveKeysOperation::Duration(const KeyMemoryImage& image, int index) {
  return Schedule(image.Record(index)).Duration();
}

Outcome SaveKeysOperation::Tick() {
  const int id = records_[position_];
  const std::span<const std::uint8_t> record = image_.Record(id);
  const Schedule schedule(record);
  if (schedule.Marked(step)) s_.AppendProgress("*");
  ShowProgress(id);
  const auto [phase, index] = schedule.At(step);
  const bool lastCommentTick = schedule.IsLastCommentTick(step);
  ++step;
  switch (phase.action) {
    case Action::Pause:
      return Pause(phase.pause) ? Outcome::Going : Outcome::Failed;
    case Action::Command:
      s_.DiscardInput();
      s_.SendByte(unit::kSaveKey);
      break;
    case Action::IdHigh:
      s_.SendChainStart(unit::HighByte(id));
      s_.AppendLog(TrFormat(Text::SavingKey, s_.language(), id));
      s_.AppendLog("");
      break;
    case Action::IdLow:
      s_.SendChecked(unit::LowByte(id));
      break;
    case Action::KeyCodeByte:
      s_.SendChecked(RecordByte(record, index));
      break;
    case Action::FloorsByte:
      s_.DiscardInput();
      s_.SendChecked(RecordByte(record, kKeyCodeBytes + index));
      break;
    case Action::CommentByte:
      if (index == 0 && !JudgeFloorsReply(id)) return Outcome::Failed;
      SendCommentByte(record, index, lastCommentTick && schedule.filled());
      break;
    case Action::Reply:
      if (const int n = s_.ReadReply(); index == 0 && !JudgeCommentReply(n)) return Outcome::Failed;
      break;
    case Action::End:
      s_.ReadReply();
      return EndOfKey();
  }
  return Outcome::Going;
}

// A comment that fills its field is closed by a 0x00 on its last byte's tick.
void SaveKeysOperation::SendCommentByte(std::span<const std::uint8_t> record, int index,
                                        bool closesFilledField) {
  s_.SendByte(RecordByte(record, static_cast<int>(kCommentOffset) + index));
  if (closesFilledField) s_.SendByte(kCommentEnd);
}

void SaveKeysOperation::ShowProgress(int id) {
  s_.SetProgressText(TrFormatInts(Text::ProgressSavingKey, s_.language(),
                                  {shownBefore_ + static_cast<int>(position_) + 1,
                                   shownTotal_ > 0 ? shownTotal_ : static_cast<int>(records_.size()), id}));
  s_.AdvanceProgress(kPeriod);
}

bool SaveKeysOperation::Pause(std::chrono::milliseconds period) {
  pause_.Aim(*this, period);
  return s_.Switch(pause_, period);
}

bool SaveKeysOperation::JudgeFloorsReply(int id) {
  const int n = s_.ReadReply();
  int error = 0;
  if (n < 2) {
    error = 103;
  } else if (s_.ReplyByte(0) != RecordByte(image_.Record(id), kCommentOffset - 1)) {
    error = 101;
  } else if (s_.ReplyByte(1) != unit::kAck) {
    error = 102;
  }
  if (error != 0) s_.ReportError(error, ErrorKind::Critical, "");
  return error == 0;
}

bool SaveKeysOperation::JudgeCommentReply(int n) {
  int error = 0;
  if (n < 1) {
    error = 105;
  } else if (s_.ReplyByte(0) != unit::kAck) {
    error = 104;
  }
  if (error != 0) s_.ReportError(error, ErrorKind::Critical, "");
  return error == 0;
}

Outcome SaveKeysOperation::EndOfKey() {
  s_.SendByte(unit::kIdle);
  s_.AppendLog(Tr(Text::KeySaved, s_.language()));
  ledger_.KeyWriteConfirmed(records_[position_]);
  if (position_ + 1 == records_.size()) return Outcome::Done;
  ++position_;
  s_.AppendLog("");
  step = 0;
  return Outcome::Going;
}

Outcome SavePauseOperation::Tick() {
  s_.AppendProgress("*");
  s_.AdvanceProgress(period_);
  // The save takes its ticks back where it left off.
  if (step == kTicks - 1 && !s_.Switch(*save_, SaveKeysOperation::kPeriod)) return Outcome::Failed;
  ++step;
  return Outcome::Going;
}

}  // namespace qel
