// Feeds arbitrary key memory images to the code that reads a whole image with its record size,
// as a loaded file or a key load gives it: the key list (filtered too), the CSV export and a
// relayout to another record size.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "files/CsvExport.h"
#include "keystore/KeyMemoryImage.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

int RecordSizeFrom(std::uint8_t b) {
  return qel::kMinRecordSize + b % (qel::kMaxRecordSize - qel::kMinRecordSize + 1);
}

}  // namespace

// Byte 0 picks the record size, byte 1 the size of the relayout; the rest is the image, whose
// end an erased tail (0xFF) fills, as after a unit's last key.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  static auto image = std::make_unique<qel::ImageBytes>();
  image->fill(0xFF);
  std::copy_n(data + 2, std::min(size - 2, image->size()), image->begin());

  auto keys = std::make_unique<qel::KeyMemoryImage>();
  Check(keys->Replace(*image, RecordSizeFrom(data[0])));
  const auto rows = keys->BuildKeyList();
  Check(keys->KeyCount() == static_cast<int>(rows.size()));
  // Any typed text, valid UTF-8 or not, finds some of the listed keys at most.
  const std::string_view typed(reinterpret_cast<const char*>(data) + 2, std::min<std::size_t>(size - 2, 16));
  Check(keys->BuildKeyList(qel::KeyFilter(typed)).size() <= rows.size());
  Check(qel::CsvExportBytes(*image, keys->RecordSize(), qel::Language::Czech).has_value());
  Check(keys->RelayoutKeyMemory(RecordSizeFrom(data[1])));
  keys->BuildKeyList();
  return 0;
}
