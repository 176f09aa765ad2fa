#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

namespace qel::test {

inline std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Exact byte comparison; on a mismatch, the first differing offset and a hex dump of the
// 16-byte rows around it in both buffers.
inline ::testing::AssertionResult BytesEqual(std::span<const std::uint8_t> expected,
                                             std::span<const std::uint8_t> actual) {
  const std::size_t common = std::min(expected.size(), actual.size());
  std::size_t first = 0;
  while (first < common && expected[first] == actual[first]) ++first;
  if (first == common && expected.size() == actual.size()) return ::testing::AssertionSuccess();

  const auto dump = [first](std::span<const std::uint8_t> bytes) {
    std::string text;
    const std::size_t from = first / 16 * 16 >= 32 ? first / 16 * 16 - 32 : 0;
    const std::size_t to = std::min(bytes.size(), first / 16 * 16 + 48);
    char cell[32];
    for (std::size_t row = from; row < to; row += 16) {
      std::snprintf(cell, sizeof cell, "%06zx:", row);
      text += cell;
      for (std::size_t i = row; i < std::min(to, row + 16); ++i) {
        std::snprintf(cell, sizeof cell, i == first ? "[%02X]" : " %02X ", bytes[i]);
        text += cell;
      }
      text += '\n';
    }
    return text;
  };
  return ::testing::AssertionFailure() << "sizes " << expected.size() << " expected, " << actual.size()
                                       << " actual; first difference at offset " << first << "\nexpected:\n"
                                       << dump(expected) << "actual:\n"
                                       << dump(actual);
}

inline ::testing::AssertionResult BytesEqual(std::string_view expected, std::string_view actual) {
  return BytesEqual(AsBytes(expected), AsBytes(actual));
}

}  // namespace qel::test
