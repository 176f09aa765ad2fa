#include "ui/CArchiveDlg.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "ui/QtTexts.h"

namespace qel {

CArchiveDlg::CArchiveDlg(ArchiveDialog& dialog, ArchivePrompts prompts, QWidget* parent)
    : QDialog(parent),
      m_dialog(dialog),
      m_prompts(std::move(prompts)),
      m_timers([this](int id) { m_dialog.OnTimer(id); }) {
  setWindowTitle(QTr(Text::ApplicationCaption, m_dialog.language()));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  BuildControls();
  m_dialog.Open(*this, *this);
}

CArchiveDlg::~CArchiveDlg() {
  if (!m_closed) m_dialog.Close();
}

QPushButton* CArchiveDlg::AddButton(Button button, Text text, const char* name,
                                    std::function<void()> action) {
  auto* pushButton = new QPushButton(QTr(text, m_dialog.language()), this);
  pushButton->setObjectName(QString::fromLatin1(name));
  pushButton->setAccessibleName(WithoutMnemonic(pushButton->text()));
  pushButton->setAutoDefault(false);
  if (action) connect(pushButton, &QPushButton::clicked, this, std::move(action));
  m_buttons[button] = pushButton;
  return pushButton;
}

void CArchiveDlg::BuildControls() {
  auto* memory = new QGroupBox(this);
  auto* memoryColumn = new QVBoxLayout(memory);
  memoryColumn->addWidget(
      AddButton(kCopyToPc, Text::ArchiveCopyToPc, "copyToPcButton", [this] { m_dialog.SaveImage(); }));
  memoryColumn->addWidget(
      AddButton(kCopyToUnit, Text::ArchiveCopyToUnit, "copyToUnitButton", [this] { m_dialog.LoadImage(); }));
  memoryColumn->addWidget(
      AddButton(kExport, Text::ArchiveExport, "exportButton", [this] { m_dialog.ExportCsv(); }));
  // The keys are saved in the main window, with its bar, once this dialog has closed.
  memoryColumn->addWidget(AddButton(kImport, Text::ArchiveImport, "importButton", [this] {
    if (m_dialog.ImportKeys()) accept();
  }));

  auto* deletion = new QGroupBox(this);
  auto* deletionColumn = new QVBoxLayout(deletion);
  deletionColumn->addWidget(AddButton(kDeleteKeys, Text::ArchiveDeleteKeys, "deleteKeysButton",
                                      [this] { m_dialog.DeleteAllKeys(); }));
  deletionColumn->addWidget(AddButton(kDeleteLogs, Text::ArchiveDeleteLogs, "deleteLogsButton",
                                      [this] { m_dialog.DeleteAllLogs(); }));

  QPushButton* cancel = AddButton(kCancel, Text::ButtonCancel, "cancelButton", nullptr);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(cancel);

  auto* column = new QVBoxLayout(this);
  column->addWidget(memory);
  column->addWidget(deletion);
  column->addLayout(bottom);
  column->setSizeConstraint(QLayout::SetFixedSize);
}

void CArchiveDlg::SetButtons(ArchiveState pattern) {
  const bool ready = pattern == ArchiveState::Ready;
  m_buttons[kCopyToPc]->setEnabled(ready || pattern == ArchiveState::Failed);
  for (Button unitButton : {kCopyToUnit, kExport, kImport, kDeleteKeys, kDeleteLogs})
    m_buttons[unitButton]->setEnabled(ready);
  m_buttons[kCancel]->setEnabled(pattern != ArchiveState::Busy);
}

void CArchiveDlg::ShowMessage(std::string_view text) {
  m_prompts.showBox(this, QMessageBox::Warning, QTr(Text::ApplicationCaption, m_dialog.language()),
                    ToQString(text));
}

bool CArchiveDlg::Confirm(std::string_view prompt) {
  return m_prompts.confirm(this, m_dialog.language(), ToQString(prompt));
}

std::optional<std::filesystem::path> CArchiveDlg::AskOpenFile(std::string_view caption,
                                                              std::string_view filter) {
  return m_prompts.openFile(this, ToQString(caption), ToQString(filter));
}

std::optional<std::filesystem::path> CArchiveDlg::AskSaveFile(std::string_view caption,
                                                              std::string_view filter,
                                                              std::string_view suffix,
                                                              std::string_view name) {
  return m_prompts.saveFile(this, ToQString(caption), ToQString(filter), ToQString(suffix), ToQString(name));
}

bool CArchiveDlg::PreviewImport(const ImportPlan& plan) {
  return m_prompts.previewImport(this, m_dialog.language(), plan);
}

bool CArchiveDlg::StartTimer(int id, std::chrono::milliseconds period) { return m_timers.Start(id, period); }

void CArchiveDlg::StopTimer(int id) { m_timers.Stop(id); }

void CArchiveDlg::done(int result) {
  // Esc and the window's close button would otherwise stop a transfer half-way.
  if (!m_dialog.MayClose()) return;
  if (!m_closed) m_dialog.Close();
  m_closed = true;
  QDialog::done(result);
}

}  // namespace qel
