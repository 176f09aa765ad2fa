#include "tests/support/HexDump.h"

#include <algorithm>
#include <cstdio>

namespace qel::test {

std::string HexDump(std::span<const std::uint8_t> bytes) {
  std::string out;
  char cell[32];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i % 16 == 0) {
      std::snprintf(cell, sizeof cell, "%s%04zx:", i ? "\n" : "", i);
      out += cell;
    }
    std::snprintf(cell, sizeof cell, " %02X", bytes[i]);
    out += cell;
  }
  return out.empty() ? "(no bytes)" : out;
}

::testing::AssertionResult SameBytes(std::span<const std::uint8_t> actual, std::span<const std::uint8_t> expected) {
  if (std::equal(actual.begin(), actual.end(), expected.begin(), expected.end())) return ::testing::AssertionSuccess();
  const auto at = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end()).first - actual.begin();
  return ::testing::AssertionFailure() << "bytes differ at offset " << at << " (actual " << actual.size()
                                       << " bytes, expected " << expected.size() << ")\nactual:\n"
                                       << HexDump(actual) << "\nexpected:\n"
                                       << HexDump(expected);
}

}  // namespace qel::test
