#include "sequencer/ArchiveDialog.h"

#include <algorithm>
#include <array>

#include "files/CsvExport.h"
#include "link/UnitCommands.h"
#include "sequencer/UnitController.h"
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

// The settings after an image: the settings write's groups, each command, value and reply on a
// tick of its own, with unread input dropped in places of their own.
constexpr std::array<SettingGroup, 3> kImageSettingGroups{
    kRecordSizeGroup.Discarding(SettingGroup::Discard::BeforeValue),
    kAccessTimeGroup.Discarding(SettingGroup::Discard::BeforeCommand),
    kRelayGroup.WithValue(&ImageRelayByte),
};
constexpr int kSettingsSteps = static_cast<int>(kImageSettingGroups.size()) * SettingGroup::kTicks;

}  // namespace

ArchiveDialog::ArchiveDialog(UnitController& controller)
    : c_(controller),
      workImage_(std::make_unique<ImageBytes>(controller.image().Bytes())),
      settings_(controller.ImageFileSettings()) {}

ArchiveDialog::~ArchiveDialog() = default;

Language ArchiveDialog::language() const { return c_.language(); }

bool ArchiveDialog::Open(ArchiveDialogWindow& window, TimerHost& timers) {
  window_ = &window;
  timers_ = &timers;
  if (!timers.StartTimer(kLinkCheckTimer, kLinkCheckPeriod)) {
    timerId_ = -1;
    c_.sequencer().ShowTimerError();
    return false;
  }
  timerId_ = kLinkCheckTimer;
  step_ = 0;
  keysDeleted_ = false;
  imageLoaded_ = false;
  lineFeedCount_ = 0;
  missedReplies_ = 0;
  return true;
}

void ArchiveDialog::OnTimer(int id) {
  if (id != timerId_) return;
  switch (id) {
    case kLinkCheckTimer:
      LinkCheckTick();
      break;
    case kDeleteAllTimer:
      DeleteAllTick();
      break;
    case kImageWriteTimer:
      ImageWriteTick();
      break;
    case kImageSettingsTimer:
      ImageSettingsTick();
      break;
    default:
      break;
  }
}

void ArchiveDialog::SaveImage() {
  const Language l = language();
  const std::optional<std::filesystem::path> path =
      window_->AskSaveFile(Tr(Text::SaveImageCaption, l), Tr(Text::ImageFileFilter, l), "kym");
  if (!path) return;
  const FileResult result = SaveImageFile(*path, *workImage_, settings_);
  if (!result.Ok()) ShowFileError(result);
}

void ArchiveDialog::ExportCsv() {
  const Language l = language();
  const std::optional<std::filesystem::path> path =
      window_->AskSaveFile(Tr(Text::ExportCaption, l), Tr(Text::CsvFileFilter, l), "csv");
  if (!path) return;
  const FileResult result = ExportCsvFile(*path, *workImage_, settings_.recordSize, l);
  if (!result.Ok()) {
    ShowFileError(result);
    return;
  }
  c_.sequencer().AppendLog(Tr(Text::DataExported, l));
}

void ArchiveDialog::LoadImage() {
  const Language l = language();
  if (!window_->Confirm(Tr(Text::ConfirmRewriteAllKeys, l)) || !c_.LinkSurvived()) return;
  const std::optional<std::filesystem::path> path =
      window_->AskOpenFile(Tr(Text::OpenImageCaption, l), Tr(Text::ImageFileFilter, l));
  if (!path || !c_.LinkSurvived()) return;
  // A file damaged part-way must leave the working copy as it was.
  auto image = std::make_unique<ImageBytes>();
  ImageSettings settings{};
  const FileResult result = LoadImageFile(*path, *image, settings);
  if (!result.Ok()) {
    ShowFileError(result);
    return;
  }
  Sequencer& s = c_.sequencer();
  s.AppendLog(Tr(Text::FileLoaded, l));
  if (!c_.BackupBeforeWholeMemoryWrite()) return;
  SwitchTimer(kImageWriteTimer, kImageWritePeriod);
  // A file that never started on its way to the unit is not taken over as if it had.
  if (timerId_ < 0) return;
  *workImage_ = *image;
  settings_ = settings;
  imageLoaded_ = true;
  // The file's keys replace whatever an earlier delete-all left in the unit.
  keysDeleted_ = false;
  step_ = kStartWrite;
  writeFailed_ = false;
  // The start bytes and their reply take a tick each before the blocks.
  s.BeginProgress(kImageWritePeriod * (BlockTransfer::kTicks + 2) + kImageSettingsPeriod * kSettingsSteps);
}

