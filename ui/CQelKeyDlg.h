#pragma once

#include <QDialog>
#include <array>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "controller/MainView.h"
#include "controller/UnitController.h"
#include "sequencer/TimerHost.h"
#include "ui/KeyListModel.h"
#include "ui/OperationTimers.h"

class QAction;
class QKeyEvent;
class QPagedPaintDevice;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace qel {

class CHelpDlg;
class ElidedLabel;
class FloorsPanel;
class KeyListView;
class LocalClock;
class WindowInteractions;

// The main window. It draws what the core tells it through MainView, runs the core's timers and
// forwards the operator's clicks; every decision is the core's (UnitController).
class CQelKeyDlg final : public QDialog, public MainView, public TimerHost {
  Q_OBJECT

 public:
  // Builds the window in its start state. `port`, `clock` and `interactions` must outlive it.
  CQelKeyDlg(CSerialPort& port, LocalClock& clock, WindowInteractions& interactions, Language language,
             QWidget* parent = nullptr);

  UnitController& controller() { return m_controller; }

  // MainView
  void ShowMessageBox(std::string_view caption, std::string_view text) override;
  void SetCommandEnabled(Command command, bool enabled) override;
  void SetConnectText(std::string_view text, bool isDefault) override;
  void ShowLog(std::string_view logText) override;
  void ShowProgress(std::string_view what, int percent, std::string_view timeLeft) override;
  void HideProgress() override;
  void ShowSerialWarning(std::string_view text) override;
  std::optional<ConnectChoice> AskConnect(Language language, std::string_view prompt) override;
  KeyDialogEnd RunKeyDialog(KeyDialog& dialog) override;
  bool RunSettingsDialog(SettingsDialog& dialog) override;
  void RunArchiveDialog(ArchiveDialog& dialog) override;
  bool AskYesNo(std::string_view caption, std::string_view text, DefaultAnswer defaultAnswer) override;
  void ShowKeyRows(std::vector<KeyListRow> rows) override;
  void AppendKeyRows(std::vector<KeyListRow> rows) override;
  void SetRowHighlight(int row, bool highlighted) override;
  std::optional<int> SelectedRow() const override;
  std::vector<int> SelectedRows() const override;
  void ShowStopButton(bool shown) override;
  void SelectRow(int row) override;
  void ShowFilterSummary(std::string_view summary) override;
  void ShowLoadCutShort(std::string_view note) override;
  void ShowKeyAtReader(bool atReaderNow) override;
  void ShowFloors(const Floors& floors) override;
  void ShowSettingsLine(std::string_view summary, std::string_view elevatorName) override;
  void ApplyTexts(Language language) override;

  // TimerHost
  bool StartTimer(int id, std::chrono::milliseconds period) override;
  void StopTimer(int id) override;

  // The keys of `scope` printed on `device` with the window's language and today's date; false
  // when the device cannot be painted on.
  bool PrintKeyList(QPagedPaintDevice& device, PrintScope scope);

  // Every way of closing the window ends here. While the unit is being written the operator is
  // asked first; then the timers stop, a connected unit is told and the window's place is kept.
  void done(int result) override;

 protected:
  // Esc would close the window as a dialog's cancel key, and with it the link: it does nothing here.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildControls();
  void FixSizes();
  void ConnectSignals();
  void OpenHelp();
  // The print button and its menu (print, save as PDF), and Ctrl+P.
  QPushButton* BuildPrintButton();
  void ApplyPrintTexts(Language language);
  // Qt's print dialog, with the choice of all keys, the filter's or the selected ones.
  void OpenPrintDialog();
  void SaveKeyListAsPdf();
  // The key list's context menu for the row at `position`: edit, delete, replace a lost key.
  void ShowKeyMenu(const QPoint& position);
  // The keys the operator chose (the selection's target for one selected row, every selected
  // row's key for several); the log says when none is chosen.
  std::vector<int> ChosenKeys();
  // Runs the key command on the first key the operator chose.
  void OnChosenKey(void (UnitController::*command)(int));
  // The delete of the keys the operator chose: one or several, or a log line when none.
  void DeleteChosenKeys();
  // "Change floors…" on the chosen keys: the dialog, then the core's write.
  void ChangeChosenFloors();
  // Enter in the list: the edit of the one key chosen; with several the log asks for one.
  void EditFromKeyboard();

  CSerialPort& m_port;
  WindowInteractions& m_interactions;
  KeyListModel m_model;
  OperationTimers m_timers;

  ElidedLabel* m_elevatorName = nullptr;
  QToolButton* m_about = nullptr;
  QLineEdit* m_filter = nullptr;
  QLabel* m_filterSummary = nullptr;
  ElidedLabel* m_loadCutShort = nullptr;
  KeyListView* m_list = nullptr;
  ElidedLabel* m_settingsLine = nullptr;
  QPushButton* m_language = nullptr;
  QPlainTextEdit* m_log = nullptr;
  QLabel* m_progressText = nullptr;
  QProgressBar* m_progressBar = nullptr;
  FloorsPanel* m_floors = nullptr;
  std::array<QPushButton*, kCommandCount> m_commands{};
  // Switched with Edit key, which needs the same: a connected unit at rest.
  QPushButton* m_changeFloors = nullptr;
  QPushButton* m_stop = nullptr;
  QPushButton* m_help = nullptr;
  QPushButton* m_print = nullptr;
  QAction* m_printAction = nullptr;
  QAction* m_pdfAction = nullptr;
  CHelpDlg* m_helpWindow = nullptr;
  // As the core last set it: Qt lends the default to whichever button has the focus.
  bool m_connectIsDefault = true;

  // Last: it talks to the window from its first call on.
  UnitController m_controller;
};

}  // namespace qel
