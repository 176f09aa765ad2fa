#pragma once

#include <QDialog>

#include "dialogs/KeyImport.h"
#include "texts/Language.h"

namespace qel {

// The preview of an import: the keys to be added with the IDs they will get, the lines skipped
// with their reasons, the count and the time the save takes. OK goes on with the save.
class CImportDlg final : public QDialog {
  Q_OBJECT

 public:
  CImportDlg(const ImportPlan& plan, Language language, QWidget* parent = nullptr);
};

// Shows the preview modally over `parent`; true on OK.
bool RunImportPreview(QWidget* parent, Language language, const ImportPlan& plan);

}  // namespace qel
