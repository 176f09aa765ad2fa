#include "cli/CodeFile.h"

namespace qel {

bool OthersMayRead(const std::filesystem::path& path) {
  using std::filesystem::perms;
  std::error_code error;
  const perms mode = std::filesystem::status(path, error).permissions();
  return !error && (mode & (perms::group_read | perms::others_read)) != perms::none;
}

}  // namespace qel
