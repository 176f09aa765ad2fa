#pragma once

#include <cstdio>
#include <filesystem>

namespace qel {

// The access code file, opened to read in binary mode; null with errno set when it cannot be.
std::FILE* OpenCodeFile(const std::filesystem::path& path);
// Users besides the owner may read the file: as ssh judges a private key, the code is no secret.
bool OthersMayRead(const std::filesystem::path& path);

}  // namespace qel
