#include "ui/FileDialogs.h"

#include <QFile>
#include <QFileDialog>

namespace qel {
namespace {

std::optional<std::filesystem::path> Choose(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return std::filesystem::path(QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString());
}

}  // namespace

std::optional<std::filesystem::path> ChooseFileToOpen(QWidget* parent, const QString& caption,
                                                      const QString& filter) {
  QFileDialog dialog(parent, caption, QString(), filter);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  return Choose(dialog);
}

std::optional<std::filesystem::path> ChooseFileToSave(QWidget* parent, const QString& caption,
                                                      const QString& filter, const QString& suffix) {
  QFileDialog dialog(parent, caption, QString(), filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // The dialog itself then asks before replacing a file, the suffix included.
  dialog.setDefaultSuffix(suffix);
  return Choose(dialog);
}

}  // namespace qel
