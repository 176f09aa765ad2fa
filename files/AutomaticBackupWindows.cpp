#include <windows.h>
// These two need windows.h before them.
#include <knownfolders.h>
#include <shlobj.h>

#include "files/AutomaticBackup.h"

namespace qel {
namespace {

// The user's local application data, not the roaming one: backups are of this PC's units and
// may be large.
std::filesystem::path LocalAppData() {
  wchar_t* folder = nullptr;
  const bool found = SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &folder) == S_OK;
  const std::filesystem::path path = found ? std::filesystem::path(folder) : std::filesystem::current_path();
  CoTaskMemFree(folder);
  return path;
}

}  // namespace

std::filesystem::path DefaultBackupFolder() { return LocalAppData() / "qel-key" / "backups"; }

}  // namespace qel
