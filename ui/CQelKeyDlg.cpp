#include "ui/CQelKeyDlg.h"

#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <initializer_list>
#include <utility>

#include "texts/Texts.h"
#include "ui/CHelpDlg.h"
#include "ui/Desktop.h"
#include "ui/ElidedLabel.h"
#include "ui/FloorsPanel.h"
#include "ui/KeyListView.h"
#include "ui/QtTexts.h"
#include "ui/RememberedChoices.h"
#include "ui/WindowInteractions.h"

namespace qel {
namespace {

// The core names the Connect button itself: it connects or disconnects.
constexpr std::array<std::optional<Text>, kCommandCount> kCommandTexts{
    Text::ButtonAddKeys,  Text::ButtonEditKey, Text::ButtonDeleteKey,
    Text::ButtonSettings, std::nullopt,        Text::ButtonArchive};
constexpr std::array kCommandNames{"addKeysButton",  "editKeyButton", "deleteKeyButton",
                                   "settingsButton", "connectButton", "archiveButton"};
static_assert(kCommandTexts.size() == kCommandCount && kCommandNames.size() == kCommandCount);

QPushButton*& CommandButton(std::array<QPushButton*, kCommandCount>& buttons, Command command) {
  return buttons[static_cast<std::size_t>(command)];
}

}  // namespace

CQelKeyDlg::CQelKeyDlg(CSerialPort& port, LocalClock& clock, WindowInteractions& interactions,
                       Language language, QWidget* parent)
    : QDialog(parent),
      m_port(port),
      m_interactions(interactions),
      m_timers([this](int id) { m_controller.OnTimer(id); }),
      m_controller(port, *this, clock, *this, language) {
  setWindowTitle(QTr(Text::ApplicationCaption, language));
  setWindowIcon(ApplicationIcon());
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
  setSizeGripEnabled(true);
  BuildControls();
  ConnectSignals();
  FixSizes();
  RestoreWindowGeometry(*this);
  m_controller.Start();
  CommandButton(m_commands, Command::Connect)->setFocus();
}

void CQelKeyDlg::BuildControls() {
  m_elevatorName = new ElidedLabel(this);
  m_elevatorName->setObjectName(QStringLiteral("elevatorNameLine"));
  m_about = new QToolButton(this);
  m_about->setObjectName(QStringLiteral("aboutButton"));
  m_about->setAutoRaise(true);
  m_filter = new QLineEdit(this);
  m_filter->setObjectName(QStringLiteral("keyFilter"));
  m_filter->setClearButtonEnabled(true);
  m_filterSummary = new QLabel(this);
  m_filterSummary->setObjectName(QStringLiteral("keyFilterSummary"));
  m_filterSummary->setTextFormat(Qt::PlainText);
  // Room for the longest summary from the start, so that a filter never widens the window.
  constexpr int kMostKeys = ListedRecordCount(kMinRecordSize);
  int summaryWidth = 0;
  for (Language language : {Language::Czech, Language::English}) {
    for (const QString& longest :
         {ToQString(TrFormatInts(Text::KeyFilterSummary, language, {kMostKeys, kMostKeys})),
          ToQString(TrFormatInts(Text::KeyFilterFloorSummary, language, {24, kMostKeys, kMostKeys}))})
      summaryWidth = std::max(summaryWidth, m_filterSummary->fontMetrics().horizontalAdvance(longest));
  }
  m_filterSummary->setMinimumWidth(summaryWidth);
  m_loadCutShort = new ElidedLabel(this);
  m_loadCutShort->setObjectName(QStringLiteral("loadCutShortLine"));
  m_loadCutShort->hide();
  m_list = new KeyListView(m_model, this);
  m_list->setObjectName(QStringLiteral("keyList"));
  m_settingsLine = new ElidedLabel(this);
  m_settingsLine->setObjectName(QStringLiteral("settingsLine"));
  m_language = new QPushButton(this);
  m_language->setObjectName(QStringLiteral("languageButton"));
  m_language->setAutoDefault(false);
  m_log = new QPlainTextEdit(this);
  m_log->setObjectName(QStringLiteral("log"));
  m_log->setReadOnly(true);
  m_log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m_progressText = new QLabel(this);
  m_progressText->setObjectName(QStringLiteral("progressText"));
  m_progressText->setTextFormat(Qt::PlainText);
  m_progressBar = new QProgressBar(this);
  m_progressBar->setObjectName(QStringLiteral("progressBar"));
  m_progressBar->setRange(0, 100);
  // The progress comes and goes under the log: its room stays reserved, and a long text is cut
  // rather than widening the window.
  for (QWidget* progress : std::initializer_list<QWidget*>{m_progressText, m_progressBar}) {
    QSizePolicy policy = progress->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    policy.setHorizontalPolicy(QSizePolicy::Ignored);
    progress->setSizePolicy(policy);
    progress->hide();
  }
  m_stop = new QPushButton(this);
  m_stop->setObjectName(QStringLiteral("stopButton"));
  m_stop->setAutoDefault(false);
  QSizePolicy stopPolicy = m_stop->sizePolicy();
  stopPolicy.setRetainSizeWhenHidden(true);
  m_stop->setSizePolicy(stopPolicy);
  m_stop->hide();
  m_floors = new FloorsPanel(this);
  m_floors->setObjectName(QStringLiteral("floorsPanel"));
  for (std::size_t i = 0; i < m_commands.size(); ++i) {
    m_commands[i] = new QPushButton(this);
    m_commands[i]->setObjectName(QString::fromLatin1(kCommandNames[i]));
  }
  m_changeFloors = new QPushButton(this);
  m_changeFloors->setObjectName(QStringLiteral("changeFloorsButton"));
  m_help = new QPushButton(this);
  m_help->setObjectName(QStringLiteral("helpButton"));
  // Enter connects, as long as no other button has the focus.
  CommandButton(m_commands, Command::Connect)->setDefault(true);

  auto* top = new QHBoxLayout;
  top->addWidget(m_elevatorName, 1);
  top->addWidget(m_about);

  auto* filter = new QHBoxLayout;
  filter->addWidget(m_filter, 1);
  filter->addWidget(m_filterSummary);
  auto* keys = new QVBoxLayout;
  keys->addLayout(filter);
  keys->addWidget(m_loadCutShort);
  keys->addWidget(m_list);

  auto* summary = new QHBoxLayout;
  summary->addWidget(m_settingsLine, 1);
  summary->addWidget(m_language);

  auto* progress = new QHBoxLayout;
  progress->addWidget(m_progressText, 3);
  progress->addWidget(m_progressBar, 2);
  progress->addWidget(m_stop);

  // On a small screen the floors scroll rather than squeeze or push the buttons off the window.
  auto* floorsArea = new QScrollArea(this);
  floorsArea->setWidget(m_floors);
  floorsArea->setWidgetResizable(true);
  floorsArea->setFrameShape(QFrame::NoFrame);
  floorsArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  floorsArea->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  floorsArea->setMinimumWidth(m_floors->minimumSizeHint().width() +
                              floorsArea->verticalScrollBar()->sizeHint().width());

  auto* commands = new QVBoxLayout;
  commands->addWidget(CommandButton(m_commands, Command::AddKeys));
  commands->addWidget(floorsArea);
  commands->addWidget(CommandButton(m_commands, Command::EditKey));
  commands->addWidget(CommandButton(m_commands, Command::DeleteKey));
  commands->addWidget(m_changeFloors);
  commands->addStretch(1);
  commands->addWidget(CommandButton(m_commands, Command::Settings));
  commands->addWidget(CommandButton(m_commands, Command::Connect));
  commands->addWidget(CommandButton(m_commands, Command::Archive));
  commands->addWidget(BuildPrintButton());
  commands->addWidget(m_help);

  auto* grid = new QGridLayout(this);
  grid->addLayout(top, 0, 0, 1, 2);
  grid->addLayout(keys, 1, 0);
  grid->addLayout(summary, 2, 0);
  grid->addWidget(m_log, 3, 0);
  grid->addLayout(progress, 4, 0);
  grid->addLayout(commands, 1, 1, 4, 1);
  grid->setRowStretch(1, 4);
  grid->setRowStretch(3, 1);
  grid->setColumnStretch(0, 1);

  QWidget::setTabOrder(CommandButton(m_commands, Command::AddKeys),
                       CommandButton(m_commands, Command::EditKey));
  QWidget::setTabOrder(CommandButton(m_commands, Command::EditKey),
                       CommandButton(m_commands, Command::DeleteKey));
  QWidget::setTabOrder(CommandButton(m_commands, Command::DeleteKey), m_changeFloors);
  QWidget::setTabOrder(m_changeFloors, CommandButton(m_commands, Command::Settings));
  QWidget::setTabOrder(CommandButton(m_commands, Command::Settings),
                       CommandButton(m_commands, Command::Connect));
  QWidget::setTabOrder(CommandButton(m_commands, Command::Connect),
                       CommandButton(m_commands, Command::Archive));
  QWidget::setTabOrder(CommandButton(m_commands, Command::Archive), m_print);
  QWidget::setTabOrder(m_print, m_help);
  QWidget::setTabOrder(m_help, m_filter);
  QWidget::setTabOrder(m_filter, m_list);
  QWidget::setTabOrder(m_list, m_language);
  QWidget::setTabOrder(m_language, m_log);
  QWidget::setTabOrder(m_log, m_about);
}

void CQelKeyDlg::FixSizes() {
  // The least size holds every text the window may show, so that neither a language switch nor
  // a connect ever makes the window grow by itself.
  QSize least;
  for (Language language : {Language::Czech, Language::English}) {
    ApplyTexts(language);
    for (Text connect : {Text::ButtonConnect, Text::ButtonDisconnect}) {
      SetConnectText(Tr(connect, language), connect == Text::ButtonConnect);
      layout()->invalidate();
      least = least.expandedTo(layout()->totalMinimumSize());
    }
  }
  setMinimumSize(least);
  // Room for the window frame, which is not known before the window is shown.
  const QSize room = screen()->availableGeometry().size() * 0.9;
  resize(QSize(760, 520).boundedTo(room).expandedTo(least));
}

void CQelKeyDlg::ConnectSignals() {
  connect(CommandButton(m_commands, Command::AddKeys), &QPushButton::clicked, this,
          [this] { m_controller.AddKeys(); });
  connect(CommandButton(m_commands, Command::EditKey), &QPushButton::clicked, this,
          [this] { OnChosenKey(&UnitController::EditKey); });
  connect(CommandButton(m_commands, Command::DeleteKey), &QPushButton::clicked, this,
          &CQelKeyDlg::DeleteChosenKeys);
  connect(m_changeFloors, &QPushButton::clicked, this, &CQelKeyDlg::ChangeChosenFloors);
  connect(m_stop, &QPushButton::clicked, this, [this] { m_controller.StopBatch(); });
  connect(CommandButton(m_commands, Command::Settings), &QPushButton::clicked, this,
          [this] { m_controller.StartWriteSettings(); });
  connect(CommandButton(m_commands, Command::Archive), &QPushButton::clicked, this,
          [this] { m_controller.OpenArchive(); });
  connect(CommandButton(m_commands, Command::Connect), &QPushButton::clicked, this,
          [this] { m_controller.ConnectButton(); });
  connect(m_help, &QPushButton::clicked, this, &CQelKeyDlg::OpenHelp);
  connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
          &CQelKeyDlg::OpenHelp);
  connect(m_language, &QPushButton::clicked, this, [this] { m_controller.ToggleLanguage(); });
  connect(m_about, &QToolButton::clicked, this,
          [this] { m_interactions.ShowAbout(this, m_controller.language()); });
  connect(m_filter, &QLineEdit::textChanged, this,
          [this](const QString& text) { m_controller.SetKeyFilter(text.toStdString()); });
  // Esc clears the box instead of closing the window.
  auto* clearFilter = new QShortcut(QKeySequence(Qt::Key_Escape), m_filter);
  clearFilter->setContext(Qt::WidgetShortcut);
  connect(clearFilter, &QShortcut::activated, m_filter, &QLineEdit::clear);
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this), &QShortcut::activated, this, [this] {
    m_filter->setFocus(Qt::ShortcutFocusReason);
    m_filter->selectAll();
  });
  connect(m_list, &KeyListView::listClicked, this, [this] { m_controller.OnListClicked(); });
  connect(m_list, &KeyListView::listFocused, this, [this] { m_controller.OnListFocused(); });
  connect(m_list, &KeyListView::listKeyPressed, this, [this] { m_controller.OnListKeyPressed(); });
  connect(m_list, &KeyListView::sortRequested, this, [this](KeySortColumn column) {
    m_controller.SortKeyList(column);
    m_list->ShowOrder(m_controller.selection().order());
  });
  connect(m_list, &KeyListView::listDoubleClicked, this, [this] {
    if (!CommandButton(m_commands, Command::EditKey)->isEnabled()) return;
    OnChosenKey(&UnitController::EditKey);
    m_controller.PickSelectedRow();
  });
  connect(m_list, &KeyListView::listEnterPressed, this, &CQelKeyDlg::EditFromKeyboard);
  connect(m_list, &KeyListView::listDeletePressed, this, [this] {
    if (CommandButton(m_commands, Command::DeleteKey)->isEnabled()) DeleteChosenKeys();
  });
  m_list->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(m_list, &QWidget::customContextMenuRequested, this, &CQelKeyDlg::ShowKeyMenu);
}

