#include "tests/support/KeyImages.h"

namespace qel::test {

KeyCode EightByteCode(int seed) {
  KeyCode code{};
  code[0] = 0x01;  // family code of a touch key
  code[1] = static_cast<std::uint8_t>(seed & 0xFF);
  code[2] = static_cast<std::uint8_t>((seed >> 8) & 0xFF);
  code[3] = 0x5A;
  code[7] = Crc8Maxim(std::span(code).first(7));
  return code;
}

std::array<std::uint8_t, kImageSize> MemoryWithKeys(int recordSize, int count) {
  KeyMemoryImage image;
  image.SetRecordSize(recordSize);
  std::array<std::uint8_t, kImageSize> erased;
  erased.fill(0xFF);
  image.WriteBytes(0, erased);
  for (int i = 0; i < count; ++i) {
    Floors floors{};
    SetFloor(floors, i % 24 + 1, true);
    image.StoreRecord(i, EightByteCode(i + 1), floors, "Key " + std::to_string(i));
  }
  return image.Bytes();
}

}  // namespace qel::test
