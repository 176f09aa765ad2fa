#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "files/FileResult.h"
#include "keystore/KeyMemoryImage.h"

namespace qel {

// The four unit settings stored in front of the image. The inversions are 0 or 1.
struct ImageSettings {
  int accessTime;
  int recordSize;
  int relayInversion;
  int mainRelayInversion;
};

inline constexpr std::size_t kImageFileHeaderSize = 4;
inline constexpr std::size_t kImageFileSize = kImageFileHeaderSize + kImageSize;

// Reads a .kym file. `image` and `settings` are changed only when the whole file is good;
// a damaged file gives Damaged (510) or DamagedAt (511) and leaves both as they were.
FileResult LoadImageFile(const std::filesystem::path& path, ImageBytes& image, ImageSettings& settings);

// The same judgement of a file's content already in memory; `path` only names it in the result.
// Bytes after the image are ignored, as the loader never reads them.
FileResult LoadImageFileContent(std::span<const std::uint8_t> content, const std::filesystem::path& path,
                                ImageBytes& image, ImageSettings& settings);

// Writes a .kym file through a temporary file in the same folder that is flushed and then
// renamed over `path`, so a failed save leaves any earlier file as it was. Settings out of
// range (access time 0 to 120, record size 15 to 250) are refused, since the
// file could not be read back.
FileResult SaveImageFile(const std::filesystem::path& path, const ImageBytes& image,
                         const ImageSettings& settings);

}  // namespace qel