void CQelKeyDlg::ShowKeyMenu(const QPoint& position) {
  const QModelIndex index = m_list->indexAt(position);
  if (!index.isValid()) return;
  // As a click on the row: the menu's commands act on the key under the pointer, or on the
  // selection it belongs to.
  const bool inSelection = m_list->selectionModel()->isRowSelected(index.row());
  if (!inSelection)
    m_list->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  m_controller.OnListClicked();
  const bool several = m_list->SelectedRows().size() > 1;
  auto* menu = new QMenu(this);
  menu->setObjectName(QStringLiteral("keyMenu"));
  menu->setAttribute(Qt::WA_DeleteOnClose);
  const Language language = m_controller.language();
  const auto add = [&](Text text, Command command, const char* name, std::function<void()> run) {
    QAction* action = menu->addAction(QTr(text, language));
    action->setObjectName(QLatin1String(name));
    action->setEnabled(CommandButton(m_commands, command)->isEnabled());
    connect(action, &QAction::triggered, this, std::move(run));
  };
  if (several) {
    add(Text::MenuDeleteKeys, Command::DeleteKey, "deleteAction", [this] { DeleteChosenKeys(); });
  } else {
    add(Text::ButtonEditKey, Command::EditKey, "editAction",
        [this] { OnChosenKey(&UnitController::EditKey); });
    add(Text::ButtonDeleteKey, Command::DeleteKey, "deleteAction", [this] { DeleteChosenKeys(); });
    add(Text::MenuReplaceLostKey, Command::EditKey, "replaceAction",
        [this] { OnChosenKey(&UnitController::ReplaceKey); });
  }
  add(Text::ButtonChangeFloors, Command::EditKey, "changeFloorsAction", [this] { ChangeChosenFloors(); });
  menu->popup(m_list->viewport()->mapToGlobal(position));
}

