#pragma once

#include <QString>
#include <filesystem>
#include <optional>

class QWidget;

namespace qel {

// Qt's own file dialogs, modal over `parent`. `filter` names the kind of file ("QEL data (*.kym)").
// Each opens in the folder of the file chosen last, in this run or an earlier one.

// A file to read; none when cancelled.
std::optional<std::filesystem::path> ChooseFileToOpen(QWidget* parent, const QString& caption,
                                                      const QString& filter);

// A file to write, `name` proposed: `suffix` is added when the name has none, and an existing file
// is replaced only once the operator agrees. None when cancelled.
std::optional<std::filesystem::path> ChooseFileToSave(QWidget* parent, const QString& caption,
                                                      const QString& filter, const QString& suffix,
                                                      const QString& name = {});

}  // namespace qel
