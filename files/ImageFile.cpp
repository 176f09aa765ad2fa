#include "files/ImageFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <vector>

#include "files/ReplaceFile.h"

namespace qel {
namespace {

constexpr int kMaxAccessTime = 120;

bool HeaderIsGood(std::span<const std::uint8_t> header) {
  return header[0] <= kMaxAccessTime && IsValidRecordSize(header[1]);
}

}  // namespace

FileResult LoadImageFile(const std::filesystem::path& path, ImageBytes& image, ImageSettings& settings) {
  // The stream opens the path in its own encoding, wide on Windows; errno carries the system's reason.
  std::ifstream file(path, std::ios::binary);
  if (!file) return FileResult{FileError::CannotOpen, path, 0, std::strerror(errno)};

  std::vector<std::uint8_t> buffer(kImageFileSize);
  file.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
  if (file.bad()) return FileResult{FileError::CannotRead, path, 0, std::strerror(errno)};
  const auto length = static_cast<std::size_t>(file.gcount());
  return LoadImageFileContent(std::span(buffer).first(length), path, image, settings);
}

FileResult LoadImageFileContent(std::span<const std::uint8_t> content, const std::filesystem::path& path,
                                ImageBytes& image, ImageSettings& settings) {
  // The working copy is only touched once the whole file has proved good.
  if (content.size() < kImageFileHeaderSize || !HeaderIsGood(content))
    return FileResult{FileError::Damaged, path, 0, {}};
  if (content.size() < kImageFileSize)
    return FileResult{FileError::DamagedAt, path, static_cast<int>(content.size()) + 1, {}};

  const auto body = content.subspan(kImageFileHeaderSize, kImageSize);
  std::copy(body.begin(), body.end(), image.begin());
  settings.accessTime = content[0];
  settings.recordSize = content[1];
  settings.relayInversion = content[2] == '1' ? 1 : 0;
  settings.mainRelayInversion = content[3] == '1' ? 1 : 0;
  return FileResult{FileError::None, path, 0, {}};
}

FileResult SaveImageFile(const std::filesystem::path& path, const ImageBytes& image,
                         const ImageSettings& settings) {
  // A file with such a header would be refused as damaged when it is read back.
  if (settings.accessTime < 0 || settings.accessTime > kMaxAccessTime ||
      !IsValidRecordSize(settings.recordSize)) {
    return FileResult{FileError::SettingsOutOfRange, path, 0, {}};
  }
  std::vector<std::uint8_t> content;
  content.reserve(kImageFileSize);
  content.push_back(static_cast<std::uint8_t>(settings.accessTime));
  content.push_back(static_cast<std::uint8_t>(settings.recordSize));
  content.push_back(settings.relayInversion != 0 ? '1' : '0');
  content.push_back(settings.mainRelayInversion != 0 ? '1' : '0');
  content.insert(content.end(), image.begin(), image.end());
  return ReplaceFileContent(path, content);
}

}  // namespace qel
