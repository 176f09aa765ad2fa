#pragma once

#include <filesystem>
#include <optional>

#include "files/FileResult.h"
#include "keystore/KeyMemoryImage.h"
#include "sequencer/Sequencer.h"
#include "sequencer/UnitSettings.h"

namespace qel {

// The automatic backups of the PC's image with its settings: the folder they go to, the one saved
// last, and the log line or box that says where each went.
class BackupKeeper {
 public:
  BackupKeeper(Sequencer& sequencer, const KeyMemoryImage& image, const UnitSettings& settings);

  // Automatic backups go to `folder` instead of DefaultBackupFolder().
  void SetFolder(std::filesystem::path folder) { folder_ = std::move(folder); }
  // Saves the image with its settings and logs where; the result names the file, or why it could
  // not be written.
  FileResult Save();
  // Before anything that rewrites or clears the unit's whole memory: the backup, or the operator
  // told why it failed and false, and the operation must not start.
  bool SaveBeforeWholeMemoryWrite();
  // The backup saved last in this run, if any.
  const std::optional<std::filesystem::path>& last() const { return last_; }

 private:
  Sequencer& sequencer_;
  const KeyMemoryImage& image_;
  const UnitSettings& settings_;
  std::filesystem::path folder_;
  std::optional<std::filesystem::path> last_;
};

}  // namespace qel
