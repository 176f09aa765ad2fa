#include "ui/CSettingsDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <initializer_list>
#include <utility>

#include "texts/Texts.h"
#include "ui/DialogControls.h"
#include "ui/QtTexts.h"

namespace qel {
namespace {

// Both ranges (3 to 120, 5 to 235) fit in three digits.
constexpr int kNumberDigits = 3;

// One of the dialog's five framed rows, without a title.
template <typename Layout>
Layout* FramedRow(QVBoxLayout* rows, QWidget* parent) {
  auto* frame = new QGroupBox(parent);
  rows->addWidget(frame);
  return new Layout(frame);
}

// A caption with a value centred under it.
QVBoxLayout* CaptionOverValue(QLabel* caption, QLabel* value) {
  value->setAlignment(Qt::AlignCenter);
  auto* column = new QVBoxLayout;
  column->setSpacing(0);
  column->addWidget(caption, 0, Qt::AlignHCenter);
  column->addWidget(value);
  return column;
}

QLabel* ValueLabel(const char* name, const QString& accessibleName, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  label->setObjectName(QString::fromLatin1(name));
  label->setAccessibleName(accessibleName);
  return label;
}

}  // namespace

CSettingsDlg::CSettingsDlg(SettingsDialog& dialog, MessageBoxFunction showBox,
                           AccessCodeFunction askAccessCode, YesNoFunction askYesNo, QWidget* parent)
    : QDialog(parent),
      m_dialog(dialog),
      m_showBox(std::move(showBox)),
      m_askAccessCode(std::move(askAccessCode)),
      m_askYesNo(std::move(askYesNo)),
      m_timers([this](int) { m_dialog.OnTimer(); }) {
  setWindowTitle(QTr(Text::ApplicationCaption, m_dialog.language()));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  BuildControls();
  ShowInitialValues();
  m_dialog.Open(*this, *this);
}

CSettingsDlg::~CSettingsDlg() { CloseDialog(); }

void CSettingsDlg::BuildControls() {
  const Language language = m_dialog.language();
  auto* rows = new QVBoxLayout(this);

  m_accessTime = new QLineEdit(this);
  m_accessTime->setObjectName(QStringLiteral("accessTimeBox"));
  AcceptDigits(m_accessTime, kNumberDigits);
  m_accessTime->setFixedWidth(WidthFor(*m_accessTime, QStringLiteral("00000")));
  m_permanentAccess = new QCheckBox(QTr(Text::SettingsPermanentAccess, language), this);
  m_permanentAccess->setObjectName(QStringLiteral("permanentAccessBox"));
  auto* accessRow = FramedRow<QHBoxLayout>(rows, this);
  accessRow->addWidget(
      PlainLabel(QTr(Text::SettingsAccessTime, language), m_accessTime, "accessTimeLabel", this));
  accessRow->addWidget(m_accessTime);
  accessRow->addWidget(m_permanentAccess);
  accessRow->addStretch(1);

  m_commentLength = new QLineEdit(this);
  m_commentLength->setObjectName(QStringLiteral("commentLengthBox"));
  AcceptDigits(m_commentLength, kNumberDigits);
  m_commentLength->setFixedWidth(WidthFor(*m_commentLength, QStringLiteral("00000")));
  m_commentLength->installEventFilter(this);
  const QString maximumKeys = QTr(Text::SettingsMaximumKeys, language);
  m_keyCount = ValueLabel("keyCountLabel", maximumKeys, this);
  auto* commentRow = FramedRow<QHBoxLayout>(rows, this);
  commentRow->addWidget(
      PlainLabel(QTr(Text::SettingsCommentLength, language), m_commentLength, "commentLengthLabel", this));
  commentRow->addWidget(m_commentLength);
  commentRow->addStretch(1);
  commentRow->addLayout(
      CaptionOverValue(PlainLabel(maximumKeys, nullptr, "maximumKeysLabel", this), m_keyCount));

  m_mainRelayInversion = new QCheckBox(QTr(Text::SettingsMainRelayInversion, language), this);
  m_mainRelayInversion->setObjectName(QStringLiteral("mainRelayInversionBox"));
  m_relayInversion = new QCheckBox(QTr(Text::SettingsRelayInversion, language), this);
  m_relayInversion->setObjectName(QStringLiteral("relayInversionBox"));
  auto* relayRow = FramedRow<QHBoxLayout>(rows, this);
  relayRow->addWidget(m_mainRelayInversion, 1);
  relayRow->addWidget(m_relayInversion, 1);

  m_setClock = new QCheckBox(QTr(Text::SettingsSetClock, language), this);
  m_setClock->setObjectName(QStringLiteral("setClockBox"));
  const QString currentTime = QTr(Text::SettingsCurrentTime, language);
  m_clock = ValueLabel("clockLabel", currentTime, this);
  // Room for any time of the unit's clock, so that the dialog keeps its size as the clock starts.
  m_clock->setMinimumWidth(m_clock->fontMetrics().horizontalAdvance(
      ToQString(TrFormatInts(Text::LiveClock, language, {28, 12, 28, 28, 28, 28}))));
  auto* clockRow = FramedRow<QHBoxLayout>(rows, this);
  clockRow->addWidget(m_setClock);
  clockRow->addStretch(1);
  clockRow->addLayout(CaptionOverValue(PlainLabel(currentTime, nullptr, "currentTimeLabel", this), m_clock));

  m_elevatorName = new QLineEdit(this);
  m_elevatorName->setObjectName(QStringLiteral("elevatorNameBox"));
  m_elevatorName->setMinimumWidth(WidthFor(*m_elevatorName, QString(32, QLatin1Char('x'))));
  // Typing stops at the limit, as a maximum length would; unlike one, it leaves a longer name
  // from the unit whole, for the check at OK to tell the operator about.
  m_elevatorName->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral(".{0,%1}").arg(SettingsDialog::kMaxNameLength),
                         QRegularExpression::DotMatchesEverythingOption),
      m_elevatorName));
  auto* nameRow = FramedRow<QVBoxLayout>(rows, this);
  nameRow->addWidget(
      PlainLabel(QTr(Text::SettingsElevatorName, language), m_elevatorName, "elevatorNameLabel", this));
  nameRow->addWidget(m_elevatorName);

  m_changeAccessCode = new QPushButton(QTr(Text::SettingsChangeAccessCode, language), this);
  m_changeAccessCode->setObjectName(QStringLiteral("changeAccessCodeButton"));
  m_ok = new QPushButton(QTr(Text::ButtonOk, language), this);
  m_ok->setObjectName(QStringLiteral("okButton"));
  m_ok->setDefault(true);
  m_cancel = new QPushButton(QTr(Text::ButtonCancel, language), this);
  m_cancel->setObjectName(QStringLiteral("cancelButton"));
  auto* buttons = new QGridLayout;
  buttons->addWidget(m_ok, 0, 2);
  buttons->addWidget(m_changeAccessCode, 1, 0);
  buttons->addWidget(m_cancel, 1, 2);
  buttons->setColumnStretch(1, 1);
  rows->addLayout(buttons);

  for (QAbstractButton* button :
       std::initializer_list<QAbstractButton*>{m_permanentAccess, m_mainRelayInversion, m_relayInversion,
                                               m_setClock, m_changeAccessCode, m_ok, m_cancel})
    button->setAccessibleName(WithoutMnemonic(button->text()));
  m_accessTime->setAccessibleName(QTr(Text::SettingsAccessTime, language));
  m_commentLength->setAccessibleName(QTr(Text::SettingsCommentLength, language));
  m_elevatorName->setAccessibleName(QTr(Text::SettingsElevatorName, language));

  connect(m_permanentAccess, &QCheckBox::toggled, m_accessTime,
          [this](bool permanent) { m_accessTime->setEnabled(!permanent); });
  connect(m_commentLength, &QLineEdit::textChanged, m_keyCount, [this](const QString& typed) {
    m_keyCount->setText(ToQString(SettingsDialog::KeyCountText(typed.toStdString())));
  });
  connect(m_changeAccessCode, &QPushButton::clicked, this, [this] { m_dialog.ChangeAccessCode(); });
  connect(m_ok, &QPushButton::clicked, this, &CSettingsDlg::accept);
  connect(m_cancel, &QPushButton::clicked, this, &CSettingsDlg::reject);
}