std::vector<int> CQelKeyDlg::ChosenKeys() {
  std::vector<int> records = m_controller.ChosenKeys(SelectedRows());
  if (records.empty()) {
    m_controller.sequencer().AppendLog(Tr(Text::NoKeyChosen, m_controller.language()));
  }
  return records;
}

void CQelKeyDlg::OnChosenKey(void (UnitController::*command)(int)) {
  const std::vector<int> records = ChosenKeys();
  if (!records.empty()) std::invoke(command, m_controller, records.front());
}

void CQelKeyDlg::DeleteChosenKeys() {
  const std::vector<int> records = ChosenKeys();
  if (!records.empty()) m_controller.DeleteKeys(records);
}

void CQelKeyDlg::ChangeChosenFloors() {
  const std::vector<int> records = ChosenKeys();
  if (records.empty()) return;
  const std::optional<FloorChange> change =
      m_interactions.AskFloorChange(this, m_controller.language(), static_cast<int>(records.size()));
  if (change) m_controller.ChangeFloors(records, *change);
}

void CQelKeyDlg::EditFromKeyboard() {
  if (!CommandButton(m_commands, Command::EditKey)->isEnabled()) return;
  if (SelectedRows().size() > 1) {
    m_controller.sequencer().AppendLog(Tr(Text::ChooseOneKey, m_controller.language()));
    return;
  }
  OnChosenKey(&UnitController::EditKey);
}

