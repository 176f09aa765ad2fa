#include "ui/CConnectDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <initializer_list>

#include "texts/Texts.h"
#include "ui/DialogControls.h"
#include "ui/QtTexts.h"

namespace qel {
namespace {

constexpr int kPortDigits = 2;
constexpr int kCodeDigits = 4;

}  // namespace

CConnectDlg::CConnectDlg(ConnectDialogSetup setup, MessageBoxFunction showBox, QWidget* parent)
    : QDialog(parent), m_setup(std::move(setup)), m_showBox(std::move(showBox)) {
  setWindowTitle(QTr(Text::ApplicationCaption, m_setup.language));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  BuildControls();

  const Language language = m_setup.language;
  const bool connectMode = m_setup.mode == ConnectMode::Connect;
  const ConnectChoice& offered = m_setup.offered;
  m_choice = offered;
  m_prompt->setText(m_setup.prompt);
  m_usb->setChecked(offered.transport != 2);
  m_bluetooth->setChecked(offered.transport == 2);
  m_transportLabel->setText(connectMode ? QTr(Text::ConnectVia, language) : QString());
  m_portPrefix->setText(connectMode ? QTr(Text::PortPrefix, language) : QString());
  m_code->setText(connectMode ? QString::number(offered.accessCode) : QString());
  // The empty labels are hidden too, so that a screen reader does not announce them.
  for (QWidget* connectOnly : std::initializer_list<QWidget*>{
           m_transportLabel, m_usb, m_bluetooth, m_manualPort, m_portPrefix, m_port, m_portDevice})
    connectOnly->setVisible(connectMode);
  m_port->setText(QString::number(offered.port));
  const bool manual = connectMode && offered.manualPort != 0;
  m_manualPort->setChecked(manual);
  m_port->setEnabled(manual);
  m_portDevice->setEnabled(manual);
  m_manualPort->setText(QTr(Text::SetPortManually, language));
  m_ok->setText(QTr(Text::ButtonOk, language));
  m_cancel->setText(QTr(Text::ButtonCancel, language));

  m_code->setAccessibleName(m_setup.prompt.isEmpty() ? QTr(Text::AccessibleAccessCode, language)
                                                     : m_setup.prompt);
  m_port->setAccessibleName(QTr(Text::AccessiblePortNumber, language));
  m_portDevice->setAccessibleName(QTr(Text::AccessiblePortDevice, language));
  for (QAbstractButton* button :
       std::initializer_list<QAbstractButton*>{m_usb, m_bluetooth, m_manualPort, m_ok, m_cancel})
    button->setAccessibleName(WithoutMnemonic(button->text()));
  m_prompt->setAccessibleName(m_setup.prompt);
  m_transportLabel->setAccessibleName(QTr(Text::ConnectVia, language));
  m_portPrefix->setAccessibleName(QTr(Text::PortPrefix, language));

  ShowPortDevice();
  m_code->setFocus();
}

void CConnectDlg::BuildControls() {
  m_transportLabel = new QLabel(this);
  m_usb = new QRadioButton(QTr(Text::TransportUsb, m_setup.language), this);
  m_bluetooth = new QRadioButton(QTr(Text::TransportBluetooth, m_setup.language), this);
  m_prompt = new QLabel(this);
  m_prompt->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  m_code = new QLineEdit(this);
  m_code->setEchoMode(QLineEdit::Password);
  AcceptDigits(m_code, kCodeDigits);
  m_manualPort = new QCheckBox(this);
  m_portPrefix = new QLabel(this);
  m_portPrefix->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  m_port = new QLineEdit(this);
  AcceptDigits(m_port, kPortDigits);
  m_port->setMaximumWidth(m_port->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
  m_portDevice = new QLabel(this);
  m_ok = new QPushButton(this);
  m_ok->setDefault(true);
  m_cancel = new QPushButton(this);
  m_prompt->setBuddy(m_code);
  m_portPrefix->setBuddy(m_port);

  m_transportLabel->setObjectName(QStringLiteral("transportLabel"));
  m_usb->setObjectName(QStringLiteral("usbButton"));
  m_bluetooth->setObjectName(QStringLiteral("bluetoothButton"));
  m_prompt->setObjectName(QStringLiteral("promptLabel"));
  m_code->setObjectName(QStringLiteral("codeBox"));
  m_manualPort->setObjectName(QStringLiteral("manualPortBox"));
  m_portPrefix->setObjectName(QStringLiteral("portPrefixLabel"));
  m_port->setObjectName(QStringLiteral("portBox"));
  m_portDevice->setObjectName(QStringLiteral("portDeviceLabel"));
  m_ok->setObjectName(QStringLiteral("okButton"));
  m_cancel->setObjectName(QStringLiteral("cancelButton"));

  auto* grid = new QGridLayout(this);
  grid->addWidget(m_transportLabel, 0, 0);
  grid->addWidget(m_usb, 0, 1);
  grid->addWidget(m_bluetooth, 0, 2);
  grid->addWidget(m_prompt, 1, 0, 1, 2);
  grid->addWidget(m_code, 1, 2);
  grid->addWidget(m_ok, 1, 3);
  grid->addWidget(m_manualPort, 2, 0);
  grid->addWidget(m_portPrefix, 2, 1);
  grid->addWidget(m_port, 2, 2);
  grid->addWidget(m_cancel, 2, 3);
  grid->addWidget(m_portDevice, 3, 0, 1, 3);
  grid->setColumnStretch(0, 1);

  connect(m_manualPort, &QCheckBox::toggled, this, [this](bool manual) {
    m_port->setEnabled(manual);
    m_portDevice->setEnabled(manual);
    ShowPortDevice();
  });
  connect(m_port, &QLineEdit::textChanged, this, &CConnectDlg::ShowPortDevice);
  connect(m_ok, &QPushButton::clicked, this, &CConnectDlg::accept);
  connect(m_cancel, &QPushButton::clicked, this, &CConnectDlg::reject);
}

void CConnectDlg::ShowPortDevice() {
  const Language language = m_setup.language;
  bool whole = false;
  const int number = m_port->text().trimmed().toInt(&whole);
  QString device = QTr(Text::PortWithoutDevice, language);
  bool found = false;
  QStringList table;
  for (const auto& [port, path] : m_setup.ports) {
    const QString where = ToQString(path);
    table << QStringLiteral("COM%1 = %2").arg(port).arg(where);
    if (whole && port == number) {
      device = where;
      found = true;
    }
  }
  // A port in range without a device could only fail; a number out of range gets its message.
  const bool inRange = whole && number >= kFirstPort && number <= kLastPort;
  m_ok->setEnabled(!m_manualPort->isChecked() || !inRange || found);
  m_portDevice->setText(QStringLiteral("COM%1 = %2").arg(m_port->text().trimmed(), device));
  const QString tip = table.isEmpty() ? QTr(Text::NoSerialDevices, language)
                                      : QTr(Text::PortDevicesTitle, language) + QLatin1Char('\n') +
                                            table.join(QLatin1Char('\n'));
  m_port->setToolTip(tip);
  m_portDevice->setToolTip(tip);
}

std::optional<int> CConnectDlg::ReadWholeNumber(QLineEdit* box, int min, int max) {
  bool whole = false;
  const int value = box->text().trimmed().toInt(&whole);
  if (whole && value >= min && value <= max) return value;
  m_showBox(this, QMessageBox::Warning, QTr(Text::ApplicationCaption, m_setup.language),
            ToQString(TrFormatInts(Text::EnterWholeNumber, m_setup.language, {min, max})));
  box->setFocus();
  box->selectAll();
  return std::nullopt;
}

void CConnectDlg::accept() {
  // A port box that is switched off is not used: a bad number left in it must not hold the
  // dialog behind a box the operator cannot edit.
  const std::optional<int> port = m_manualPort->isChecked() ? ReadWholeNumber(m_port, kFirstPort, kLastPort)
                                                            : std::optional(m_choice.port);
  if (!port) return;
  const std::optional<int> code = ReadWholeNumber(m_code, 0, kMaxAccessCode);
  if (!code) return;
  m_choice.port = *port;
  m_choice.accessCode = *code;
  m_choice.manualPort = m_manualPort->isChecked() ? 1 : 0;
  m_choice.transport = m_bluetooth->isChecked() ? 2 : 1;
  QDialog::accept();
}

std::optional<int> AskAccessCodeModal(QWidget* parent, Language language, const QString& prompt) {
  ConnectDialogSetup setup;
  setup.language = language;
  setup.mode = ConnectMode::AccessCodeOnly;
  setup.prompt = prompt;
  CConnectDlg dialog(std::move(setup), ShowModalBox, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.choice().accessCode;
}

}  // namespace qel
