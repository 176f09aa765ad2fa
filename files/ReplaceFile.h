#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "files/FileResult.h"

namespace qel {

// Writes `bytes` as the whole content of `path` without ever leaving a half-written file there:
// the bytes go to a new temporary file in the same folder, which is flushed to the disk and
// then renamed over `path`. On any failure the temporary file is removed and whatever `path`
// held before is left as it was.
FileResult ReplaceFileContent(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

}  // namespace qel
