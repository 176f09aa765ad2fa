// Feeds arbitrary files to the image file loader and whatever it accepts to the code that reads
// an image with the loaded record size: the key list (filtered too), a relayout and the CSV export.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "files/CsvExport.h"
#include "files/ImageFile.h"
#include "keystore/KeyMemoryImage.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

// Byte 0 picks the shape: even, the rest is the file as it is; odd, the rest is padded with
// zeros to a whole file plus (byte 0 / 2) bytes, so that short inputs reach the good path.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::string content(reinterpret_cast<const char*>(data) + 1, size - 1);
  if ((data[0] & 1) != 0) content.resize(std::max(content.size(), qel::kImageFileSize + data[0] / 2u), '\0');

  qel::ImageBytes image;
  image.fill(0xA5);
  qel::ImageSettings settings{-1, -1, -1, -1};
  const qel::FileResult result = qel::LoadImageFileContent(
      std::span(reinterpret_cast<const std::uint8_t*>(content.data()), content.size()), {}, image, settings);
  if (!result.Ok()) {
    Check(std::all_of(image.begin(), image.end(), [](std::uint8_t b) { return b == 0xA5; }));
    Check(settings.accessTime == -1 && settings.recordSize == -1);
    Check(result.ErrorCode() == 510 ||
          (result.ErrorCode() == 511 && result.position == static_cast<int>(content.size()) + 1));
    return 0;
  }
  Check(content.size() >= qel::kImageFileSize);
  Check(std::memcmp(image.data(), content.data() + qel::kImageFileHeaderSize, image.size()) == 0);

  qel::KeyMemoryImage keys;
  Check(keys.Replace(image, settings.recordSize));
  const auto rows = keys.BuildKeyList();
  Check(keys.KeyCount() == static_cast<int>(rows.size()));
  // Any typed text, valid UTF-8 or not, finds some of the listed keys at most.
  Check(keys.BuildKeyList(qel::KeyFilter(std::string_view(content).substr(0, 16))).size() <= rows.size());
  Check(qel::CsvExportBytes(image, settings.recordSize, qel::Language::Czech).has_value());
  const auto newSize = qel::kMinRecordSize + data[0] % (qel::kMaxRecordSize - qel::kMinRecordSize + 1);
  Check(keys.RelayoutKeyMemory(newSize));
  keys.BuildKeyList();
  return 0;
}