void CSettingsDlg::ShowInitialValues() {
  const SettingsDialogSetup& setup = m_dialog.setup();
  m_accessTime->setText(QString::number(m_dialog.accessTimeAtOpen()));
  m_permanentAccess->setChecked(m_dialog.permanentAccessAtOpen());
  m_commentLength->setText(QString::number(setup.commentLength));
  m_mainRelayInversion->setChecked(setup.mainRelayInversion);
  m_relayInversion->setChecked(setup.relayInversion);
  m_elevatorName->setText(ToQString(setup.elevatorName));
}

void CSettingsDlg::ShowClock(std::string_view text, bool clockSettable) {
  m_clock->setText(ToQString(text));
  m_setClock->setEnabled(clockSettable);
  if (!clockSettable) m_setClock->setChecked(false);
}

void CSettingsDlg::DisableOk() { m_ok->setEnabled(false); }

void CSettingsDlg::ShowMessage(std::string_view text) {
  // No icon: the same box tells of a refused value and of an accepted access code.
  m_showBox(this, QMessageBox::NoIcon, QTr(Text::ApplicationCaption, m_dialog.language()), ToQString(text));
}

bool CSettingsDlg::AskYesNo(std::string_view text) {
  const Language language = m_dialog.language();
  return m_askYesNo(this, QTr(Text::ApplicationCaption, language), ToQString(text), language);
}