void CQelKeyDlg::OpenHelp() {
  const QUrl page = HelpTarget(QDir::current(), QStringLiteral(QEL_INSTALLED_HELP));
  if (page.isLocalFile() && m_interactions.OpenPage(page)) return;
  // No page on disk, or no browser to show it: the copy built into the program needs neither.
  if (m_helpWindow == nullptr) m_helpWindow = new CHelpDlg(this);
  m_helpWindow->ShowIn(m_controller.language());
}

void CQelKeyDlg::ShowMessageBox(std::string_view caption, std::string_view text) {
  const QString shownCaption =
      caption.empty() ? QTr(Text::ApplicationCaption, m_controller.language()) : ToQString(caption);
  m_interactions.ShowBox(this, QMessageBox::NoIcon, shownCaption, ToQString(text));
}

void CQelKeyDlg::ShowSerialWarning(std::string_view text) {
  m_interactions.ShowBox(this, QMessageBox::Warning, QTr(Text::WarningCaption, m_controller.language()),
                         ToQString(text));
}

void CQelKeyDlg::SetCommandEnabled(Command command, bool enabled) {
  CommandButton(m_commands, command)->setEnabled(enabled);
  if (command == Command::EditKey) {
    m_changeFloors->setEnabled(enabled);
    m_list->SetKeyCommandsOn(enabled);
  }
}

