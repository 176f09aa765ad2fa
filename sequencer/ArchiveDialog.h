#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

#include "files/ImageFile.h"
#include "keystore/KeyMemoryImage.h"
#include "sequencer/ArchiveOperations.h"
#include "sequencer/SettingsWrite.h"
#include "texts/Language.h"

namespace qel {

class TimerHost;
class UnitController;

// How the archive dialog's buttons stand: its five functions and Cancel.
enum class ArchiveButtons {
  Busy,            // a transfer runs: nothing, Cancel included
  Ready,           // everything
  Failed,          // the link is gone or the image write failed: copy to the PC and Cancel
  SettingsFailed,  // the settings after an image failed: Cancel alone
};

// The archive dialog's window as its logic sees it.
class ArchiveDialogWindow {
 public:
  virtual ~ArchiveDialogWindow() = default;
  virtual void SetButtons(ArchiveButtons pattern) = 0;
  // A box with an OK button and the application's caption.
  virtual void ShowMessage(std::string_view text) = 0;
  // The confirmation dialog: true only when the operator ticked its box and pressed OK.
  virtual bool Confirm(std::string_view prompt) = 0;
  // File dialogs; none when cancelled. The save dialog adds `suffix` when the operator leaves it
  // out and replaces an existing file only once the operator agrees.
  virtual std::optional<std::filesystem::path> AskOpenFile(std::string_view caption,
                                                           std::string_view filter) = 0;
  virtual std::optional<std::filesystem::path> AskSaveFile(std::string_view caption, std::string_view filter,
                                                           std::string_view suffix) = 0;
};

// The logic of the archive dialog, free of any widget: the PC's copy of the memory to a file or a
// CSV table, a file back into the unit, and the deletion of all keys or all logs. While it is open
// it talks to the unit itself, through a runner of its own on the dialog's timer host: the link
// check rests between a delete-all and a restore (the image write, then the image's settings).
// What it did is recorded for the archive command, which takes it over once the dialog has closed.
class ArchiveDialog {
 public:
  static constexpr int kTimerId = 1;

  // Takes a copy of the main window's image and settings.
  ArchiveDialog(UnitController& controller);
  ~ArchiveDialog();

  Language language() const;

  // The dialog appears: the link check starts ("Timer error!" and false when it cannot).
  bool Open(ArchiveDialogWindow& window, TimerHost& timers);
  void OnTimer(int id);

  // The five functions.
  void SaveImage();
  void LoadImage();
  void ExportCsv();
  void DeleteAllKeys() { DeleteAll(true); }
  void DeleteAllLogs() { DeleteAll(false); }

  // False while a transfer runs: closing then would leave the unit half written or half erased.
  bool MayClose() const { return !runner_ || !runner_->Busy(); }
  // The dialog goes away, however it ends: its timer stops.
  void Close();

  // The results the archive command takes over when the dialog has closed.
  bool imageLoaded() const { return imageLoaded_; }
  bool keysDeleted() const { return keysDeleted_; }
  // The image or its settings did not reach the unit whole: the unit may be half written.
  bool writeFailed() const { return writeFailed_; }
  const ImageBytes& workImage() const { return *workImage_; }
  const ImageSettings& settings() const { return settings_; }

 private:
  // The operations report through these.
  friend class LinkCheckOperation;
  friend class DeleteAllOperation;
  friend class ImageWriteOperation;
  friend class ImageSettingsOperation;
  Sequencer& sequencer();
  void SetButtons(ArchiveButtons pattern) { window_->SetButtons(pattern); }
  // All keys are gone from the unit: the main window's image and list follow at once.
  void KeysDeleted();
  // Reports a dropped link (kind 2) and leaves copying to the PC and Cancel.
  void LinkError(int code);
  // Reports a failed write (kind 1) and says how to recover.
  void WriteError(int code, ArchiveButtons pattern);

  void DeleteAll(bool keys);
  void ShowFileError(const FileResult& result);

  UnitController& c_;
  ArchiveDialogWindow* window_ = nullptr;
  LinkCheckOperation linkCheck_{*this};
  DeleteAllOperation deleteAll_{*this};
  ImageWriteOperation imageWrite_{*this};
  ImageSettingsOperation imageSettings_{*this};
  // On the timer host that Open is given.
  std::optional<OperationRunner> runner_;
  bool keysDeleted_ = false;
  bool imageLoaded_ = false;
  bool writeFailed_ = false;
  std::unique_ptr<ImageBytes> workImage_;
  ImageSettings settings_{};
};

}  // namespace qel