void ArchiveDialog::DeleteAll(bool keys) {
  const Language l = language();
  if (!window_->Confirm(Tr(keys ? Text::ConfirmDeleteAllKeys : Text::ConfirmDeleteAllLogs, l)) ||
      !c_.LinkSurvived())
    return;
  if (keys && !c_.BackupBeforeWholeMemoryWrite()) return;
  deleteKeys_ = keys;
  SwitchTimer(kDeleteAllTimer, kDeleteAllPeriod);
  if (timerId_ < 0) return;
  step_ = kSendFirst;
  Sequencer& s = c_.sequencer();
  // The unit does not say how long it will take.
  s.BeginProgress(std::chrono::milliseconds{0});
  s.SetProgressText(std::string(Tr(keys ? Text::ProgressDeletingAllKeys : Text::ProgressDeletingAllLogs, l)));
}

void ArchiveDialog::Close() {
  if (timerId_ > 0) timers_->StopTimer(timerId_);
  timerId_ = 0;
  transferRunning_ = false;
}

void ArchiveDialog::SwitchTimer(int id, std::chrono::milliseconds period) {
  if (timerId_ > 0) timers_->StopTimer(timerId_);
  transferRunning_ = false;
  if (!timers_->StartTimer(id, period)) {
    timerId_ = -1;
    c_.sequencer().ShowTimerError();
    return;
  }
  timerId_ = id;
  transferRunning_ = id != kLinkCheckTimer;
}

void ArchiveDialog::LinkCheckTick() {
  Sequencer& s = c_.sequencer();
  if (step_ == 0) {
    s.SendByte(unit::kPing);
    step_ = 1;
    return;
  }
  step_ = 0;
  const int n = s.ReadReply();
  ++missedReplies_;
  for (int i = 0; i < n; ++i)
    if (s.ReplyByte(i) == unit::kAck) missedReplies_ = 0;
  if (missedReplies_ > kMaxMissedChecks) LinkError(600);
}

void ArchiveDialog::DeleteAllTick() {
  Sequencer& s = c_.sequencer();
  const auto& sequence = deleteKeys_ ? unit::kDeleteAllKeys : unit::kDeleteAllLogs;
  s.AdvanceProgress(kDeleteAllPeriod);
  switch (step_) {
    case kSendFirst:
      window_->SetButtons(ArchiveButtons::Busy);
      s.DiscardInput();
      s.SendByte(sequence[0]);
      break;
    case kSendSecond:
      s.SendByte(sequence[1]);
      break;
    case kSendThird:
      s.SendByte(sequence[2]);
      break;
    case kJudgeStart: {
      const int n = s.ReadReply();
      if (n < 1 || s.ReplyByte(0) != unit::kEraseStarted) {
        LinkError(deleteKeys_ ? 521 : 522);
        return;
      }
      s.AppendLog("");
      ++step_;
      // A quick unit's progress and completion may ride in the same reply.
      TakeDeleteReply(1, n);
      return;
    }
    default: {
      const int n = s.ReadReply();
      if (n == 0) {
        LinkError(deleteKeys_ ? 525 : 526);
        return;
      }
      TakeDeleteReply(0, n);
      return;
    }
  }
  ++step_;
}

bool ArchiveDialog::TakeDeleteReply(int first, int length) {
  Sequencer& s = c_.sequencer();
  for (int i = first; i < length; ++i) {
    const std::uint8_t b = s.ReplyByte(i);
    if (b == unit::kEraseProgress) {
      if (++lineFeedCount_ >= kLineFeedsPerMark) {
        s.AppendProgress("*");
        lineFeedCount_ = 0;
      }
    } else if (b == unit::kEraseDone) {
      FinishDeleteAll();
      return false;
    } else {
      LinkError(deleteKeys_ ? 523 : 524);
      return false;
    }
  }
  return true;
}

