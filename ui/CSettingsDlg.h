#pragma once

#include <QDialog>
#include <chrono>
#include <optional>
#include <string_view>

#include "dialogs/SettingsDialog.h"
#include "sequencer/TimerHost.h"
#include "ui/CConnectDlg.h"
#include "ui/MessageBoxes.h"
#include "ui/OperationTimers.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qel {

// The settings dialog: access time, comment length, relays, the unit's clock, the elevator name
// and the access-code change. It draws what its SettingsDialog tells it, runs that logic's clock
// timer and forwards the operator's clicks and focus changes; the SettingsDialog judges
// everything. The caller reads the accepted values from the SettingsDialog once it has ended.
class CSettingsDlg final : public QDialog, public SettingsDialogWindow, public TimerHost {
  Q_OBJECT

 public:
  // Builds the dialog and opens `dialog` (its clock poll starts at once). `dialog` must outlive it.
  explicit CSettingsDlg(SettingsDialog& dialog, MessageBoxFunction showBox = ShowModalBox,
                        AccessCodeFunction askAccessCode = AskAccessCodeModal,
                        YesNoFunction askYesNo = AskModalYesNo, QWidget* parent = nullptr);
  ~CSettingsDlg() override;

  // SettingsDialogWindow
  void ShowClock(std::string_view text, bool clockSettable) override;
  void DisableOk() override;
  void ShowMessage(std::string_view text) override;
  bool AskYesNo(std::string_view text) override;
  std::optional<int> AskAccessCode(std::string_view prompt) override;
  void FocusField(Field field) override;

  // TimerHost
  bool StartTimer(int id, std::chrono::milliseconds period) override;
  void StopTimer(int id) override;

  // OK ends the dialog only when the SettingsDialog takes the boxes.
  void accept() override;
  // Every way out ends here, and the SettingsDialog is closed once.
  void done(int result) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void ShowInitialValues();
  void CloseDialog();

  SettingsDialog& m_dialog;
  MessageBoxFunction m_showBox;
  AccessCodeFunction m_askAccessCode;
  YesNoFunction m_askYesNo;
  OperationTimers m_timers;
  bool m_closed = false;

  QLineEdit* m_accessTime = nullptr;
  QCheckBox* m_permanentAccess = nullptr;
  QLineEdit* m_commentLength = nullptr;
  QLabel* m_keyCount = nullptr;
  QCheckBox* m_mainRelayInversion = nullptr;
  QCheckBox* m_relayInversion = nullptr;
  QCheckBox* m_setClock = nullptr;
  QLabel* m_clock = nullptr;
  QLineEdit* m_elevatorName = nullptr;
  QPushButton* m_changeAccessCode = nullptr;
  QPushButton* m_ok = nullptr;
  QPushButton* m_cancel = nullptr;
};

}  // namespace qel
