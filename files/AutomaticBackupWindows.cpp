#include <windows.h>
// After windows.h, which it needs.
#include <knownfolders.h>
#include <shlobj.h>

#include "files/AutomaticBackup.h"

namespace qel {
namespace {

// The user's local application data, not the roaming one: backups are of this PC's units and
// may be large.
std::filesystem::path LocalAppData() {
  wchar_t* folder = nullptr;
  std::filesystem::path path;
  if (SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &folder) == S_OK) path = folder;
  CoTaskMemFree(folder);
  if (path.empty()) {
    if (const wchar_t* variable = _wgetenv(L"LOCALAPPDATA"); variable != nullptr && *variable != L'\0')
      path = variable;
    else
      path = std::filesystem::current_path();
  }
  return path;
}

}  // namespace

std::filesystem::path DefaultBackupFolder() { return LocalAppData() / "qel-key" / "backups"; }

}  // namespace qel