void CQelKeyDlg::SetConnectText(std::string_view text, bool isDefault) {
  QPushButton* button = CommandButton(m_commands, Command::Connect);
  button->setText(ToQString(text));
  button->setDefault(isDefault);
  button->setAccessibleName(WithoutMnemonic(button->text()));
  // Connect again after a dropped link or a disconnect: Enter reconnects wherever the focus was.
  if (isDefault && !m_connectIsDefault) button->setFocus();
  m_connectIsDefault = isDefault;
}

void CQelKeyDlg::ShowLog(std::string_view logText) {
  QString text = ToQString(logText);
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  m_log->setPlainText(text);
  // The newest line is on top; keep it in view.
  m_log->verticalScrollBar()->setValue(m_log->verticalScrollBar()->minimum());
}

void CQelKeyDlg::ShowProgress(std::string_view what, int percent, std::string_view timeLeft) {
  m_progressText->setText(ToQString(what));
  // Without a known end the bar only shows that the unit is at work.
  const bool known = percent >= 0;
  m_progressBar->setRange(0, known ? 100 : 0);
  m_progressBar->setValue(known ? percent : 0);
  m_progressBar->setFormat(known ? QStringLiteral("%p%, ") + ToQString(timeLeft) : QString());
  m_progressText->show();
  m_progressBar->show();
}

void CQelKeyDlg::HideProgress() {
  m_progressText->hide();
  m_progressBar->hide();
}

KeyDialogEnd CQelKeyDlg::RunKeyDialog(KeyDialog& dialog) { return m_interactions.RunKeyDialog(this, dialog); }

bool CQelKeyDlg::RunSettingsDialog(SettingsDialog& dialog) {
  return m_interactions.RunSettingsDialog(this, dialog);
}

void CQelKeyDlg::RunArchiveDialog(ArchiveDialog& dialog) { m_interactions.RunArchiveDialog(this, dialog); }

bool CQelKeyDlg::AskYesNo(std::string_view caption, std::string_view text, DefaultAnswer defaultAnswer) {
  return m_interactions.AskYesNo(this, ToQString(caption), ToQString(text), m_controller.language(),
                                 defaultAnswer);
}

std::optional<ConnectChoice> CQelKeyDlg::AskConnect(Language language, std::string_view prompt) {
  ConnectDialogSetup setup;
  setup.language = language;
  setup.mode = ConnectMode::Connect;
  setup.prompt = ToQString(prompt);
  setup.ports = m_port.ports().Entries();
  setup.offered = RememberedConnectChoice();
  std::optional<ConnectChoice> choice = m_interactions.AskConnect(this, setup);
  if (choice) RememberConnectChoice(*choice);
  return choice;
}

void CQelKeyDlg::ShowKeyRows(std::vector<KeyListRow> rows) { m_model.SetRows(rows); }

void CQelKeyDlg::AppendKeyRows(std::vector<KeyListRow> rows) { m_model.AppendRows(rows); }

void CQelKeyDlg::SetRowHighlight(int row, bool highlighted) { m_list->SetRowHighlight(row, highlighted); }

