#pragma once

#include <QMessageBox>
#include <QString>
#include <QUrl>
#include <filesystem>
#include <optional>

#include "controller/KeyBatch.h"
#include "controller/MainView.h"
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
  // Shows the settings dialog around `dialog`; true when the operator confirmed it.
  virtual bool RunSettingsDialog(QWidget* parent, SettingsDialog& dialog) = 0;
  // Shows the archive dialog around `dialog`; it closes only when no transfer runs.
  virtual void RunArchiveDialog(QWidget* parent, ArchiveDialog& dialog) = 0;
  // The file dialog for a new file of the kind `filter` names; `suffix` is added when the name
  // has none, and an existing file is replaced only once the operator agrees. None when cancelled.
  virtual std::optional<std::filesystem::path> AskSaveFile(QWidget* parent, const QString& caption,
                                                           const QString& filter, const QString& suffix) = 0;
  // The change of floors for `keys` chosen keys, judged at OK; none when the operator cancels.
  virtual std::optional<FloorChange> AskFloorChange(QWidget* parent, Language language, int keys) = 0;
  // True for Yes; Enter presses the button `defaultAnswer` names.
  virtual bool AskYesNo(QWidget* parent, const QString& caption, const QString& text, Language language,
                        DefaultAnswer defaultAnswer) = 0;
  virtual void ShowAbout(QWidget* parent, Language language) = 0;
  // False when the desktop has no way to show the page.
  virtual bool OpenPage(const QUrl& page) = 0;
};

// Real modal dialogs, and the desktop's browser for pages.
class DesktopInteractions final : public WindowInteractions {
 public:
  void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text) override;
  std::optional<ConnectChoice> AskConnect(QWidget* parent, const ConnectDialogSetup& setup) override;
  // Window-modal, so that other top-level windows of the program (the demo's reader) stay usable.
  KeyDialogEnd RunKeyDialog(QWidget* parent, KeyDialog& dialog) override;
  // Window-modal too, for the same reason.
  bool RunSettingsDialog(QWidget* parent, SettingsDialog& dialog) override;
  void RunArchiveDialog(QWidget* parent, ArchiveDialog& dialog) override;
  std::optional<std::filesystem::path> AskSaveFile(QWidget* parent, const QString& caption,
                                                   const QString& filter, const QString& suffix) override;
  std::optional<FloorChange> AskFloorChange(QWidget* parent, Language language, int keys) override;
  bool AskYesNo(QWidget* parent, const QString& caption, const QString& text, Language language,
                DefaultAnswer defaultAnswer) override;
  void ShowAbout(QWidget* parent, Language language) override;
  bool OpenPage(const QUrl& page) override;
};

}  // namespace qel
