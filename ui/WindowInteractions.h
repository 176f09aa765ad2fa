#pragma once

#include <QMessageBox>
#include <QString>
#include <QUrl>
#include <optional>

#include "sequencer/MainView.h"
#include "ui/CConnectDlg.h"

class QWidget;

namespace qel {

// Everything the main window does that waits for the operator or leaves the program: modal
// boxes and dialogs, and pages handed to the desktop. Each call returns once it is answered;
// the program uses the real desktop, tests answer at once and remember what was asked.
class WindowInteractions {
 public:
  virtual ~WindowInteractions() = default;
  virtual void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                       const QString& text) = 0;
  // None when the operator cancels.
  virtual std::optional<ConnectChoice> AskConnect(QWidget* parent, const ConnectDialogSetup& setup) = 0;
  // Shows the key dialog around `dialog`; how the operator left it.
  virtual KeyDialogEnd RunKeyDialog(QWidget* parent, KeyDialog& dialog) = 0;
  // True for Yes.
  virtual bool AskYesNo(QWidget* parent, const QString& caption, const QString& text, Language language) = 0;
  virtual void ShowAbout(QWidget* parent) = 0;
  virtual void OpenPage(const QUrl& page) = 0;
};

// Real modal dialogs, and the desktop's browser for pages.
class DesktopInteractions final : public WindowInteractions {
 public:
  void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text) override;
  std::optional<ConnectChoice> AskConnect(QWidget* parent, const ConnectDialogSetup& setup) override;
  // Window-modal, so that other top-level windows of the program (the demo's reader) stay usable.
  KeyDialogEnd RunKeyDialog(QWidget* parent, KeyDialog& dialog) override;
  bool AskYesNo(QWidget* parent, const QString& caption, const QString& text, Language language) override;
  void ShowAbout(QWidget* parent) override;
  // A page the desktop cannot open is not reported: Help has nothing better to offer.
  void OpenPage(const QUrl& page) override;
};

}  // namespace qel
