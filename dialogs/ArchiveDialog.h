#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "dialogs/KeyImport.h"
#include "files/FileResult.h"
#include "sequencer/ArchiveTransfers.h"
#include "texts/Language.h"

namespace qel {

class TimerHost;

// The archive dialog's window as its logic sees it.
class ArchiveDialogWindow {
 public:
  virtual ~ArchiveDialogWindow() = default;
  // The buttons follow the work's state: Busy nothing, Cancel included; Ready everything; Failed
  // copying to the PC and Cancel; SettingsFailed Cancel alone.
  virtual void SetButtons(ArchiveState state) = 0;
  // A box with an OK button and the application's caption.
  virtual void ShowMessage(std::string_view text) = 0;
  // The confirmation dialog: true only when the operator ticked its box and pressed OK.
  virtual bool Confirm(std::string_view prompt) = 0;
  // File dialogs; none when cancelled. The save dialog proposes `name`, adds `suffix` when the
  // operator leaves it out and replaces an existing file only once the operator agrees.
  virtual std::optional<std::filesystem::path> AskOpenFile(std::string_view caption,
                                                           std::string_view filter) = 0;
  virtual std::optional<std::filesystem::path> AskSaveFile(std::string_view caption, std::string_view filter,
                                                           std::string_view suffix,
                                                           std::string_view name) = 0;
  // What an import will add and skip; true when the operator goes on.
  virtual bool PreviewImport(const ImportPlan& plan) = 0;
};

// The logic of the archive dialog, free of any widget: its five buttons, the confirmations, the
// file dialogs and the messages. The work with the unit is the archive's (ArchiveTransfers), which
// runs on the dialog's timer host while the dialog is open and records what happened for the
// archive command to take over once the dialog has closed.
class ArchiveDialog {
 public:
  static constexpr int kTimerId = ArchiveTransfers::kTimerId;

  explicit ArchiveDialog(ArchiveHost& host) : host_(host), work_(host) {}

  Language language() const { return work_.language(); }

  // The dialog appears: the link check starts ("Timer error!" and false when it cannot).
  bool Open(ArchiveDialogWindow& window, TimerHost& timers);
  void OnTimer(int id);

  // The six functions.
  void SaveImage();
  void LoadImage();
  void ExportCsv();
  // A CSV file's keys judged against the unit's and shown; true when the operator confirmed them:
  // the dialog then closes and the keys are saved in the main window (import()). A file with a
  // bad line says every problem and adds nothing.
  bool ImportKeys();
  const std::optional<ImportPlan>& import() const { return import_; }
  void DeleteAllKeys() { DeleteAll(true); }
  void DeleteAllLogs() { DeleteAll(false); }

  // False while a transfer runs: closing then would leave the unit half written or half erased.
  bool MayClose() const { return !work_.Busy(); }
  // The dialog goes away, however it ends: its timer stops.
  void Close() { work_.Close(); }

  // What the dialog did, for the archive command to take over when it has closed.
  const ArchiveTransfers& work() const { return work_; }

 private:
  void DeleteAll(bool keys);
  void ShowFileError(const FileResult& result);
  // "<elevator name> YYYY-MM-DD.<suffix>".
  std::string ProposedName(std::string_view suffix) const;

  ArchiveHost& host_;
  ArchiveDialogWindow* window_ = nullptr;
  ArchiveTransfers work_;
  // What the buttons show: they and the advice after a failed write follow each change.
  ArchiveState shown_ = ArchiveState::Ready;
  std::optional<ImportPlan> import_;
};

}  // namespace qel
