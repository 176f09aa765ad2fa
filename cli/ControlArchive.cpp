#include <filesystem>
#include <iostream>
#include <string>

#include "cli/Control.h"
#include "cli/KymCommand.h"
#include "files/ImageFile.h"
#include "texts/Texts.h"

// backup, export, restore, clear-keys and clear-logs: the archive dialog's transfers.

namespace qel {

int Control::Save() {
  const std::filesystem::path file(Operand());
  if (!MayWrite(file)) return kExitBadInput;
  view_->fileToSave = file;
  const bool backup = a_.words[0] == "backup";
  const std::string report = TrFormat(backup ? Text::CtlSaved : Text::KymWrote, l_, {file.string()});
  return WithUnit([&](ControlSession& s) {
    return RunArchive(
        s, [backup](ArchiveDialog& d) { backup ? d.SaveImage() : d.ExportCsv(); }, report);
  });
}

int Control::Restore() {
  const std::filesystem::path file(Operand());
  ImageBytes image{};
  ImageSettings settings{};
  if (const FileResult result = LoadImageFile(file, image, settings); !result.Ok()) {
    ReportFileError(result, l_, err_);
    return kExitBadInput;
  }
  if (!Ask(Text::ConfirmRewriteAllKeys)) return Refuse(Text::CtlNotChanged);
  view_->fileToOpen = file;
  const std::string report = TrFormat(Text::CtlRestored, l_, {file.string()});
  return WithUnit([&](ControlSession& s) {
    return RunArchive(
        s, [](ArchiveDialog& d) { d.LoadImage(); }, report);
  });
}

int Control::Clear() {
  const bool keys = a_.words[0] == "clear-keys";
  if (!Ask(keys ? Text::ConfirmDeleteAllKeys : Text::ConfirmDeleteAllLogs))
    return Refuse(Text::CtlNotChanged);
  return WithUnit([&](ControlSession& s) {
    return RunArchive(
        s, [keys](ArchiveDialog& d) { keys ? d.DeleteAllKeys() : d.DeleteAllLogs(); },
        Tr(keys ? Text::AllKeysDeleted : Text::AllLogsDeleted, l_));
  });
}

bool Control::MayWrite(const std::filesystem::path& path) {
  std::error_code error;
  if (std::filesystem::exists(path, error) && !Flag("--force")) {
    Refuse(Text::CtlFileExists, {path.string()});
    return false;
  }
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  if (!std::filesystem::is_directory(folder, error)) {
    Refuse(Text::CtlNoFolder, {path.string()});
    return false;
  }
  return true;
}

int Control::RunArchive(ControlSession& session, const std::function<void(ArchiveDialog&)>& function,
                        std::string_view report) {
  bool done = false;
  view_->runArchiveDialog = [&](ArchiveDialog& dialog) {
    TickLoop::Timers timers(session.loop(), [&dialog](int id) { dialog.OnTimer(id); });
    if (dialog.Open(*view_, timers)) {
      const int boxes = view_->boxesShown;
      function(dialog);
      session.loop().RunUntil([&dialog] { return dialog.MayClose(); });
      if (!dialog.MayClose()) StoppedTransfer(session);
      done = view_->boxesShown == boxes && !dialog.writeFailed() && dialog.MayClose();
    }
    dialog.Close();
  };
  session.controller().OpenArchive();
  session.Settle();
  if (!done) return kExitUnitFailed;
  out_ << report << '\n';
  return kExitDone;
}

void Control::StoppedTransfer(ControlSession& session) {
  session.StoppedTransfer();
  const UnitController& c = session.controller();
  const std::string backup = c.lastBackup() ? c.lastBackup()->string() : "-";
  const std::string_view command = a_.words[0];
  if (command == "restore")
    view_->Message(TrFormat(Text::MemoryHalfWritten, l_, {backup}));
  else if (command == "clear-keys")
    view_->Message(TrFormat(Text::KeysPartlyDeleted, l_, {backup}));
  else
    view_->Message(Tr(Text::LogsPartlyDeleted, l_));
}

}  // namespace qel
