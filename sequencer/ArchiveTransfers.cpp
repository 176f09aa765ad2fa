#include "sequencer/ArchiveTransfers.h"

#include <utility>

#include "files/CsvExport.h"
#include "sequencer/Sequencer.h"
#include "texts/Texts.h"
#include "texts/Utf8Path.h"

namespace qel {

ArchiveTransfers::ArchiveTransfers(ArchiveHost& host)
    : host_(host),
      workImage_(std::make_unique<ImageBytes>(host.image().Bytes())),
      settings_(host.ImageFileSettings()) {}

ArchiveTransfers::~ArchiveTransfers() = default;

Language ArchiveTransfers::language() const { return host_.sequencer().language(); }

bool ArchiveTransfers::Open(TimerHost& timers) {
  runner_.emplace(timers, kTimerId,
                  OperationRunner::Hooks{.refused = [this] { sequencer().ShowTimerError(); }});
  runner_->SetRest(linkCheck_);
  return runner_->Rest(LinkCheckOperation::kPeriod);
}

void ArchiveTransfers::Close() {
  if (runner_) runner_->Stop();
}

FileResult ArchiveTransfers::RestoreImage(const std::filesystem::path& file) {
  outcome_ = ArchiveOutcome::Nothing;
  if (!host_.LinkSurvived()) return {};
  // A file damaged part-way must leave the working copy as it was.
  auto image = std::make_unique<ImageBytes>();
  ImageSettings settings{};
  const FileResult result = LoadImageFile(file, *image, settings);
  if (!result.Ok()) {
    if (result.ErrorCode() != 0)
      sequencer().ReportError(result.ErrorCode(), ErrorKind::Logged, result.Message(language()));
    return result;
  }
  sequencer().AppendLog(Tr(Text::FileLoaded, language()));
  RestoreImage(*image, settings);
  return result;
}

bool ArchiveTransfers::RestoreImage(const ImageBytes& image, const ImageSettings& settings) {
  outcome_ = ArchiveOutcome::Nothing;
  if (!host_.LinkSurvived() || !host_.BackupBeforeWholeMemoryWrite()) return false;
  // A file that never started on its way to the unit is not taken over as if it had.
  if (!runner_->Run(Chain{{&imageWrite_, &imageSettings_}, {}})) return false;
  Started();
  *workImage_ = image;
  settings_ = settings;
  restoring_ = true;
  // The file's keys replace whatever an earlier delete-all left in the unit.
  keysDeleted_ = false;
  writeFailed_ = false;
  sequencer().BeginProgress(ImageWriteOperation::kPeriod * ImageWriteOperation::kTicks +
                            ImageSettingsOperation::kPeriod * ImageSettingsOperation::kTicks);
  return true;
}

bool ArchiveTransfers::ClearAll(bool keys) {
  outcome_ = ArchiveOutcome::Nothing;
  if (!host_.LinkSurvived()) return false;
  if (keys && !host_.BackupBeforeWholeMemoryWrite()) return false;
  deleteAll_.Choose(keys);
  if (!runner_->Run(deleteAll_)) return false;
  Started();
  Sequencer& s = sequencer();
  // The unit does not say how long it will take.
  s.BeginProgress(std::chrono::milliseconds{0});
  s.SetProgressText(
      std::string(Tr(keys ? Text::ProgressDeletingAllKeys : Text::ProgressDeletingAllLogs, language())));
  return true;
}

FileResult ArchiveTransfers::SaveImage(const std::filesystem::path& file) {
  const FileResult result = SaveImageFile(file, *workImage_, settings_);
  if (result.Ok()) sequencer().AppendLog(TrFormat(Text::MemorySavedToPc, language(), {Utf8FromPath(file)}));
  return result;
}

FileResult ArchiveTransfers::ExportCsv(const std::filesystem::path& file) {
  const FileResult result = ExportCsvFile(file, *workImage_, settings_.recordSize, language());
  if (result.Ok()) sequencer().AppendLog(TrFormat(Text::KymWrote, language(), {Utf8FromPath(file)}));
  return result;
}

void ArchiveTransfers::Started() {
  outcome_ = ArchiveOutcome::Running;
  advice_.clear();
}

void ArchiveTransfers::Finish() {
  state_ = ArchiveState::Ready;
  outcome_ = ArchiveOutcome::Done;
  RestoreEnded();
}

void ArchiveTransfers::RestoreEnded() {
  if (!std::exchange(restoring_, false)) return;
  host_.ImageRestored(*workImage_, settings_);
}

void ArchiveTransfers::KeysDeleted() {
  host_.AllKeysDeleted();
  keysDeleted_ = true;
}

void ArchiveTransfers::LinkError(int code) {
  Close();
  sequencer().ReportError(code, ErrorKind::LinkLost, "");
  advice_.clear();
  state_ = ArchiveState::Failed;
  outcome_ = ArchiveOutcome::Failed;
  RestoreEnded();
}

void ArchiveTransfers::WriteError(int code, ArchiveState state) {
  // The runner stops before the error box, which would otherwise let it tick on underneath.
  Close();
  writeFailed_ = true;
  Sequencer& s = sequencer();
  s.ReportError(code, ErrorKind::Critical, "");
  state_ = state;
  outcome_ = ArchiveOutcome::Failed;
  advice_ = Tr(Text::RestoreFailedAdvice, language());
  if (host_.lastBackup())
    advice_ += "\n" + TrFormat(Text::BackupBeforeRestore, language(), {Utf8FromPath(*host_.lastBackup())});
  s.AppendLog(advice_);
  RestoreEnded();
}

}  // namespace qel
