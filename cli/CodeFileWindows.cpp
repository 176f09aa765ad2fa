#include "cli/CodeFile.h"

namespace qel {

// Windows keeps a file by its access list, not by mode bits: the C library reports every file
// readable by group and others, and a file in the user's own profile is private already.
bool OthersMayRead(const std::filesystem::path&) { return false; }

}  // namespace qel
