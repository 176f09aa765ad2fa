#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "controller/MainView.h"
#include "texts/Language.h"
#include "ui/MessageBoxes.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qel {

enum class ConnectMode {
  AccessCodeOnly,  // a prompt and an empty code box (the access-code change)
  Connect,         // transport, optional fixed port and the pre-filled default code
};

// What the caller gives the dialog before it is shown.
struct ConnectDialogSetup {
  Language language = Language::English;
  ConnectMode mode = ConnectMode::Connect;
  QString prompt;
  // COM numbers of this machine with their devices, shown beside the port box.
  std::vector<std::pair<int, std::string>> ports;
  // What the boxes hold at first: in connect mode all of it, otherwise nothing.
  ConnectChoice offered;
};

// Asks for the transport, an optional fixed COM port and the access code, or for the code alone.
// It does no I/O; after OK the caller reads choice().
class CConnectDlg final : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kFirstPort = 1;
  static constexpr int kLastPort = 70;
  static constexpr int kMaxAccessCode = 9999;

  explicit CConnectDlg(ConnectDialogSetup setup, MessageBoxFunction showBox = ShowModalBox,
                       QWidget* parent = nullptr);

  // The operator's answer; meaningful after the dialog was accepted. In access-code-only mode
  // only the access code is.
  ConnectChoice choice() const { return m_choice; }

  // Takes the boxes over only when both hold whole numbers in range; otherwise tells the
  // operator, focuses the offending box and stays open.
  void accept() override;

 private:
  void BuildControls();
  void ShowPortDevice();
  // The number in `box` if it is a whole number from `min` to `max`; otherwise the operator is
  // told and the box focused.
  std::optional<int> ReadWholeNumber(QLineEdit* box, int min, int max);

  ConnectDialogSetup m_setup;
  MessageBoxFunction m_showBox;
  ConnectChoice m_choice;

  QLabel* m_transportLabel = nullptr;
  QRadioButton* m_usb = nullptr;
  QRadioButton* m_bluetooth = nullptr;
  QLabel* m_prompt = nullptr;
  QLineEdit* m_code = nullptr;
  QCheckBox* m_manualPort = nullptr;
  QLabel* m_portPrefix = nullptr;
  QLineEdit* m_port = nullptr;
  QLabel* m_portDevice = nullptr;
  QPushButton* m_ok = nullptr;
  QPushButton* m_cancel = nullptr;
};

// Asks for the access code alone (the dialog in access-code-only mode, modal over `parent`); none
// when the operator cancels. Tests put a function of their own in its place.
using AccessCodeFunction =
    std::function<std::optional<int>(QWidget* parent, Language language, const QString& prompt)>;

std::optional<int> AskAccessCodeModal(QWidget* parent, Language language, const QString& prompt);

}  // namespace qel
