// The main window's printing of the key list: the print button, its menu and Ctrl+P, Qt's print
// dialog and the PDF file.
#include <QAction>
#include <QCheckBox>
#include <QDate>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

#include "texts/Utf8Path.h"
#include "ui/CQelKeyDlg.h"
#include "ui/KeyListPrinter.h"
#include "ui/KeyListView.h"
#include "ui/QtTexts.h"
#include "ui/WindowInteractions.h"

namespace qel {

QPushButton* CQelKeyDlg::BuildPrintButton() {
  m_print = new QPushButton(this);
  m_print->setObjectName(QStringLiteral("printButton"));
  m_print->setAutoDefault(false);
  auto* menu = new QMenu(m_print);
  m_printAction = menu->addAction(QString(), this, &CQelKeyDlg::OpenPrintDialog);
  m_printAction->setObjectName(QStringLiteral("printAction"));
  m_printAction->setShortcut(QKeySequence::Print);
  m_pdfAction = menu->addAction(QString(), this, &CQelKeyDlg::SaveKeyListAsPdf);
  m_pdfAction->setObjectName(QStringLiteral("pdfAction"));
  m_print->setMenu(menu);
  // The menu shows Ctrl+P; the action's place in the window makes it work while the menu is shut.
  addAction(m_printAction);
  return m_print;
}

void CQelKeyDlg::ApplyPrintTexts(Language language) {
  m_print->setText(QTr(Text::ButtonPrint, language));
  m_print->setAccessibleName(WithoutMnemonic(m_print->text()));
  m_printAction->setText(QTr(Text::MenuPrint, language));
  m_pdfAction->setText(QTr(Text::MenuSaveAsPdf, language));
}

bool CQelKeyDlg::PrintKeyList(QPagedPaintDevice& device, PrintScope scope) {
  const KeyListDocument document = m_controller.KeysToPrint(scope, SelectedRows());
  return KeyListPrinter(document, m_controller.language(), QDate::currentDate()).Print(device);
}

void CQelKeyDlg::OpenPrintDialog() {
  const Language language = m_controller.language();
  QPrinter printer(QPrinter::HighResolution);
  QPrintDialog dialog(&printer, this);
  dialog.setObjectName(QStringLiteral("printDialog"));
  dialog.setOption(QAbstractPrintDialog::PrintSelection, !SelectedRows().empty());
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  auto* keys = new QWidget;
  keys->setWindowTitle(QTr(Text::PrintOptionsTab, language));
  auto* onlyShown = new QCheckBox(QTr(Text::PrintOnlyShown, language), keys);
  onlyShown->setObjectName(QStringLiteral("printOnlyShown"));
  onlyShown->setEnabled(!m_controller.selection().filter().IsEmpty());
  (new QVBoxLayout(keys))->addWidget(onlyShown);
  dialog.setOptionTabs({keys});
  if (dialog.exec() != QDialog::Accepted) return;
  PrintScope scope = PrintScope::All;
  if (printer.printRange() == QPrinter::Selection)
    scope = PrintScope::Selected;
  else if (onlyShown->isChecked())
    scope = PrintScope::Shown;
  if (!PrintKeyList(printer, scope))
    ShowMessageBox(Tr(Text::ApplicationCaption, language),
                   TrFormat(Text::PrintFailed, language, {printer.printerName().toStdString()}));
}

void CQelKeyDlg::SaveKeyListAsPdf() {
  const Language language = m_controller.language();
  const std::optional<std::filesystem::path> path =
      m_interactions.AskSaveFile(this, WithoutMnemonic(QTr(Text::MenuSaveAsPdf, language)),
                                 QTr(Text::PrintPdfFiles, language), QStringLiteral("pdf"));
  if (!path) return;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(Utf8FromPath(*path)));
  // Every key: the print dialog, which can print to a PDF file too, chooses fewer.
  if (PrintKeyList(printer, PrintScope::All))
    m_controller.sequencer().AppendLog(TrFormat(Text::PrintPdfSaved, language, {Utf8FromPath(*path)}));
  else
    ShowMessageBox(Tr(Text::ApplicationCaption, language),
                   TrFormat(Text::PrintFailed, language, {Utf8FromPath(*path)}));
}

}  // namespace qel