std::optional<int> CSettingsDlg::AskAccessCode(std::string_view prompt) {
  return m_askAccessCode(this, m_dialog.language(), ToQString(prompt));
}

void CSettingsDlg::FocusField(Field field) {
  QLineEdit* box = field == Field::AccessTime      ? m_accessTime
                   : field == Field::CommentLength ? m_commentLength
                                                   : m_elevatorName;
  // A box that permanent access switched off cannot take the focus; the switch can.
  if (!box->isEnabled()) {
    m_permanentAccess->setFocus(Qt::OtherFocusReason);
    return;
  }
  box->setFocus(Qt::OtherFocusReason);
  box->selectAll();
}

bool CSettingsDlg::StartTimer(int id, std::chrono::milliseconds period) { return m_timers.Start(id, period); }

void CSettingsDlg::StopTimer(int id) { m_timers.Stop(id); }

void CSettingsDlg::accept() {
  const SettingsEntries entries{.accessTime = m_accessTime->text().toStdString(),
                                .commentLength = m_commentLength->text().toStdString(),
                                .elevatorName = m_elevatorName->text().toStdString(),
                                .permanentAccess = m_permanentAccess->isChecked(),
                                .relayInversion = m_relayInversion->isChecked(),
                                .mainRelayInversion = m_mainRelayInversion->isChecked(),
                                .setClock = m_setClock->isChecked()};
  if (!m_dialog.Accept(entries)) return;
  QDialog::accept();
}

void CSettingsDlg::done(int result) {
  CloseDialog();
  QDialog::done(result);
}

void CSettingsDlg::CloseDialog() {
  if (m_closed) return;
  m_closed = true;
  m_dialog.Close();
}

bool CSettingsDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_commentLength && event->type() == QEvent::FocusOut) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    const QWidget* next = QApplication::focusWidget();
    // Another window taking over (a message box among them) is not the operator leaving the box;
    // OK warns by itself when the length changes, and Cancel drops it.
    if (!m_closed && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
        next != m_ok && next != m_cancel)
      m_dialog.OnCommentLengthLeft();
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace qel
