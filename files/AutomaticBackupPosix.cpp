#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "files/AutomaticBackup.h"

namespace qel {
namespace {

std::filesystem::path HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  if (const passwd* user = getpwuid(getuid()); user != nullptr && user->pw_dir != nullptr)
    return user->pw_dir;
  return std::filesystem::current_path();
}

}  // namespace

std::filesystem::path DefaultBackupFolder() {
  std::filesystem::path data;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  // Relative values are to be ignored, as the XDG rules say.
  if (xdg != nullptr && *xdg == '/')
    data = xdg;
  else
    data = HomeFolder() / ".local" / "share";
  return data / "qel-key" / "backups";
}

}  // namespace qel
