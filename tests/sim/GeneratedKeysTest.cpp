#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "keystore/KeyCode.h"
#include "sim/GeneratedKeys.h"
#include "tests/support/ByteMatch.h"

namespace qel::sim::test {
namespace {

using qel::test::BytesEqual;
using qel::test::HexDump;

bool Erased(std::span<const std::uint8_t> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](auto b) { return b == 0xFF; });
}

TEST(GeneratedKeys, EveryListedRecordGetsAValidKeyWithFloorsAndItsCutCommentAndTheRestIsErased) {
  for (const int recordSize : {40, 17}) {
    const ImageBytes memory = GenerateKeyMemory(25, recordSize, 7);
    for (int id = 0; id < 25; ++id) {
      const auto record = std::span(memory).subspan(id * recordSize, recordSize);
      KeyCode code{};
      std::copy_n(record.begin(), code.size(), code.begin());
      const bool eightByte = std::all_of(code.begin() + 8, code.end(), [](auto b) { return b == 0; });
      EXPECT_EQ(eightByte, id % 2 == 0) << "id " << id;
      EXPECT_TRUE(eightByte ? IsValidEightByteCode(code) : IsValidTwelveCharCode(code)) << HexDump(code);
      EXPECT_TRUE(record[12] != 0 || record[13] != 0 || record[14] != 0) << "id " << id;
      std::string comment = "Key " + std::to_string(id);
      comment.resize(recordSize - 15, '\0');
      EXPECT_TRUE(BytesEqual(comment, {reinterpret_cast<const char*>(&record[15]), comment.size()}));
    }
    EXPECT_TRUE(Erased(std::span(memory).subspan(25 * recordSize))) << recordSize;
  }
  EXPECT_TRUE(BytesEqual(GenerateKeyMemory(10, 100, 3), GenerateKeyMemory(10, 100, 3)));
  // With 15-byte records the program lists 4360 records; nothing is written past them.
  const ImageBytes full = GenerateKeyMemory(100000, 15, 1);
  EXPECT_FALSE(Erased(std::span(full).subspan(4359 * 15, 15)));
  EXPECT_TRUE(Erased(std::span(full).subspan(4360 * 15)));
}

}  // namespace
}  // namespace qel::sim::test
