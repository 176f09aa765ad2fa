#pragma once

#include <QDialog>
#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

#include "dialogs/ArchiveDialog.h"
#include "sequencer/TimerHost.h"
#include "texts/Texts.h"
#include "ui/CConfirmDlg.h"
#include "ui/CImportDlg.h"
#include "ui/FileDialogs.h"
#include "ui/MessageBoxes.h"
#include "ui/OperationTimers.h"

class QPushButton;

namespace qel {

// How the archive dialog asks the operator; tests put recorders in their place.
struct ArchivePrompts {
  MessageBoxFunction showBox = ShowModalBox;
  std::function<bool(QWidget* parent, Language language, const QString& prompt)> confirm = ConfirmModal;
  std::function<std::optional<std::filesystem::path>(QWidget* parent, const QString& caption,
                                                     const QString& filter)>
      openFile = ChooseFileToOpen;
  std::function<std::optional<std::filesystem::path>(QWidget* parent, const QString& caption,
                                                     const QString& filter, const QString& suffix,
                                                     const QString& name)>
      saveFile = ChooseFileToSave;
  std::function<bool(QWidget* parent, Language language, const ImportPlan& plan)> previewImport =
      RunImportPreview;
};

// The archive dialog: the unit's memory to a file or a CSV table, a file back into the unit, the
// keys of a CSV table added, and the deletion of all keys or logs. It draws what its ArchiveDialog tells it,
// runs that logic's timers and forwards the clicks; it will not close while a transfer runs.
class CArchiveDlg final : public QDialog, public ArchiveDialogWindow, public TimerHost {
  Q_OBJECT

 public:
  // Builds the dialog and opens `dialog` (its link check starts at once). `dialog` must outlive it.
  explicit CArchiveDlg(ArchiveDialog& dialog, ArchivePrompts prompts = {}, QWidget* parent = nullptr);
  ~CArchiveDlg() override;

  // ArchiveDialogWindow
  void SetButtons(ArchiveState pattern) override;
  void ShowMessage(std::string_view text) override;
  bool Confirm(std::string_view prompt) override;
  std::optional<std::filesystem::path> AskOpenFile(std::string_view caption,
                                                   std::string_view filter) override;
  std::optional<std::filesystem::path> AskSaveFile(std::string_view caption, std::string_view filter,
                                                   std::string_view suffix, std::string_view name) override;
  bool PreviewImport(const ImportPlan& plan) override;

  // TimerHost
  bool StartTimer(int id, std::chrono::milliseconds period) override;
  void StopTimer(int id) override;

  // Every way out ends here; while a transfer runs it is refused.
  void done(int result) override;

 private:
  enum Button { kCopyToPc, kCopyToUnit, kExport, kImport, kDeleteKeys, kDeleteLogs, kCancel, kButtonCount };

  void BuildControls();
  // A button of the dialog; `action` runs on each click.
  QPushButton* AddButton(Button button, Text text, const char* name, std::function<void()> action);

  ArchiveDialog& m_dialog;
  ArchivePrompts m_prompts;
  OperationTimers m_timers;
  bool m_closed = false;
  std::array<QPushButton*, kButtonCount> m_buttons{};
};

}  // namespace qel
