#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "controller/MainView.h"

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
  // The terminal clears a line with an escape sequence; without, the bar is blanked out by hand.
  bool escapes = false;
};

// The window as a command line sees it. Its commands hand the core their data, so no dialog is
// ever shown; the rest goes to standard error: boxes at once, the log when asked.
class ConsoleView final : public MainView {
 public:
  ConsoleView(ConsoleSetup setup, std::ostream& err, std::istream& in);

  // What the command answers.
  ConnectChoice connectChoice;
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
  // No dialog appears: they end as cancelled.
  KeyDialogEnd RunKeyDialog(KeyDialog&) override { return KeyDialogEnd::Cancel; }
  bool RunSettingsDialog(SettingsDialog&) override { return false; }
  void RunArchiveDialog(ArchiveDialog&) override {}
  bool AskYesNo(std::string_view caption, std::string_view text, DefaultAnswer defaultAnswer) override;
  void ShowKeyRows(std::vector<KeyListRow> rows) override;
  void AppendKeyRows(std::vector<KeyListRow>) override {}
  void SetRowHighlight(int row, bool highlighted) override;
  void ShowKeyAtReader(bool atReaderNow) override;
  // No list is shown, so no row is ever selected.
  std::optional<int> SelectedRow() const override { return std::nullopt; }
  std::vector<int> SelectedRows() const override { return {}; }
  // qelctl writes single keys, and Ctrl+C stops any write.
  void ShowStopButton(bool) override {}
  void SelectRow(int) override {}
  void ShowFilterSummary(std::string_view summary) override;
  void ShowLoadCutShort(std::string_view note) override { loadCutShort = note; }
  void ShowFloors(const Floors& floors) override;
  void ShowSettingsLine(std::string_view summary, std::string_view elevatorName) override;
  void ApplyTexts(Language language) override;

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
  // The characters the bar drawn last took, to blank out on a terminal without escapes.
  std::size_t barWidth_ = 0;
  int barPhase_ = 0;
};

}  // namespace qel
