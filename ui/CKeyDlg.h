#pragma once

#include <QDialog>
#include <array>
#include <chrono>
#include <string_view>

#include "dialogs/KeyDialog.h"
#include "sequencer/TimerHost.h"
#include "ui/MessageBoxes.h"
#include "ui/OperationTimers.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qel {

// The key dialog: one key's code, floors and comment. It draws what its KeyDialog tells it, runs
// that logic's poll timer and forwards the operator's clicks and focus changes; the KeyDialog
// judges everything. The caller reads the key from the KeyDialog once the dialog has ended.
class CKeyDlg final : public QDialog, public KeyDialogWindow, public TimerHost {
  Q_OBJECT

 public:
  static constexpr int kFloorCount = 24;

  // Builds the dialog and opens `dialog` (its poll starts at once). `dialog` must outlive it.
  explicit CKeyDlg(KeyDialog& dialog, MessageBoxFunction showBox = ShowModalBox,
                   YesNoFunction askYesNo = AskModalNoByDefault, QWidget* parent = nullptr);
  ~CKeyDlg() override;

  // How the operator left the dialog; Cancel until it has ended otherwise.
  KeyDialogEnd end() const { return m_end; }

  // KeyDialogWindow
  void ShowKeyText(std::string_view text) override;
  void DisableOk() override;
  void ShowMessage(std::string_view text, KeyField about) override;
  bool AskYesNo(std::string_view text) override;
  void ShowStatus(std::string_view text) override;

  // TimerHost
  bool StartTimer(int id, std::chrono::milliseconds period) override;
  void StopTimer(int id) override;

  // OK ends the dialog only when the KeyDialog takes the boxes.
  void accept() override;
  // Every way out ends here, and the KeyDialog is closed with the ticked floors.
  void done(int result) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  // OK or "Insert next key": the boxes judged, and a key that opens no floor confirmed.
  bool TakeEntries();
  void AcceptNextKey();
  void ReadAnotherKey();
  // The code box as the entry mode has it: typed into, or showing the reader's code.
  void ShowEntryMode();
  void ShowCommentCount();
  void LeaveBox(QObject* box);
  Floors TickedFloors() const;
  void CloseDialog();

  KeyDialog& m_dialog;
  MessageBoxFunction m_showBox;
  YesNoFunction m_askYesNo;
  OperationTimers m_timers;
  KeyDialogEnd m_end = KeyDialogEnd::Cancel;
  bool m_closed = false;

  QLineEdit* m_keyId = nullptr;
  QLineEdit* m_keyCode = nullptr;
  QLineEdit* m_comment = nullptr;
  QLabel* m_commentCount = nullptr;
  QAction* m_clearCode = nullptr;
  QLabel* m_status = nullptr;
  std::array<QCheckBox*, kFloorCount> m_floors{};
  QCheckBox* m_allFloors = nullptr;
  QCheckBox* m_manualEntry = nullptr;
  QPushButton* m_nextKey = nullptr;
  QPushButton* m_readAnother = nullptr;
  QPushButton* m_replace = nullptr;
  QPushButton* m_ok = nullptr;
  QPushButton* m_cancel = nullptr;
};

}  // namespace qel
