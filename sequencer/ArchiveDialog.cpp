#include "sequencer/ArchiveDialog.h"

#include "files/CsvExport.h"
#include "sequencer/UnitController.h"
#include "texts/Texts.h"

namespace qel {

ArchiveDialog::ArchiveDialog(UnitController& controller)
    : c_(controller),
      workImage_(std::make_unique<ImageBytes>(controller.image().Bytes())),
      settings_(controller.ImageFileSettings()) {}

ArchiveDialog::~ArchiveDialog() = default;

Language ArchiveDialog::language() const { return c_.language(); }

Sequencer& ArchiveDialog::sequencer() { return c_.sequencer(); }

bool ArchiveDialog::Open(ArchiveDialogWindow& window, TimerHost& timers) {
  window_ = &window;
  runner_.emplace(timers, kTimerId,
                  OperationRunner::Hooks{.refused = [this] { sequencer().ShowTimerError(); }});
  runner_->SetRest(linkCheck_);
  return runner_->Rest(LinkCheckOperation::kPeriod);
}

void ArchiveDialog::OnTimer(int id) { runner_->OnTimer(id); }

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
  // A file that never started on its way to the unit is not taken over as if it had.
  if (!runner_->Run(Chain{{&imageWrite_, &imageSettings_}, {}})) return;
  *workImage_ = *image;
  settings_ = settings;
  imageLoaded_ = true;
  // The file's keys replace whatever an earlier delete-all left in the unit.
  keysDeleted_ = false;
  writeFailed_ = false;
  s.BeginProgress(ImageWriteOperation::kPeriod * ImageWriteOperation::kTicks +
                  ImageSettingsOperation::kPeriod * ImageSettingsOperation::kTicks);
}

void ArchiveDialog::DeleteAll(bool keys) {
  const Language l = language();
  if (!window_->Confirm(Tr(keys ? Text::ConfirmDeleteAllKeys : Text::ConfirmDeleteAllLogs, l)) ||
      !c_.LinkSurvived())
    return;
  if (keys && !c_.BackupBeforeWholeMemoryWrite()) return;
  deleteAll_.Choose(keys);
  if (!runner_->Run(deleteAll_)) return;
  Sequencer& s = sequencer();
  // The unit does not say how long it will take.
  s.BeginProgress(std::chrono::milliseconds{0});
  s.SetProgressText(std::string(Tr(keys ? Text::ProgressDeletingAllKeys : Text::ProgressDeletingAllLogs, l)));
}

void ArchiveDialog::Close() {
  if (runner_) runner_->Stop();
}

void ArchiveDialog::KeysDeleted() {
  c_.image().ClearImage();
  c_.RefillKeyList();
  keysDeleted_ = true;
}

void ArchiveDialog::LinkError(int code) {
  Close();
  c_.sequencer().ReportError(code, ErrorKind::LinkLost, "");
  window_->SetButtons(ArchiveButtons::Failed);
}

void ArchiveDialog::WriteError(int code, ArchiveButtons pattern) {
  // The runner stops before the error box, which would otherwise let it tick on underneath.
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
