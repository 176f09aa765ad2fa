#pragma once

#include <QDialog>

namespace qel {

// The program's version and maker, with the icon at the left and an OK button.
class CAboutDlg final : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace qel
