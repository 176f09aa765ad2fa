#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "keystore/KeyCode.h"
#include "sim/GeneratedKeys.h"
#include "tests/support/ByteMatch.h"

namespace qel::sim::test {
namespace {

using qel::test::Bytes;
using qel::test::BytesEqual;
using qel::test::HexDump;

KeyCode CodeOf(const KeyMemory& memory, int id, int recordSize) {
  KeyCode code{};
  std::copy_n(memory.begin() + id * recordSize, code.size(), code.begin());
  return code;
}

TEST(GeneratedKeys, EveryKeyIsValidInItsFormAndTheRestIsErased) {
  constexpr int kRecordSize = 40;
  const KeyMemory memory = GenerateKeyMemory(25, kRecordSize, 7);
  for (int id = 0; id < 25; ++id) {
    const KeyCode code = CodeOf(memory, id, kRecordSize);
    const bool eightByte = std::all_of(code.begin() + 8, code.end(), [](auto b) { return b == 0; });
    EXPECT_EQ(eightByte, id % 2 == 0) << "id " << id;
    EXPECT_TRUE(eightByte ? IsValidEightByteCode(code) : IsValidTwelveCharCode(code)) << "id " << id << "\n"
                                                                                      << HexDump(code);
    const auto floors = memory.begin() + id * kRecordSize + 12;
    EXPECT_TRUE(floors[0] != 0 || floors[1] != 0 || floors[2] != 0) << "id " << id;
    const std::string comment = "Key " + std::to_string(id);
    std::vector<std::uint8_t> expected(comment.begin(), comment.end());
    expected.resize(kRecordSize - 15, 0x00);
    EXPECT_TRUE(BytesEqual(expected, std::span(memory).subspan(id * kRecordSize + 15, kRecordSize - 15)));
  }
  EXPECT_TRUE(std::all_of(memory.begin() + 25 * kRecordSize, memory.end(), [](auto b) { return b == 0xFF; }));
}

TEST(GeneratedKeys, SameSeedSameMemoryAndCountIsCappedToTheListedRecords) {
  EXPECT_TRUE(BytesEqual(GenerateKeyMemory(10, 100, 3), GenerateKeyMemory(10, 100, 3)));
  // With 15-byte records the program lists 4360 records; nothing is written past them.
  const KeyMemory full = GenerateKeyMemory(100000, 15, 1);
  EXPECT_TRUE(std::all_of(full.begin() + 4360 * 15, full.end(), [](auto b) { return b == 0xFF; }));
  EXPECT_TRUE(IsValidTwelveCharCode(CodeOf(full, 4359, 15)));
}

TEST(GeneratedKeys, CommentIsCutToAShortRecord) {
  const KeyMemory memory = GenerateKeyMemory(11, 17, 5);
  // Record 10: "Key 10" cut to two bytes.
  EXPECT_TRUE(BytesEqual(Bytes({'K', 'e'}), std::span(memory).subspan(10 * 17 + 15, 2)));
  EXPECT_EQ(memory[11 * 17], 0xFF);
}

}  // namespace
}  // namespace qel::sim::test
