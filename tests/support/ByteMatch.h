#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qel::test {

inline std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

inline std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

// "0000: 07 12 6F ..." sixteen bytes a line.
std::string HexDump(std::span<const std::uint8_t> bytes);

// Exact byte comparison (frames, echoes, records, files); on a mismatch, the first differing
// offset and a hex dump of the rows around it in both buffers.
::testing::AssertionResult BytesEqual(std::span<const std::uint8_t> expected,
                                      std::span<const std::uint8_t> actual);

inline ::testing::AssertionResult BytesEqual(std::string_view expected, std::string_view actual) {
  return BytesEqual(AsBytes(expected), AsBytes(actual));
}

}  // namespace qel::test
