#include "dialogs/ArchiveDialog.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <utility>

#include "files/AutomaticBackup.h"
#include "sequencer/Sequencer.h"
#include "texts/Texts.h"
#include "texts/Utf8Path.h"

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
  const std::optional<std::filesystem::path> path = window_->AskSaveFile(
      Tr(Text::SaveImageCaption, l), Tr(Text::ImageFileFilter, l), "kym", ProposedName("kym"));
  if (!path) return;
  if (const FileResult result = work_.SaveImage(*path); !result.Ok()) ShowFileError(result);
}

void ArchiveDialog::ExportCsv() {
  const Language l = language();
  const std::optional<std::filesystem::path> path = window_->AskSaveFile(
      Tr(Text::ExportCaption, l), Tr(Text::CsvFileFilter, l), "csv", ProposedName("csv"));
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

bool ArchiveDialog::ImportKeys() {
  const Language l = language();
  const std::optional<std::filesystem::path> path =
      window_->AskOpenFile(Tr(Text::ImportCaption, l), Tr(Text::CsvFileFilter, l));
  if (!path || !host_.LinkSurvived()) return false;
  std::ifstream file(*path, std::ios::binary);
  std::ostringstream bytes;
  if (!file || !(bytes << file.rdbuf())) {
    window_->ShowMessage(TrFormat(Text::CtlCannotRead, l, {Utf8FromPath(*path)}));
    return false;
  }
  const CsvImport parsed = ParseCsvImport(bytes.str());
  ImportPlan plan = PlanImport(parsed.keys, host_.image());
  if (const std::string refusal = ImportRefusal(parsed, plan, l); !refusal.empty()) {
    window_->ShowMessage(refusal);
    return false;
  }
  if (plan.keys.empty()) {
    std::string text;
    for (const ImportSkip& skip : plan.skipped) text += ImportSkipMessage(skip, l) + '\n';
    window_->ShowMessage(text + std::string(Tr(Text::ImportNothingToAdd, l)));
    return false;
  }
  if (!window_->PreviewImport(plan) || !host_.LinkSurvived()) return false;
  import_ = std::move(plan);
  return true;
}

void ArchiveDialog::DeleteAll(bool keys) {
  if (!window_->Confirm(Tr(keys ? Text::ConfirmDeleteAllKeys : Text::ConfirmDeleteAllLogs, language())))
    return;
  keys ? work_.ClearKeys() : work_.ClearLogs();
}

std::string ArchiveDialog::ProposedName(std::string_view suffix) const {
  const LocalTime now = host_.sequencer().Now();
  char date[16];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", now.year % 10000, now.month % 100, now.day % 100);
  return ProposedFileName(host_.ElevatorName(), date, suffix);
}

void ArchiveDialog::ShowFileError(const FileResult& result) {
  const Language l = language();
  const std::string name = Utf8FromPath(result.path);
  if (result.ErrorCode() == 0)
    window_->ShowMessage(result.Message(l));
  else
    window_->ShowMessage(result.error == FileError::Damaged
                             ? TrFormat(Text::KymFileDamaged, l, {name})
                             : TrFormat(Text::KymFileDamagedAt, l, {name, std::to_string(result.position)}));
}

}  // namespace qel
