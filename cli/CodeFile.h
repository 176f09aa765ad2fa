#pragma once

#include <filesystem>

namespace qel {

// Users besides the owner may read the file: as ssh judges a private key, the code is no secret.
bool OthersMayRead(const std::filesystem::path& path);

}  // namespace qel
