#include <filesystem>
#include <iostream>
#include <string>

#include "cli/Control.h"
#include "cli/KymCommand.h"
#include "files/ImageFile.h"
#include "sequencer/ArchiveTransfers.h"
#include "texts/Texts.h"
#include "texts/Utf8Path.h"

// backup, export, restore, clear-keys and clear-logs: the archive's commands, without its dialog.

namespace qel {

int Control::Save() {
  const std::filesystem::path file = PathFromUtf8(Operand());
  if (!MayWrite(file)) return kExitBadInput;
  const bool backup = a_.words[0] == "backup";
  const std::string report = TrFormat(backup ? Text::CtlSaved : Text::KymWrote, l_, {Utf8FromPath(file)});
  return WithUnit([&](ControlSession& s) {
    return RunArchive(
        s,
        [&](ArchiveTransfers& work) {
          const FileResult result = backup ? work.SaveImage(file) : work.ExportCsv(file);
          if (!result.Ok()) view_->ShowMessageBox("", result.Message(l_));
          return result.Ok();
        },
        report);
  });
}

int Control::Restore() {
  const std::filesystem::path file = PathFromUtf8(Operand());
  ImageBytes image{};
  ImageSettings settings{};
  if (const FileResult result = LoadImageFile(file, image, settings); !result.Ok()) {
    ReportFileError(result, l_, err_);
    return kExitBadInput;
  }
  if (!Ask(Text::ConfirmRewriteAllKeys)) return Refuse(Text::CtlNotChanged);
  const std::string report = TrFormat(Text::CtlRestored, l_, {Utf8FromPath(file)});
  return WithUnit([&](ControlSession& s) {
    return RunArchive(
        s,
        [&](ArchiveTransfers& work) {
          // Read again, as the file may have changed while the unit was reached.
          const FileResult result = work.RestoreImage(file);
          if (!result.Ok()) ReportFileError(result, l_, err_);
          return work.outcome() == ArchiveOutcome::Running;
        },
        report);
  });
}

int Control::Clear() {
  const bool keys = a_.words[0] == "clear-keys";
  if (!Ask(keys ? Text::ConfirmDeleteAllKeys : Text::ConfirmDeleteAllLogs))
    return Refuse(Text::CtlNotChanged);
  return WithUnit([&](ControlSession& s) {
    return RunArchive(
        s, [keys](ArchiveTransfers& work) { return keys ? work.ClearKeys() : work.ClearLogs(); },
        Tr(keys ? Text::AllKeysDeleted : Text::AllLogsDeleted, l_));
  });
}

bool Control::MayWrite(const std::filesystem::path& path) {
  std::error_code error;
  if (std::filesystem::exists(path, error) && !Flag("--force")) {
    Refuse(Text::CtlFileExists, {Utf8FromPath(path)});
    return false;
  }
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  if (!std::filesystem::is_directory(folder, error)) {
    Refuse(Text::CtlNoFolder, {Utf8FromPath(path)});
    return false;
  }
  return true;
}

int Control::RunArchive(ControlSession& session, const std::function<bool(ArchiveTransfers&)>& command,
                        std::string_view report) {
  UnitController& c = session.controller();
  ArchiveTransfers work(c);
  c.BeginArchive();
  bool done = false;
  {
    TickLoop::Timers timers(session.loop(), [&work](int id) { work.OnTimer(id); });
    session.SetArchive(&work);
    if (work.Open(timers) && command(work)) {
      session.loop().RunUntil([&work] { return !work.Busy(); });
      if (work.Busy()) StoppedTransfer(session);
      if (!work.recoveryAdvice().empty()) view_->ShowMessageBox("", work.recoveryAdvice());
      done = !work.Busy() && work.outcome() != ArchiveOutcome::Failed;
    }
    work.Close();
    session.SetArchive(nullptr);
  }
  c.EndArchive(work);
  session.Settle();
  if (!done) return kExitUnitFailed;
  out_ << report << '\n';
  return kExitDone;
}

void Control::StoppedTransfer(ControlSession& session) {
  session.StoppedTransfer();
  const UnitController& c = session.controller();
  const std::string backup = c.lastBackup() ? Utf8FromPath(*c.lastBackup()) : "-";
  const std::string_view command = a_.words[0];
  if (command == "restore")
    view_->Message(TrFormat(Text::MemoryHalfWritten, l_, {backup}));
  else if (command == "clear-keys")
    view_->Message(TrFormat(Text::KeysPartlyDeleted, l_, {backup}));
  else
    view_->Message(Tr(Text::LogsPartlyDeleted, l_));
}

}  // namespace qel
