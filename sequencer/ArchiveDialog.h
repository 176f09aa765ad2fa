#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

#include "files/ImageFile.h"
#include "keystore/KeyMemoryImage.h"
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
// it talks to the unit itself on timers of its own: the link check (1), a delete-all (2), the image
// write (3) and the settings that follow it (4).
class ArchiveDialog {
 public:
  enum TimerId : int {
    kLinkCheckTimer = 1,
    kDeleteAllTimer = 2,
    kImageWriteTimer = 3,
    kImageSettingsTimer = 4
  };
  static constexpr std::chrono::milliseconds kLinkCheckPeriod{1000};
  static constexpr std::chrono::milliseconds kDeleteAllPeriod{150};
  static constexpr std::chrono::milliseconds kImageWritePeriod{500};
  static constexpr std::chrono::milliseconds kImageSettingsPeriod{700};
  // Link checks in a row without an acknowledgement before the link counts as lost.
  static constexpr int kMaxMissedChecks = 2;
  // Progress bytes of a delete-all per "*" in the log.
  static constexpr int kLineFeedsPerMark = 6;

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
  bool MayClose() const { return !transferRunning_; }
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
  void DeleteAll(bool keys);
  void LinkCheckTick();
  void DeleteAllTick();
  // Each byte of a delete-all reply from `first` on; false once the operation has ended.
  bool TakeDeleteReply(int first, int length);
  void FinishDeleteAll();
  void ImageWriteTick();
  void ImageSettingsTick();
  // Reports a dropped link (kind 2) and leaves copying to the PC and Cancel.
  void LinkError(int code);
  // Reports a failed write (kind 1) and says how to recover.
  void WriteError(int code, ArchiveButtons pattern);
  void SwitchTimer(int id, std::chrono::milliseconds period);
  void ShowFileError(const FileResult& result);

  UnitController& c_;
  ArchiveDialogWindow* window_ = nullptr;
  TimerHost* timers_ = nullptr;
  int timerId_ = 0;
  bool transferRunning_ = false;
  int step_ = 0;
  int settingsStep_ = 0;
  int missedReplies_ = 0;
  int lineFeedCount_ = 0;
  bool deleteKeys_ = false;
  bool keysDeleted_ = false;
  bool imageLoaded_ = false;
  bool writeFailed_ = false;
  std::unique_ptr<ImageBytes> workImage_;
  ImageSettings settings_{};
  BlockTransfer blocks_;
};

}  // namespace qel
