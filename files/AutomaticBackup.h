#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "files/FileResult.h"
#include "files/ImageFile.h"

namespace qel {

// Backups the program makes on its own, before anything that rewrites or clears the unit's whole
// memory and whenever a key write fails: a .kym file each, in one folder, the newest kept.
inline constexpr int kKeptAutomaticBackups = 50;

// $XDG_DATA_HOME/qel-key/backups, or ~/.local/share/qel-key/backups without it;
// %LOCALAPPDATA%\qel-key\backups on Windows.
std::filesystem::path DefaultBackupFolder();

// "<name> <stamp>.<suffix>" with every character a file name cannot safely hold replaced by '_',
// and "QEL" for a unit without a name: the name a save dialog proposes, `stamp` "YYYY-MM-DD".
std::string ProposedFileName(std::string_view elevatorNameUtf8, std::string_view stamp,
                             std::string_view suffix);

// The proposed .kym name; `stamp` is "YYYY-MM-DD HHMMSS".
inline std::string AutomaticBackupName(std::string_view elevatorNameUtf8, std::string_view stamp) {
  return ProposedFileName(elevatorNameUtf8, stamp, "kym");
}

// Saves the image into `folder` (created when missing) under a name of its own, then removes the
// oldest automatic backups there beyond kKeptAutomaticBackups. Other files in the folder are never
// touched. The result's path names the file written.
FileResult SaveAutomaticBackup(const std::filesystem::path& folder, std::string_view elevatorNameUtf8,
                               std::string_view stamp, const ImageBytes& image,
                               const ImageSettings& settings);

}  // namespace qel
