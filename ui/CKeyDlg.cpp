#include "ui/CKeyDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <initializer_list>
#include <utility>

#include "texts/Cp1250.h"
#include "texts/Texts.h"
#include "ui/DialogControls.h"
#include "ui/QtTexts.h"

namespace qel {
namespace {

constexpr int kFloorRows = 4;

}  // namespace

CKeyDlg::CKeyDlg(KeyDialog& dialog, MessageBoxFunction showBox, YesNoFunction askYesNo, QWidget* parent)
    : QDialog(parent),
      m_dialog(dialog),
      m_showBox(std::move(showBox)),
      m_askYesNo(std::move(askYesNo)),
      m_timers([this](int) { m_dialog.OnTimer(); }) {
  const KeyDialogSetup& setup = m_dialog.setup();
  setWindowTitle(setup.replacing ? ToQString(TrFormat(Text::ReplaceKeyCaption, setup.language, setup.keyId))
                                 : QTr(Text::ApplicationCaption, setup.language));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  BuildControls();

  m_keyId->setText(QString::number(setup.keyId));
  // The box takes no more than the unit keeps: nothing to refuse in the middle of typing.
  m_comment->setMaxLength(setup.maxCommentLength);
  m_comment->setText(ToQString(Cp1250ToUtf8(setup.commentText)));
  ShowCommentCount();
  m_manualEntry->setVisible(setup.addMode);
  m_readAnother->setVisible(setup.addMode);
  m_status->setVisible(setup.addMode);
  m_nextKey->setVisible(setup.addMode && setup.nextKeyAllowed);
  m_replace->setVisible(!setup.addMode);

  m_dialog.Open(*this, *this);
  ShowEntryMode();
  // Tick the floors the KeyDialog holds once open.
  for (int floor = 1; floor <= kFloorCount; ++floor)
    m_floors[static_cast<std::size_t>(floor - 1)]->setChecked(FloorPermitted(m_dialog.floors(), floor));
  m_comment->setFocus();
}

CKeyDlg::~CKeyDlg() { CloseDialog(); }

void CKeyDlg::BuildControls() {
  const Language language = m_dialog.language();

  m_keyId = new QLineEdit(this);
  m_keyId->setObjectName(QStringLiteral("keyIdBox"));
  m_keyId->setEnabled(false);
  m_keyId->setFixedWidth(WidthFor(*m_keyId, QStringLiteral("000000")));
  m_keyId->setAccessibleName(QTr(Text::AccessibleKeyId, language));
  m_keyCode = new QLineEdit(this);
  m_keyCode->setObjectName(QStringLiteral("keyCodeBox"));
  m_keyCode->setEnabled(false);
  // An 8-byte code is typed as 16 hexadecimal digits, with room for the clear button beside them.
  m_keyCode->setMinimumWidth(WidthFor(*m_keyCode, QStringLiteral("0000000000000000")) +
                             m_keyCode->sizeHint().height());
  m_keyCode->setAccessibleName(WithoutMnemonic(QTr(Text::KeyDialogKey, language)));
  // Clearing the box drops the captured code, as "Read another key" does.
  m_clearCode = m_keyCode->addAction(style()->standardIcon(QStyle::SP_LineEditClearButton),
                                     QLineEdit::TrailingPosition);
  m_clearCode->setObjectName(QStringLiteral("clearCodeAction"));
  m_clearCode->setToolTip(QTr(Text::KeyDialogClearCode, language));
  m_comment = new QLineEdit(this);
  m_comment->setObjectName(QStringLiteral("commentBox"));
  m_comment->setMinimumWidth(WidthFor(*m_comment, QString(32, QLatin1Char('x'))));
  m_comment->setAccessibleName(WithoutMnemonic(QTr(Text::KeyDialogComment, language)));
  m_commentCount = new QLabel(this);
  m_commentCount->setObjectName(QStringLiteral("commentCountLabel"));
  m_commentCount->setAccessibleName(QTr(Text::AccessibleCommentCount, language));
  m_commentCount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  m_keyCode->installEventFilter(this);
  m_comment->installEventFilter(this);

  auto* floors = new QGroupBox(QTr(Text::FloorsGroup, language), this);
  floors->setObjectName(QStringLiteral("floorsGroup"));
  floors->setAccessibleName(floors->title());
  auto* floorGrid = new QGridLayout(floors);
  floorGrid->setVerticalSpacing(0);
  for (int floor = 1; floor <= kFloorCount; ++floor) {
    auto* box = new QCheckBox(QString::number(floor), floors);
    box->setObjectName(QStringLiteral("floor%1").arg(floor));
    box->setAccessibleName(ToQString(TrFormat(Text::AccessibleFloor, language, floor)));
    floorGrid->addWidget(box, (floor - 1) % kFloorRows, (floor - 1) / kFloorRows);
    m_floors[static_cast<std::size_t>(floor - 1)] = box;
  }
  m_allFloors = new QCheckBox(QTr(Text::KeyDialogAllFloors, language), floors);
  m_allFloors->setObjectName(QStringLiteral("allFloorsBox"));
  floorGrid->addWidget(m_allFloors, 0, kFloorCount / kFloorRows);

  m_manualEntry = new QCheckBox(QTr(Text::KeyDialogManualEntry, language), this);
  m_manualEntry->setObjectName(QStringLiteral("manualEntryBox"));
  m_nextKey = new QPushButton(QTr(Text::KeyDialogNextKey, language), this);
  m_nextKey->setObjectName(QStringLiteral("nextKeyButton"));
  m_readAnother = new QPushButton(QTr(Text::KeyDialogReadAnother, language), this);
  m_readAnother->setObjectName(QStringLiteral("readAnotherButton"));
  m_replace = new QPushButton(QTr(Text::ButtonReplaceKey, language), this);
  m_replace->setObjectName(QStringLiteral("replaceButton"));
  m_ok = new QPushButton(QTr(Text::ButtonOk, language), this);
  m_ok->setObjectName(QStringLiteral("okButton"));
  m_ok->setDefault(true);
  m_cancel = new QPushButton(QTr(Text::ButtonCancel, language), this);
  m_cancel->setObjectName(QStringLiteral("cancelButton"));
  m_status = new QLabel(this);
  m_status->setObjectName(QStringLiteral("statusLabel"));
  m_status->setTextFormat(Qt::PlainText);
  // A long name neither widens the dialog nor is lost: the tooltip holds the whole line.
  m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  m_status->setAccessibleName(QTr(Text::AccessibleKeyStatus, language));
  for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
           m_allFloors, m_manualEntry, m_nextKey, m_readAnother, m_replace, m_ok, m_cancel})
    button->setAccessibleName(WithoutMnemonic(button->text()));

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(m_nextKey);
  buttons->addWidget(m_readAnother);
  buttons->addWidget(m_replace);
  buttons->addStretch(1);
  buttons->addWidget(m_ok);
  buttons->addWidget(m_cancel);

  auto* grid = new QGridLayout(this);
  grid->addWidget(PlainLabel(QTr(Text::KeyDialogId, language), m_keyId, "keyIdLabel", this), 0, 0);
  grid->addWidget(PlainLabel(QTr(Text::KeyDialogKey, language), m_keyCode, "keyCodeLabel", this), 0, 1);
  grid->addWidget(PlainLabel(QTr(Text::KeyDialogComment, language), m_comment, "commentLabel", this), 0, 2);
  grid->addWidget(m_commentCount, 0, 3);
  grid->addWidget(m_keyId, 1, 0);
  grid->addWidget(m_keyCode, 1, 1);
  grid->addWidget(m_comment, 1, 2, 1, 2);
  grid->addWidget(floors, 2, 0, 1, 3, Qt::AlignLeft);
  grid->addLayout(buttons, 2, 3, 2, 1);
  grid->addWidget(m_manualEntry, 3, 0, 1, 3);
  grid->addWidget(m_status, 4, 0, 1, 4);
  grid->setColumnStretch(2, 1);
  grid->setVerticalSpacing(4);

  connect(m_manualEntry, &QCheckBox::clicked, this, [this] {
    m_dialog.ToggleManualEntry();
    ShowEntryMode();
    if (m_dialog.manualEntry()) m_keyCode->setFocus(Qt::OtherFocusReason);
  });
  connect(m_readAnother, &QPushButton::clicked, this, &CKeyDlg::ReadAnotherKey);
  connect(m_clearCode, &QAction::triggered, this, &CKeyDlg::ReadAnotherKey);
  connect(m_allFloors, &QCheckBox::clicked, this, [this] {
    const bool all = m_dialog.ToggleAllFloors();
    for (QCheckBox* box : m_floors) box->setChecked(all);
  });
  connect(m_nextKey, &QPushButton::clicked, this, &CKeyDlg::AcceptNextKey);
  connect(m_replace, &QPushButton::clicked, this, [this] {
    m_end = KeyDialogEnd::Replace;
    done(QDialog::Rejected);
  });
  connect(m_comment, &QLineEdit::textChanged, this, &CKeyDlg::ShowCommentCount);
  connect(m_ok, &QPushButton::clicked, this, &CKeyDlg::accept);
  connect(m_cancel, &QPushButton::clicked, this, &CKeyDlg::reject);
}

