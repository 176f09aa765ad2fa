#pragma once

#include <QDialog>

#include "texts/Language.h"

namespace qel {

// The program's name and version and its maker, with the icon at the left and an OK button.
class CAboutDlg final : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(Language language, QWidget* parent = nullptr);
};

}  // namespace qel
