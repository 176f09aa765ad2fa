#pragma once

#include <array>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "controller/MainView.h"

namespace qel::test {

// A main window that answers every box and dialog at once and remembers what it would have shown.
// Open to derivation: the unit replies fuzzer judges each error as it is logged and shown.
class RecordingView : public MainView {
 public:
  struct Box {
    std::string caption;
    std::string text;
    std::string logWhenShown;  // the log as it stood when the box appeared
  };

  // View
  void ShowMessageBox(std::string_view caption, std::string_view text) override {
    boxes.push_back({std::string(caption), std::string(text), log});
  }
  void ShowSerialWarning(std::string_view) override {}
  void SetCommandEnabled(Command command, bool enabled) override {
    enabled_[static_cast<std::size_t>(command)] = enabled;
  }
  void SetConnectText(std::string_view text, bool isDefault) override {
    connectText = text;
    connectIsDefault = isDefault;
  }
  void ShowLog(std::string_view logText) override { log = logText; }
  void ShowProgress(std::string_view what, int percent, std::string_view timeLeft) override {
    progress.push_back({std::string(what), percent, std::string(timeLeft)});
    progressShown = true;
  }
  void HideProgress() override { progressShown = false; }

  // MainView
  std::optional<ConnectChoice> AskConnect(Language, std::string_view prompt) override {
    connectPrompts.emplace_back(prompt);
    return connectAnswer;
  }
  KeyDialogEnd RunKeyDialog(KeyDialog& dialog) override {
    return keyDialog ? keyDialog(dialog) : KeyDialogEnd::Cancel;
  }
  bool RunSettingsDialog(SettingsDialog& dialog) override { return settingsDialog && settingsDialog(dialog); }
  void RunArchiveDialog(ArchiveDialog& dialog) override {
    if (archiveDialog) archiveDialog(dialog);
  }
  bool AskYesNo(std::string_view caption, std::string_view text, DefaultAnswer defaultAnswer) override {
    questions.push_back({std::string(caption), std::string(text), log});
    questionDefaults.push_back(defaultAnswer);
    if (whileAsking) whileAsking();
    return yesAnswer;
  }
  void ShowKeyRows(std::vector<KeyListRow> newRows) override {
    rows = std::move(newRows);
    highlighted.clear();
    selected.reset();
  }
  void AppendKeyRows(std::vector<KeyListRow> newRows) override {
    rows.insert(rows.end(), newRows.begin(), newRows.end());
  }
  void SetRowHighlight(int row, bool on) override;
  std::optional<int> SelectedRow() const override { return selected; }
  std::vector<int> SelectedRows() const override {
    return selected ? std::vector<int>{*selected} : std::vector<int>{};
  }
  void ShowStopButton(bool shown) override { stopShown = shown; }
  void SelectRow(int row) override { selected = row; }
  void ShowFilterSummary(std::string_view summary) override { filterSummary = summary; }
  void ShowLoadCutShort(std::string_view note) override { loadCutShort = note; }
  void ShowKeyAtReader(bool now) override { keyAtReader = now; }
  void ShowFloors(const Floors& shown) override { floors = shown; }
  void ShowSettingsLine(std::string_view summaryLine, std::string_view name) override {
    summary = summaryLine;
    elevatorName = name;
  }
  void ApplyTexts(Language) override {}

  bool IsEnabled(Command command) const { return enabled_[static_cast<std::size_t>(command)]; }
  // The enabled state of the six buttons as 0/1, in button order.
  const std::array<bool, kCommandCount>& Buttons() const { return enabled_; }
  // The log split into lines, newest first.
  std::vector<std::string> LogLines() const;
  // How many lines of the log read `line`.
  long Logged(std::string_view line) const;
  // The floors shown, as floor numbers.
  std::vector<int> FloorsShown() const;

  std::vector<Box> boxes;
  std::string log;
  std::string connectText;
  bool connectIsDefault = false;

  struct Progress {
    std::string what;
    int percent;
    std::string timeLeft;
  };
  std::vector<Progress> progress;
  bool progressShown = false;
  bool stopShown = false;

  // Plays the operator in each key dialog (Cancel when unset).
  std::function<KeyDialogEnd(KeyDialog&)> keyDialog;
  // Plays the operator in the settings dialog (Cancel when unset); true for OK.
  std::function<bool(SettingsDialog&)> settingsDialog;
  // Plays the operator in the archive dialog.
  std::function<void(ArchiveDialog&)> archiveDialog;
  // The answer to every Yes/No question, and what happens while one is open.
  bool yesAnswer = true;
  std::function<void()> whileAsking;
  std::vector<Box> questions;
  // The button Enter would have pressed in each question.
  std::vector<DefaultAnswer> questionDefaults;

  std::optional<ConnectChoice> connectAnswer = ConnectChoice{};
  std::vector<std::string> connectPrompts;

  std::vector<KeyListRow> rows;
  std::set<int> highlighted;
  bool keyAtReader = false;
  std::optional<int> selected;  // the operator's selection
  Floors floors{};
  std::string summary;
  std::string filterSummary;
  std::string loadCutShort;
  std::string elevatorName;

 private:
  std::array<bool, kCommandCount> enabled_{};
};

}  // namespace qel::test
