#include <system_error>

#include "link/PortTable.h"

namespace qel {

namespace fs = std::filesystem;

void PortTable::Scan() { Scan("/dev", "/sys/class/tty"); }

std::string PortTable::PathProblem(const fs::path& path) {
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (error) return error.message();
  return fs::is_character_file(status) ? std::string() : std::string("not a character device");
}

}  // namespace qel
