#include "dialogs/ArchiveDialog.h"

#include "texts/Texts.h"

namespace qel {

bool ArchiveDialog::Open(ArchiveDialogWindow& window, TimerHost& timers) {
  window_ = &window;
  return work_.Open(timers);
}

void ArchiveDialog::OnTimer(int id) {
  work_.OnTimer(id);
  if (work_.state() == shown_) return;
  shown_ = work_.state();
  window_->SetButtons(shown_);
  if ((shown_ == ArchiveState::Failed || shown_ == ArchiveState::SettingsFailed) &&
      !work_.recoveryAdvice().empty())
    window_->ShowMessage(work_.recoveryAdvice());
}

void ArchiveDialog::SaveImage() {
  const Language l = language();
  const std::optional<std::filesystem::path> path =
      window_->AskSaveFile(Tr(Text::SaveImageCaption, l), Tr(Text::ImageFileFilter, l), "kym");
  if (!path) return;
  if (const FileResult result = work_.SaveImage(*path); !result.Ok()) ShowFileError(result);
}

void ArchiveDialog::ExportCsv() {
  const Language l = language();
  const std::optional<std::filesystem::path> path =
      window_->AskSaveFile(Tr(Text::ExportCaption, l), Tr(Text::CsvFileFilter, l), "csv");
  if (!path) return;
  if (const FileResult result = work_.ExportCsv(*path); !result.Ok()) ShowFileError(result);
}

void ArchiveDialog::LoadImage() {
  const Language l = language();
  if (!window_->Confirm(Tr(Text::ConfirmRewriteAllKeys, l)) || !host_.LinkSurvived()) return;
  const std::optional<std::filesystem::path> path =
      window_->AskOpenFile(Tr(Text::OpenImageCaption, l), Tr(Text::ImageFileFilter, l));
  if (!path) return;
  if (const FileResult result = work_.RestoreImage(*path); !result.Ok()) ShowFileError(result);
}

void ArchiveDialog::DeleteAll(bool keys) {
  if (!window_->Confirm(Tr(keys ? Text::ConfirmDeleteAllKeys : Text::ConfirmDeleteAllLogs, language())))
    return;
  keys ? work_.ClearKeys() : work_.ClearLogs();
}

void ArchiveDialog::ShowFileError(const FileResult& result) {
  const Language l = language();
  const std::string name = result.path.string();
  if (result.ErrorCode() == 0)
    window_->ShowMessage(result.Message(l));
  else
    window_->ShowMessage(result.error == FileError::Damaged
                             ? TrFormat(Text::KymFileDamaged, l, {name})
                             : TrFormat(Text::KymFileDamagedAt, l, {name, std::to_string(result.position)}));
}

}  // namespace qel
