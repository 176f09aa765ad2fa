#include "cli/CodeFile.h"

namespace qel {

std::FILE* OpenCodeFile(const std::filesystem::path& path) { return std::fopen(path.c_str(), "rb"); }

bool OthersMayRead(const std::filesystem::path& path) {
  using std::filesystem::perms;
  std::error_code error;
  const perms mode = std::filesystem::status(path, error).permissions();
  return !error && (mode & (perms::group_read | perms::others_read)) != perms::none;
}

}  // namespace qel