void CKeyDlg::ShowKeyText(std::string_view text) {
  m_keyCode->setText(ToQString(text));
  m_clearCode->setVisible(m_dialog.addMode() && !m_dialog.manualEntry() && text != KeyDialog::kNoKeyText);
}

void CKeyDlg::ShowStatus(std::string_view text) {
  m_status->setText(ToQString(text));
  m_status->setToolTip(m_status->text());
}

void CKeyDlg::ReadAnotherKey() {
  m_dialog.ReadAnotherKey();
  m_manualEntry->setChecked(false);
  ShowEntryMode();
}

void CKeyDlg::ShowEntryMode() {
  // In add mode the reader's code can be selected and cleared, but typed only in manual entry.
  m_keyCode->setEnabled(m_dialog.addMode());
  m_keyCode->setReadOnly(!m_dialog.manualEntry());
  ShowKeyText(m_dialog.keyText());
}

void CKeyDlg::DisableOk() { m_ok->setEnabled(false); }

void CKeyDlg::ShowCommentCount() {
  const auto typed = static_cast<int>(m_comment->text().toUcs4().size());
  m_commentCount->setText(ToQString(
      TrFormatInts(Text::KeyDialogCommentCount, m_dialog.language(), {typed, m_comment->maxLength()})));
}

void CKeyDlg::ShowMessage(std::string_view text, KeyField about) {
  m_showBox(this, QMessageBox::Warning, QTr(Text::ApplicationCaption, m_dialog.language()), ToQString(text));
  // Back to what is to be mended, its text selected to be typed over.
  QLineEdit* box = about == KeyField::KeyCode ? m_keyCode : m_comment;
  if (!box->isEnabled() || box->isReadOnly()) return;
  box->setFocus(Qt::OtherFocusReason);
  box->selectAll();
}