void CQelKeyDlg::ShowKeyAtReader(bool atReaderNow) { m_model.SetKeyAtReader(atReaderNow); }

std::optional<int> CQelKeyDlg::SelectedRow() const { return m_list->FirstSelectedRow(); }

std::vector<int> CQelKeyDlg::SelectedRows() const { return m_list->SelectedRows(); }

void CQelKeyDlg::ShowStopButton(bool shown) { m_stop->setVisible(shown); }

void CQelKeyDlg::SelectRow(int row) { m_list->SelectRow(row); }

void CQelKeyDlg::ShowFilterSummary(std::string_view summary) { m_filterSummary->setText(ToQString(summary)); }

void CQelKeyDlg::ShowLoadCutShort(std::string_view note) {
  m_loadCutShort->SetFullText(ToQString(note));
  m_loadCutShort->setVisible(!note.empty());
}

void CQelKeyDlg::ShowFloors(const Floors& floors) { m_floors->ShowFloors(floors); }

void CQelKeyDlg::ShowSettingsLine(std::string_view summary, std::string_view elevatorName) {
  m_settingsLine->SetFullText(ToQString(summary));
  m_elevatorName->SetFullText(ToQString(elevatorName));
  // The summary is there only while a unit is connected: the title names that unit's lift, so
  // that windows on several lifts can be told apart in the task bar.
  const Language language = m_controller.language();
  setWindowTitle(summary.empty() || elevatorName.empty()
                     ? QTr(Text::ApplicationCaption, language)
                     : ToQString(TrFormat(Text::WindowTitleElevator, language, {elevatorName})));
}

void CQelKeyDlg::ApplyTexts(Language language) {
  for (std::size_t i = 0; i < m_commands.size(); ++i) {
    if (!kCommandTexts[i]) continue;
    m_commands[i]->setText(QTr(*kCommandTexts[i], language));
    m_commands[i]->setAccessibleName(WithoutMnemonic(m_commands[i]->text()));
  }
  m_changeFloors->setText(QTr(Text::ButtonChangeFloors, language));
  m_changeFloors->setAccessibleName(WithoutMnemonic(m_changeFloors->text()));
  m_stop->setText(QTr(Text::ButtonStop, language));
  m_stop->setAccessibleName(QTr(Text::AccessibleStopButton, language));
  ApplyPrintTexts(language);
  m_help->setText(QTr(Text::ButtonHelp, language));
  m_help->setAccessibleName(WithoutMnemonic(m_help->text()));
  m_language->setText(QTr(Text::ButtonLanguage, language));
  m_language->setAccessibleName(WithoutMnemonic(m_language->text()));
  m_about->setText(QTr(Text::AboutMenuItem, language));
  m_about->setAccessibleName(WithoutMnemonic(m_about->text()));
  m_floors->ApplyTexts(language);
  m_model.SetHeaders(language);
  m_list->FitColumns();
  m_list->setAccessibleName(QTr(Text::AccessibleKeyList, language));
  m_filter->setPlaceholderText(QTr(Text::KeyFilterPlaceholder, language));
  m_filter->setAccessibleName(m_filter->placeholderText());
  m_filterSummary->setAccessibleName(QTr(Text::AccessibleKeyFilterSummary, language));
  m_loadCutShort->setAccessibleName(QTr(Text::AccessibleKeyLoadCutShort, language));
  m_log->setAccessibleName(QTr(Text::AccessibleLog, language));
  m_progressText->setAccessibleName(QTr(Text::AccessibleProgressText, language));
  m_progressBar->setAccessibleName(QTr(Text::AccessibleProgressBar, language));
  m_elevatorName->setAccessibleName(QTr(Text::AccessibleElevatorName, language));
  m_settingsLine->setAccessibleName(QTr(Text::AccessibleSettingsLine, language));
}

bool CQelKeyDlg::StartTimer(int id, std::chrono::milliseconds period) { return m_timers.Start(id, period); }

void CQelKeyDlg::StopTimer(int id) { m_timers.Stop(id); }

void CQelKeyDlg::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Cancel)) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void CQelKeyDlg::done(int result) {
  if (!m_controller.MayClose()) return;
  m_timers.StopAll();
  m_controller.Close();
  SaveWindowGeometry(*this);
  QDialog::done(result);
}

}  // namespace qel
