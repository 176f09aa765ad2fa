#include "ui/WindowInteractions.h"

#include <QDesktopServices>

#include "ui/CAboutDlg.h"
#include "ui/CArchiveDlg.h"
#include "ui/CFloorChangeDlg.h"
#include "ui/CKeyDlg.h"
#include "ui/CSettingsDlg.h"
#include "ui/FileDialogs.h"

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
  CKeyDlg keyDialog(dialog, ShowModalBox, AskModalNoByDefault, parent);
  keyDialog.setWindowModality(Qt::WindowModal);
  keyDialog.exec();
  return keyDialog.end();
}

bool DesktopInteractions::RunSettingsDialog(QWidget* parent, SettingsDialog& dialog) {
  CSettingsDlg settingsDialog(dialog, ShowModalBox, AskAccessCodeModal, AskModalYesNo, parent);
  settingsDialog.setWindowModality(Qt::WindowModal);
  return settingsDialog.exec() == QDialog::Accepted;
}

void DesktopInteractions::RunArchiveDialog(QWidget* parent, ArchiveDialog& dialog) {
  CArchiveDlg archiveDialog(dialog, {}, parent);
  archiveDialog.setWindowModality(Qt::WindowModal);
  archiveDialog.exec();
}

std::optional<std::filesystem::path> DesktopInteractions::AskSaveFile(QWidget* parent, const QString& caption,
                                                                      const QString& filter,
                                                                      const QString& suffix) {
  return ChooseFileToSave(parent, caption, filter, suffix);
}

std::optional<FloorChange> DesktopInteractions::AskFloorChange(QWidget* parent, Language language, int keys) {
  CFloorChangeDlg dialog(language, keys, ShowModalBox, parent);
  dialog.setWindowModality(Qt::WindowModal);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.change();
}

bool DesktopInteractions::AskYesNo(QWidget* parent, const QString& caption, const QString& text,
                                   Language language, DefaultAnswer defaultAnswer) {
  return AskModalQuestion(parent, caption, text, language, defaultAnswer);
}

void DesktopInteractions::ShowAbout(QWidget* parent, Language language) {
  CAboutDlg about(language, parent);
  about.exec();
}

bool DesktopInteractions::OpenPage(const QUrl& page) { return QDesktopServices::openUrl(page); }

}  // namespace qel
