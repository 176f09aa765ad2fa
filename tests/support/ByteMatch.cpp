#include "tests/support/ByteMatch.h"

#include <algorithm>
#include <cstdio>

namespace qel::test {
namespace {

// Rows from `from` (a multiple of 16) up to `to`, the byte at `mark` in brackets.
std::string Rows(std::span<const std::uint8_t> bytes, std::size_t from, std::size_t to, std::size_t mark) {
  std::string text;
  char cell[32];
  for (std::size_t row = from; row < to; row += 16) {
    std::snprintf(cell, sizeof cell, "%06zx:", row);
    text += cell;
    for (std::size_t i = row; i < std::min(to, row + 16); ++i) {
      std::snprintf(cell, sizeof cell, i == mark ? "[%02X]" : " %02X ", bytes[i]);
      text += cell;
    }
    text += '\n';
  }
  return text;
}

}  // namespace

std::string HexDump(std::span<const std::uint8_t> bytes) {
  return bytes.empty() ? "(no bytes)" : Rows(bytes, 0, bytes.size(), bytes.size());
}

::testing::AssertionResult BytesEqual(std::span<const std::uint8_t> expected,
                                      std::span<const std::uint8_t> actual) {
  const std::size_t common = std::min(expected.size(), actual.size());
  std::size_t first = 0;
  while (first < common && expected[first] == actual[first]) ++first;
  if (first == common && expected.size() == actual.size()) return ::testing::AssertionSuccess();

  // A few rows around the first difference: images are 64 KB.
  const std::size_t from = first / 16 * 16 >= 32 ? first / 16 * 16 - 32 : 0;
  const auto around = [&](std::span<const std::uint8_t> bytes) {
    return Rows(bytes, from, std::min(bytes.size(), first / 16 * 16 + 48), first);
  };
  return ::testing::AssertionFailure() << "sizes " << expected.size() << " expected, " << actual.size()
                                       << " actual; first difference at offset " << first << "\nexpected:\n"
                                       << around(expected) << "actual:\n"
                                       << around(actual);
}

}  // namespace qel::test
