// Feeds arbitrary file contents to the image file loader, in memory: what it refuses leaves the
// working copy and the settings as they were, with the right error and position; what it takes is
// the file's image with the header's settings.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "files/ImageFile.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

constexpr std::uint8_t kUntouched = 0xA5;

}  // namespace

// Byte 0 picks the shape: even, the rest is the file as it is; odd, the rest is padded with
// zeros to a whole file plus (byte 0 / 2) bytes, so that short inputs reach the good path.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // Kept between runs: a fresh 64 KB allocation per run would cost more than the loader.
  static std::vector<std::uint8_t> content;
  static qel::ImageBytes image;
  static qel::ImageBytes untouched = [] {
    qel::ImageBytes bytes;
    bytes.fill(kUntouched);
    return bytes;
  }();
  content.assign(data + 1, data + size);
  if ((data[0] & 1) != 0) content.resize(std::max(content.size(), qel::kImageFileSize + data[0] / 2u), 0);
  image = untouched;
  qel::ImageSettings settings{-1, -1, -1, -1};

  const qel::FileResult result = qel::LoadImageFileContent(content, "fuzz.kym", image, settings);
  if (!result.Ok()) {
    Check(std::memcmp(image.data(), untouched.data(), image.size()) == 0);
    Check(settings.accessTime == -1 && settings.recordSize == -1 && settings.relayInversion == -1 &&
          settings.mainRelayInversion == -1);
    Check(result.ErrorCode() == 510 ||
          (result.ErrorCode() == 511 && result.position == static_cast<int>(content.size()) + 1));
    return 0;
  }
  Check(content.size() >= qel::kImageFileSize);
  Check(std::memcmp(image.data(), content.data() + qel::kImageFileHeaderSize, image.size()) == 0);
  Check(settings.accessTime == content[0] && settings.accessTime <= 120);
  Check(settings.recordSize == content[1] && qel::IsValidRecordSize(settings.recordSize));
  Check(settings.relayInversion == (content[2] == '1' ? 1 : 0));
  Check(settings.mainRelayInversion == (content[3] == '1' ? 1 : 0));
  return 0;
}
