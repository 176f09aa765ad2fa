#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qel::test {

std::string HexDump(std::span<const std::uint8_t> bytes);

// Byte-exact comparison that shows both sides as hex when they differ.
::testing::AssertionResult SameBytes(std::span<const std::uint8_t> actual, std::span<const std::uint8_t> expected);

inline std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

}  // namespace qel::test
