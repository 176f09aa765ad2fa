#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "files/FileResult.h"
#include "files/ImageFile.h"
#include "keystore/KeyMemoryImage.h"
#include "sequencer/ArchiveOperations.h"
#include "texts/Language.h"

namespace qel {

class Sequencer;
class TimerHost;

// What the archive's work needs of the main window's core, which it does not otherwise reach.
class ArchiveHost {
 public:
  virtual ~ArchiveHost() = default;
  // The log, the errors, the progress and the byte exchange.
  virtual Sequencer& sequencer() = 0;
  // The PC's image and its four settings, of which the work takes a copy.
  virtual const KeyMemoryImage& image() const = 0;
  virtual ImageSettings ImageFileSettings() const = 0;
  // The unit's elevator name (UTF-8), empty when it has none.
  virtual std::string ElevatorName() const = 0;
  // False once the link has dropped (under a box or a file dialog too): nothing may start.
  virtual bool LinkSurvived() const = 0;
  // The automatic backup before a whole-memory write; false (the operator told why) when it
  // could not be saved, and the write must not start.
  virtual bool BackupBeforeWholeMemoryWrite() = 0;
  virtual const std::optional<std::filesystem::path>& lastBackup() const = 0;
  // The unit holds no key any more: the PC's image and the list follow at once.
  virtual void AllKeysDeleted() = 0;
  // A restore has ended, whole or not: the PC's image, the list and the settings line show the
  // file's at once.
  virtual void ImageRestored(const ImageBytes& image, const ImageSettings& settings) = 0;
};

// Where the archive's work stands.
enum class ArchiveState {
  Ready,           // resting on the link check: anything may start
  Busy,            // a transfer writes or erases the unit
  Failed,          // the link is gone or the image write failed: only copying to the PC is left
  SettingsFailed,  // the settings after an image failed
};

// How the last command came out.
enum class ArchiveOutcome {
  Nothing,  // none ran, or it started nothing (refused, no backup, the link gone)
  Running,
  Done,
  Failed,
};

// The archive's work with the unit, free of any dialog: its own runner on a timer host of its
// own, the link check at rest, the deletion of all keys or all logs, a restore (the image write,
// then the image's settings) and the copy of the PC's image to a file. Each command judges what
// it is given before any byte goes out; what happened is recorded for the controller to take over
// once the work ends.
class ArchiveTransfers {
 public:
  static constexpr int kTimerId = 1;

  // Takes a copy of the host's image and settings.
  explicit ArchiveTransfers(ArchiveHost& host);
  ~ArchiveTransfers();

  Language language() const;

  // The link check starts ("Timer error!" and false when it cannot).
  bool Open(TimerHost& timers);
  void OnTimer(int id) { runner_->OnTimer(id); }
  // Its timer stops, whatever runs.
  void Close();

  // The file, read whole, then written to the unit. A file that cannot be read is refused with
  // nothing sent (a damaged one logged as 510 or 511); its result says why.
  FileResult RestoreImage(const std::filesystem::path& file);
  // The image with its settings to the unit, after the automatic backup; false when it did not
  // start.
  bool RestoreImage(const ImageBytes& image, const ImageSettings& settings);
  // The deletion of all keys (after the automatic backup) or of all logs; false when it did not
  // start.
  bool ClearKeys() { return ClearAll(true); }
  bool ClearLogs() { return ClearAll(false); }
  // The PC's copy of the memory to an image file or a CSV table; nothing reaches the unit.
  FileResult SaveImage(const std::filesystem::path& file);
  FileResult ExportCsv(const std::filesystem::path& file);

  // True while a transfer runs: ending the work then would leave the unit half written or erased.
  bool Busy() const { return runner_ && runner_->Busy(); }
  ArchiveState state() const { return state_; }
  ArchiveOutcome outcome() const { return outcome_; }
  bool keysDeleted() const { return keysDeleted_; }
  // The image or its settings did not reach the unit whole: the unit may be half written.
  bool writeFailed() const { return writeFailed_; }
  // After the last command's failed write: how to recover, with the backup of what the unit held
  // before; empty otherwise.
  const std::string& recoveryAdvice() const { return advice_; }
  const ImageBytes& workImage() const { return *workImage_; }
  const ImageSettings& settings() const { return settings_; }

 private:
  // The operations report through these.
  friend class LinkCheckOperation;
  friend class DeleteAllOperation;
  friend class ImageWriteOperation;
  friend class ImageSettingsOperation;
  Sequencer& sequencer() { return host_.sequencer(); }
  // A command's operation was taken by the runner; its first tick makes the work busy.
  void Started();
  void Start() { state_ = ArchiveState::Busy; }
  void Finish();
  void KeysDeleted();
  // The restore running, if one is, has ended: the host takes the file over.
  void RestoreEnded();
  // A dropped link (kind 2): only copying to the PC is left.
  void LinkError(int code);
  // A failed write (kind 1), and how to recover.
  void WriteError(int code, ArchiveState state);

  bool ClearAll(bool keys);

  ArchiveHost& host_;
  LinkCheckOperation linkCheck_{*this};
  DeleteAllOperation deleteAll_{*this};
  ImageWriteOperation imageWrite_{*this};
  ImageSettingsOperation imageSettings_{*this};
  // On the timer host that Open is given.
  std::optional<OperationRunner> runner_;
  ArchiveState state_ = ArchiveState::Ready;
  ArchiveOutcome outcome_ = ArchiveOutcome::Nothing;
  bool keysDeleted_ = false;
  bool restoring_ = false;
  bool writeFailed_ = false;
  std::string advice_;
  std::unique_ptr<ImageBytes> workImage_;
  ImageSettings settings_{};
};

}  // namespace qel