void ArchiveDialog::FinishDeleteAll() {
  Sequencer& s = c_.sequencer();
  const Language l = language();
  if (deleteKeys_) {
    s.AppendLog(Tr(Text::AllKeysDeleted, l));
    c_.image().ClearImage();
    c_.RefillKeyList();
    keysDeleted_ = true;
  } else {
    s.AppendLog(Tr(Text::AllLogsDeleted, l));
  }
  s.EndProgress();
  window_->SetButtons(ArchiveButtons::Ready);
  SwitchTimer(kLinkCheckTimer, kLinkCheckPeriod);
  step_ = 0;
}

void ArchiveDialog::ImageWriteTick() {
  Sequencer& s = c_.sequencer();
  s.SetProgressText(TrFormatInts(Text::ProgressWritingImage, language(),
                                 {std::min(blocks_.block + 1, unit::kBlockCount), unit::kBlockCount}));
  s.AdvanceProgress(kImageWritePeriod);
  if (step_ == kStartWrite) {
    window_->SetButtons(ArchiveButtons::Busy);
    s.DiscardInput();
    for (std::uint8_t b : unit::kWriteMemory) s.SendByte(b);
    step_ = kJudgeWriteStart;
    return;
  }
  if (step_ == kJudgeWriteStart) {
    const int n = s.ReadReply();
    if (n == 0 || s.ReplyByte(0) != unit::kWriteReady) {
      WriteError(n == 0 ? 530 : 531, ArchiveButtons::Failed);
      return;
    }
    step_ = kWriteBlocks;
    blocks_.Restart();
    s.AppendLog("");
    return;
  }
  switch (blocks_.Tick(s, *workImage_)) {
    case BlockTransfer::Result::Going:
      return;
    case BlockTransfer::Result::Failed:
      WriteError(blocks_.error, ArchiveButtons::Failed);
      return;
    case BlockTransfer::Result::Done:
      settingsStep_ = 0;
      SwitchTimer(kImageSettingsTimer, kImageSettingsPeriod);
      return;
  }
}

void ArchiveDialog::ImageSettingsTick() {
  Sequencer& s = c_.sequencer();
  s.AdvanceProgress(kImageSettingsPeriod);
  const SettingGroup& group =
      kImageSettingGroups[static_cast<std::size_t>(settingsStep_ / SettingGroup::kTicks)];
  if (const int error = group.Tick(s, settingsStep_++ % SettingGroup::kTicks, settings_)) {
    WriteError(error, ArchiveButtons::SettingsFailed);
    return;
  }
  if (settingsStep_ < kSettingsSteps) return;
  s.EndProgress();
  window_->SetButtons(ArchiveButtons::Ready);
  SwitchTimer(kLinkCheckTimer, kLinkCheckPeriod);
  step_ = 0;
}

void ArchiveDialog::LinkError(int code) {
  Close();
  c_.sequencer().ReportError(code, ErrorKind::LinkLost, "");
  window_->SetButtons(ArchiveButtons::Failed);
}

void ArchiveDialog::WriteError(int code, ArchiveButtons pattern) {
  // The timer stops before the error box, which would otherwise let it tick on underneath.
  Close();
  writeFailed_ = true;
  Sequencer& s = c_.sequencer();
  s.ReportError(code, ErrorKind::Critical, "");
  window_->SetButtons(pattern);
  std::string advice(Tr(Text::RestoreFailedAdvice, language()));
  if (c_.lastBackup())
    advice += "\n" + TrFormat(Text::BackupBeforeRestore, language(), {c_.lastBackup()->string()});
  s.AppendLog(advice);
  window_->ShowMessage(advice);
}

void ArchiveDialog::ShowFileError(const FileResult& result) {
  const Language l = language();
  const std::string name = result.path.string();
  if (result.ErrorCode() != 0) {
    c_.sequencer().ReportError(result.ErrorCode(), ErrorKind::Logged, result.Message(l));
    window_->ShowMessage(result.error == FileError::Damaged
                             ? TrFormat(Text::KymFileDamaged, l, {name})
                             : TrFormat(Text::KymFileDamagedAt, l, {name, std::to_string(result.position)}));
    return;
  }
  window_->ShowMessage(result.Message(l));
}

}  // namespace qel
