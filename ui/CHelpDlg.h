#pragma once

#include <QDialog>

#include "texts/Language.h"

class QPushButton;
class QTextBrowser;

namespace qel {

// The help page built into the program, for a machine without a browser or an installed page.
// Not modal: the operator reads it while working in the main window.
class CHelpDlg final : public QDialog {
  Q_OBJECT

 public:
  explicit CHelpDlg(QWidget* parent = nullptr);

  // Shows the window, captioned in `language`, at that language's half of the page.
  void ShowIn(Language language);

 private:
  QTextBrowser* m_browser = nullptr;
  QPushButton* m_close = nullptr;
};

}  // namespace qel
