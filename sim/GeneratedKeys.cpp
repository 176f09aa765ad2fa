#include "sim/GeneratedKeys.h"

#include <algorithm>
#include <string>

#include "keystore/KeyCode.h"

namespace qel::sim {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

KeyCode RandomEightByteCode(std::mt19937& random) {
  KeyCode code{};
  code[0] = 0x01;  // the family byte of the usual key fobs
  for (int i = 1; i < 7; ++i) code[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(random());
  code[7] = Crc8Maxim(std::span(code).first(7));
  return code;
}

KeyCode RandomTwelveCharCode(std::mt19937& random) {
  KeyCode code{};
  int parity = 0;
  for (int k = 0; k < 11; ++k) {
    const int digit = static_cast<int>(random() % 16);
    parity ^= digit;
    code[static_cast<std::size_t>(11 - k)] = static_cast<std::uint8_t>(kHexDigits[digit]);
  }
  code[0] = static_cast<std::uint8_t>(kHexDigits[parity]);
  return code;
}

ImageBytes GenerateKeyMemory(int count, int recordSize, std::uint32_t seed) {
  ImageBytes memory;
  memory.fill(0xFF);
  std::mt19937 random(seed);
  const int keys = std::clamp(count, 0, kListedBytes / recordSize);
  for (int id = 0; id < keys; ++id) {
    const auto record = memory.begin() + id * recordSize;
    const KeyCode code = id % 2 == 0 ? RandomEightByteCode(random) : RandomTwelveCharCode(random);
    std::copy(code.begin(), code.end(), record);
    const std::uint32_t floors = random() % 0xFFFFFF + 1;
    record[12] = static_cast<std::uint8_t>(floors);
    record[13] = static_cast<std::uint8_t>(floors >> 8);
    record[14] = static_cast<std::uint8_t>(floors >> 16);
    std::fill(record + 15, record + recordSize, std::uint8_t{0x00});
    const std::string comment = "Key " + std::to_string(id);
    std::copy_n(comment.begin(), std::min<std::size_t>(comment.size(), recordSize - 15), record + 15);
  }
  return memory;
}

}  // namespace qel::sim
