#include "ui/FileDialogs.h"

#include <QFileDialog>
#include <QFileInfo>

#include "texts/Utf8Path.h"
#include "ui/RememberedChoices.h"

namespace qel {
namespace {

std::optional<std::filesystem::path> Choose(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString chosen = dialog.selectedFiles().constFirst();
  RememberFolder(QFileInfo(chosen).absolutePath());
  return PathFromUtf8(chosen.toStdString());
}

}  // namespace

std::optional<std::filesystem::path> ChooseFileToOpen(QWidget* parent, const QString& caption,
                                                      const QString& filter) {
  QFileDialog dialog(parent, caption, RememberedFolder(), filter);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  return Choose(dialog);
}

std::optional<std::filesystem::path> ChooseFileToSave(QWidget* parent, const QString& caption,
                                                      const QString& filter, const QString& suffix,
                                                      const QString& name) {
  QFileDialog dialog(parent, caption, RememberedFolder(), filter);
  if (!name.isEmpty()) dialog.selectFile(name);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // The dialog itself then asks before replacing a file, the suffix included.
  dialog.setDefaultSuffix(suffix);
  return Choose(dialog);
}

}  // namespace qel
