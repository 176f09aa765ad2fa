#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "sequencer/KeyDialog.h"
#include "sequencer/MainView.h"
#include "sequencer/SettingsDialog.h"

namespace qel {

struct ConsoleSetup {
  Language language = Language::English;
  // Every log line on standard error as it comes, not only when the run fails.
  bool verbose = false;
  // --yes: every question that would lose data on the unit is answered yes.
  bool assumeYes = false;
  // Standard input is a terminal, so questions can be asked.
  bool interactive = false;
  // Standard error is a terminal, so a progress bar can be drawn and redrawn.
  bool progressBar = false;
};

// The window and the dialogs as a command line sees them. The flows of the core ask for dialogs
// and answers; the command that runs a flow has set the answers beforehand (the functions that
// drive each dialog), and the rest goes to standard error: boxes at once, the log when asked.
class ConsoleView final : public MainView, public KeyDialogWindow, public SettingsDialogWindow {
 public:
  ConsoleView(ConsoleSetup setup, std::ostream& err, std::istream& in);

  // What the command answers.
  ConnectChoice connectChoice;
  std::function<KeyDialogEnd(KeyDialog&)> runKeyDialog;
  std::function<bool(SettingsDialog&)> runSettingsDialog;
  // The list row the operator picked.
  std::optional<int> selectedRow;
  // The codes the settings dialog's access-code prompts are answered with, in turn.
  std::vector<int> accessCodeAnswers;
  // The key dialog's status lines go to standard error: a key is awaited at the reader.
  bool sayKeyStatus = false;

  // What the dialogs showed last.
  std::string keyText;
  bool clockSettable = false;
  bool okDisabled = false;
  // That the key list holds only part of the unit's keys; empty while it is whole.
  std::string loadCutShort;

  // A question before data on the unit is lost: yes with --yes; else asked on the terminal, and
  // no without one.
  bool Ask(std::string_view question);
  // A message of the command line's own on standard error.
  void Message(std::string_view text);
  // The log lines not printed yet, oldest first (those the boxes already said left out).
  void FlushLog();

  // SerialWarnings
  void ShowSerialWarning(std::string_view text) override;
  // View
  void ShowMessageBox(std::string_view caption, std::string_view text) override;
  void SetCommandEnabled(Command command, bool enabled) override;
  void SetConnectText(std::string_view text, bool isDefault) override;
  void ShowLog(std::string_view logText) override;
  void ShowProgress(std::string_view what, int percent, std::string_view timeLeft) override;
  void HideProgress() override;
  // MainView
  std::optional<ConnectChoice> AskConnect(Language language, std::string_view prompt) override;
  KeyDialogEnd RunKeyDialog(KeyDialog& dialog) override;
  bool RunSettingsDialog(SettingsDialog& dialog) override;
  // qelctl runs the archive's commands without the dialog, which never opens.
  void RunArchiveDialog(ArchiveDialog&) override {}
  bool AskYesNo(std::string_view caption, std::string_view text, DefaultAnswer defaultAnswer) override;
  void ShowKeyRows(std::vector<KeyListRow> rows) override;
  void SetRowHighlight(int row, bool highlighted) override;
  void ShowKeyAtReader(bool atReaderNow) override;
  std::optional<int> SelectedRow() const override { return selectedRow; }
  void SelectRow(int row) override { selectedRow = row; }
  void ShowFilterSummary(std::string_view summary) override;
  void ShowLoadCutShort(std::string_view note) override { loadCutShort = note; }
  void ShowFloors(const Floors& floors) override;
  void ShowSettingsLine(std::string_view summary, std::string_view elevatorName) override;
  void ApplyTexts(Language language) override;
  // KeyDialogWindow and SettingsDialogWindow
  void ShowKeyText(std::string_view text) override;
  void DisableOk() override;
  void ShowMessage(std::string_view text) override;
  void ShowStatus(std::string_view text) override;
  void ShowClock(std::string_view text, bool clockSettable) override;
  bool AskYesNo(std::string_view text) override;
  std::optional<int> AskAccessCode(std::string_view prompt) override;
  void FocusField(Field field) override;

 private:
  void PrintLine(std::string_view text);
  void ClearBar();
  void DrawBar(std::string_view what, int percent, std::string_view timeLeft);
  // The log's lines, oldest first.
  std::vector<std::string> LogLines() const;

  ConsoleSetup setup_;
  std::ostream& err_;
  std::istream& in_;
  std::string logText_;
  std::size_t linesPrinted_ = 0;
  std::set<std::string> boxTexts_;
  bool barShown_ = false;
  int barPhase_ = 0;
};

}  // namespace qel
