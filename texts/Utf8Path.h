#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qel {

// Inside the program every text is UTF-8, file names too. A std::filesystem::path made from a plain
// std::string decodes it in the system's narrow code page on Windows (á became Ã¡ and the write still
// "succeeded"), and path::string() encodes back the same way: paths are made and read through these.
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

}  // namespace qel
