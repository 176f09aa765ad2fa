#include "ui/WindowInteractions.h"

#include <QAbstractButton>
#include <QDesktopServices>

#include "ui/CAboutDlg.h"
#include "ui/CKeyDlg.h"
#include "ui/QtTexts.h"

namespace qel {

void DesktopInteractions::ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                  const QString& text) {
  ShowModalBox(parent, icon, caption, text);
}

std::optional<ConnectChoice> DesktopInteractions::AskConnect(QWidget* parent,
                                                             const ConnectDialogSetup& setup) {
  CConnectDlg dialog(setup, ShowModalBox, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.choice();
}

KeyDialogEnd DesktopInteractions::RunKeyDialog(QWidget* parent, KeyDialog& dialog) {
  CKeyDlg keyDialog(dialog, ShowModalBox, parent);
  keyDialog.setWindowModality(Qt::WindowModal);
  keyDialog.exec();
  return keyDialog.end();
}

bool DesktopInteractions::AskYesNo(QWidget* parent, const QString& caption, const QString& text,
                                   Language language) {
  QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
  box.setTextFormat(Qt::PlainText);
  // Qt's own button texts follow the system's language, not the one the operator chose.
  box.button(QMessageBox::Yes)->setText(QTr(Text::ButtonYes, language));
  box.button(QMessageBox::No)->setText(QTr(Text::ButtonNo, language));
  return box.exec() == QMessageBox::Yes;
}

void DesktopInteractions::ShowAbout(QWidget* parent) {
  CAboutDlg about(parent);
  about.exec();
}

void DesktopInteractions::OpenPage(const QUrl& page) { QDesktopServices::openUrl(page); }

}  // namespace qel
