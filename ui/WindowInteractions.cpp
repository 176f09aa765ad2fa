#include "ui/WindowInteractions.h"

#include <QDesktopServices>

#include "ui/CAboutDlg.h"

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

void DesktopInteractions::ShowAbout(QWidget* parent) {
  CAboutDlg about(parent);
  about.exec();
}

void DesktopInteractions::OpenPage(const QUrl& page) { QDesktopServices::openUrl(page); }

}  // namespace qel
