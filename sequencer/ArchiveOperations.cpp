#include "sequencer/ArchiveOperations.h"

#include <algorithm>
#include <array>

#include "link/UnitCommands.h"
#include "sequencer/ArchiveTransfers.h"
#include "sequencer/Sequencer.h"
#include "texts/Texts.h"

namespace qel {
namespace {

enum DeleteStep : int { kSendFirst = 0, kSendSecond = 1, kSendThird = 2, kJudgeStart = 3 };
enum ImageStep : int { kStartWrite = 0, kJudgeWriteStart = 1, kWriteBlocks = 2 };
constexpr std::uint8_t kPermanentAccessBits = 0xC0;

// The relay byte that goes with an image: permanent access is marked with both top bits.
std::uint8_t ImageRelayByte(const ImageSettings& settings) {
  return static_cast<std::uint8_t>(RelayByte(settings) |
                                   (settings.accessTime == 0 ? kPermanentAccessBits : 0));
}

// The settings write's groups, each command, value and reply on a tick of its own, with unread
// input dropped in places of their own.
constexpr std::array<SettingGroup, ImageSettingsOperation::kGroups> kImageSettingGroups{
    kRecordSizeGroup.Discarding(SettingGroup::Discard::BeforeValue),
    kAccessTimeGroup.Discarding(SettingGroup::Discard::BeforeCommand),
    kRelayGroup.WithValue(&ImageRelayByte),
};

}  // namespace

Outcome LinkCheckOperation::Tick() {
  Sequencer& s = work_.sequencer();
  if (step == 0) {
    s.SendByte(unit::kPing);
    step = 1;
    return Outcome::Going;
  }
  step = 0;
  if (!missed_.Judge(s)) return Outcome::Going;
  work_.LinkError(600);
  return Outcome::Failed;
}

Outcome DeleteAllOperation::Tick() {
  Sequencer& s = work_.sequencer();
  const auto& sequence = keys_ ? unit::kDeleteAllKeys : unit::kDeleteAllLogs;
  s.AdvanceProgress(kPeriod);
  switch (step) {
    case kSendFirst:
      work_.Start();
      s.DiscardInput();
      s.SendByte(sequence[0]);
      break;
    case kSendSecond:
      s.SendByte(sequence[1]);
      break;
    case kSendThird:
      s.SendByte(sequence[2]);
      break;
    case kJudgeStart:
      return JudgeStart();
    default: {
      const int n = s.ReadReply();
      if (n == 0) return Lost(525, 526);
      return TakeReply(0, n);
    }
  }
  ++step;
  return Outcome::Going;
}

Outcome DeleteAllOperation::JudgeStart() {
  Sequencer& s = work_.sequencer();
  const int n = s.ReadReply();
  if (n < 1 || s.ReplyByte(0) != unit::kEraseStarted) return Lost(521, 522);
  s.AppendLog("");
  ++step;
  // A quick unit's progress and completion may ride in the same reply.
  return TakeReply(1, n);
}

Outcome DeleteAllOperation::TakeReply(int first, int length) {
  Sequencer& s = work_.sequencer();
  for (int i = first; i < length; ++i) {
    const std::uint8_t b = s.ReplyByte(i);
    if (b == unit::kEraseDone) return Finish();
    if (b != unit::kEraseProgress) return Lost(523, 524);
    if (++lineFeedCount_ >= kLineFeedsPerMark) {
      s.AppendProgress("*");
      lineFeedCount_ = 0;
    }
  }
  return Outcome::Going;
}

Outcome DeleteAllOperation::Finish() {
  Sequencer& s = work_.sequencer();
  s.AppendLog(Tr(keys_ ? Text::AllKeysDeleted : Text::AllLogsDeleted, work_.language()));
  if (keys_) work_.KeysDeleted();
  s.EndProgress();
  work_.Finish();
  return Outcome::Done;
}

Outcome DeleteAllOperation::Lost(int keysCode, int logsCode) {
  work_.LinkError(keys_ ? keysCode : logsCode);
  return Outcome::Failed;
}

Outcome ImageWriteOperation::Tick() {
  Sequencer& s = work_.sequencer();
  blocks_.ShowProgress(s, Text::ProgressWritingImage, kPeriod);
  if (step == kStartWrite) {
    work_.Start();
    s.DiscardInput();
    for (std::uint8_t b : unit::kWriteMemory) s.SendByte(b);
    step = kJudgeWriteStart;
    return Outcome::Going;
  }
  if (step == kJudgeWriteStart) return JudgeStart();
  switch (blocks_.Tick(s, work_.workImage())) {
    case BlockTransfer::Result::Going:
      return Outcome::Going;
    case BlockTransfer::Result::Failed:
      work_.WriteError(blocks_.error, ArchiveState::Failed);
      return Outcome::Failed;
    case BlockTransfer::Result::Done:
      break;
  }
  return Outcome::Done;
}

Outcome ImageWriteOperation::JudgeStart() {
  Sequencer& s = work_.sequencer();
  const int n = s.ReadReply();
  if (n == 0 || s.ReplyByte(0) != unit::kWriteReady) {
    work_.WriteError(n == 0 ? 530 : 531, ArchiveState::Failed);
    return Outcome::Failed;
  }
  step = kWriteBlocks;
  blocks_.Restart();
  s.AppendLog("");
  return Outcome::Going;
}

Outcome ImageSettingsOperation::Tick() {
  Sequencer& s = work_.sequencer();
  s.AdvanceProgress(kPeriod);
  const SettingGroup& group = kImageSettingGroups[static_cast<std::size_t>(step / SettingGroup::kTicks)];
  if (const int error = group.Tick(s, step++ % SettingGroup::kTicks, work_.settings())) {
    work_.WriteError(error, ArchiveState::SettingsFailed);
    return Outcome::Failed;
  }
  if (step < kTicks) return Outcome::Going;
  s.EndProgress();
  work_.Finish();
  return Outcome::Done;
}

}  // namespace qel