bool CKeyDlg::AskYesNo(std::string_view text) {
  const Language language = m_dialog.language();
  return m_askYesNo(this, QTr(Text::ApplicationCaption, language), ToQString(text), language);
}

bool CKeyDlg::StartTimer(int id, std::chrono::milliseconds period) { return m_timers.Start(id, period); }

void CKeyDlg::StopTimer(int id) { m_timers.Stop(id); }

bool CKeyDlg::TakeEntries() {
  if (!m_dialog.Accept(m_keyCode->text().toStdString(), m_comment->text().toStdString())) return false;
  if (m_dialog.ConfirmFloors(TickedFloors())) return true;
  m_floors.front()->setFocus(Qt::OtherFocusReason);
  return false;
}

void CKeyDlg::accept() {
  if (!TakeEntries()) return;
  m_end = KeyDialogEnd::Ok;
  QDialog::accept();
}

void CKeyDlg::AcceptNextKey() {
  if (!TakeEntries()) return;
  m_end = KeyDialogEnd::NextKey;
  done(QDialog::Accepted);
}

void CKeyDlg::done(int result) {
  CloseDialog();
  QDialog::done(result);
}

void CKeyDlg::CloseDialog() {
  if (m_closed) return;
  m_closed = true;
  m_dialog.Close(TickedFloors());
}

Floors CKeyDlg::TickedFloors() const {
  Floors ticked{};
  for (int floor = 1; floor <= kFloorCount; ++floor)
    SetFloor(ticked, floor, m_floors[static_cast<std::size_t>(floor - 1)]->isChecked());
  return ticked;
}

bool CKeyDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    // Another window taking over (a message box among them) is not the operator leaving the box.
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) LeaveBox(watched);
  }
  return QDialog::eventFilter(watched, event);
}

void CKeyDlg::LeaveBox(QObject* box) {
  // The buttons that accept judge both boxes themselves; judging here as well would tell the
  // operator twice and swallow the click under the first box. The ways out of the box, which drop
  // what it holds, are not held up by it either.
  const QWidget* next = QApplication::focusWidget();
  if (m_closed || next == m_ok || next == m_nextKey || next == m_cancel || next == m_readAnother ||
      next == m_manualEntry)
    return;
  if (box == m_keyCode)
    m_dialog.OnKeyCodeLeft(m_keyCode->text().toStdString());
  else if (box == m_comment)
    m_dialog.OnCommentLeft(m_comment->text().toStdString());
}

}  // namespace qel
