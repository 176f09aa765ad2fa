#include <gtest/gtest.h>

#include <string>

#include "keystore/KeyMemoryImage.h"
#include "tests/support/ByteMatch.h"

namespace qel {
namespace {

using test::BytesEqual;

constexpr KeyCode kKeyA{0x02, 0x1C, 0xB8, 0x01, 0x00, 0x00, 0x00, 0xA2, 0, 0, 0, 0};
constexpr KeyCode kKeyB{'0', 'F', '5', 'E', '4', 'D', '3', 'C', '2', 'B', '1', 'A'};
constexpr KeyCode kErased{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
constexpr KeyCode kDeleted{};

KeyCode Numbered(int n) {
  KeyCode code{};
  code[0] = static_cast<std::uint8_t>(n & 0xFF);
  code[1] = static_cast<std::uint8_t>(n >> 8);
  code[2] = 0x55;
  return code;
}

TEST(RecordCounts, FollowTheRecordSize) {
  struct Row {
    int size, listed, searched;
  };
  for (const Row row : {Row{15, 4360, 4369}, Row{16, 4088, 4096}, Row{100, 654, 655}, Row{250, 261, 262}}) {
    KeyMemoryImage image;
    ASSERT_TRUE(image.SetRecordSize(row.size));
    EXPECT_EQ(image.ListedCount(), row.listed) << "size " << row.size;
    EXPECT_EQ(image.SearchedCount(), row.searched) << "size " << row.size;
  }
}

TEST(RecordSize, OutOfRangeSizesAreRefusedAndThePreviousKept) {
  KeyMemoryImage image;
  EXPECT_EQ(image.RecordSize(), 100);
  ASSERT_TRUE(image.StoreRecord(3, kKeyA, {1, 2, 3}, "x"));
  const ImageBytes before = image.Bytes();
  for (int size : {0, -1, 14, 251, 65536}) {
    EXPECT_FALSE(image.SetRecordSize(size));
    EXPECT_FALSE(image.RelayoutKeyMemory(size));
    EXPECT_FALSE(image.Replace(ImageBytes{}, size));
  }
  EXPECT_EQ(image.RecordSize(), 100);
  EXPECT_TRUE(BytesEqual(before, image.Bytes()));
}

TEST(RecordStates, UsedFreeAndErased) {
  KeyMemoryImage image;
  image.StoreRecord(0, kKeyA, {}, "");
  image.StoreRecord(1, KeyCode{0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF}, {},
                    "");
  image.StoreRecord(2, kErased, {}, "");
  image.StoreRecord(3, KeyCode{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE}, {},
                    "");
  EXPECT_TRUE(image.IsUsed(0));
  EXPECT_FALSE(image.IsErased(0));
  EXPECT_FALSE(image.IsUsed(1));
  EXPECT_FALSE(image.IsErased(1));
  EXPECT_FALSE(image.IsUsed(2));
  EXPECT_TRUE(image.IsErased(2));
  EXPECT_TRUE(image.IsUsed(3));
  EXPECT_FALSE(image.IsUsed(4));  // twelve zero bytes: a deleted or never used key

  image.BuildKeyList();
  EXPECT_EQ(image.FreeSlots()[0], 1u);
  EXPECT_EQ(image.FreeSlots()[1], 2u);
  EXPECT_EQ(image.FreeSlots()[2], 4u);
}

TEST(RecordBounds, RecordsOutsideTheImageAreNeitherReadNorWritten) {
  KeyMemoryImage image;
  image.SetRecordSize(250);
  const ImageBytes before = image.Bytes();
  for (int index : {-1, 262, 263, 100000}) {
    EXPECT_FALSE(image.StoreRecord(index, kKeyA, {1, 1, 1}, "comment"));
    EXPECT_FALSE(image.ZeroKeyCode(index));
    EXPECT_FALSE(image.IsUsed(index));
    EXPECT_FALSE(image.IsErased(index));
    EXPECT_TRUE(image.Record(index).empty());
    EXPECT_EQ(image.KeyCodeAt(index), kDeleted);
    EXPECT_EQ(image.CommentText(index), "");
  }
  EXPECT_TRUE(BytesEqual(before, image.Bytes()));
  // Record 261 is the last searched one; its last byte is offset 65499.
  EXPECT_TRUE(image.StoreRecord(261, kKeyA, {}, std::string(300, 'z')));
  EXPECT_EQ(image.Bytes()[65499], 'z');
  EXPECT_EQ(image.Bytes()[65500], 0x00);
}

TEST(WriteBytes, StopsAtTheEndOfTheImage) {
  KeyMemoryImage image;
  const std::array<std::uint8_t, 4> bytes{1, 2, 3, 4};
  EXPECT_EQ(image.WriteBytes(65534, bytes), 2u);
  EXPECT_EQ(image.Bytes()[65534], 1);
  EXPECT_EQ(image.Bytes()[65535], 2);
  EXPECT_EQ(image.WriteBytes(65536, bytes), 0u);
  EXPECT_EQ(image.WriteBytes(10, bytes), 4u);
  EXPECT_EQ(image.Bytes()[13], 4);
}

TEST(StoreRecord, WritesCodeFloorsAndZeroPaddedComment) {
  KeyMemoryImage image;
  ASSERT_TRUE(image.SetRecordSize(20));
  image.WriteBytes(20, std::vector<std::uint8_t>(20, 0xEE));
  ASSERT_TRUE(image.StoreRecord(1, kKeyA, {0x81, 0x00, 0x80}, "AB"));
  const std::vector<std::uint8_t> expected{0x02, 0x1C, 0xB8, 0x01, 0x00, 0x00, 0x00, 0xA2, 0, 0,
                                           0,    0,    0x81, 0x00, 0x80, 'A',  'B',  0,    0, 0};
  EXPECT_TRUE(BytesEqual(expected, image.Record(1)));
  EXPECT_TRUE(FloorPermitted(image.FloorsAt(1), 1));
  EXPECT_TRUE(FloorPermitted(image.FloorsAt(1), 8));
  EXPECT_FALSE(FloorPermitted(image.FloorsAt(1), 9));
  EXPECT_TRUE(FloorPermitted(image.FloorsAt(1), 24));
}

TEST(StoreRecord, FullCommentHasNoTerminatorAndLongerIsCut) {
  KeyMemoryImage image;
  ASSERT_TRUE(image.SetRecordSize(20));
  image.StoreRecord(0, kKeyA, {}, "12345");
  image.StoreRecord(1, kKeyB, {}, "abcdefgh");
  EXPECT_EQ(image.CommentText(0), "12345");
  EXPECT_EQ(image.CommentText(1), "abcde");
  EXPECT_TRUE(BytesEqual(test::AsBytes("12345"), image.Record(0).subspan(15)));
  EXPECT_EQ(image.Bytes()[20], '0');  // record 1 starts right after the full comment
}

TEST(CommentText, SkipsControlBytesAndFFWithoutEnding) {
  KeyMemoryImage image;
  ASSERT_TRUE(image.SetRecordSize(23));
  image.StoreRecord(0, kKeyA, {},
                    std::string("AB\0CD\x1F\xFF"
                                "E",
                                8));
  EXPECT_EQ(image.CommentText(0), "ABCDE");
}

TEST(ZeroKeyCode, KeepsFloorsAndComment) {
  KeyMemoryImage image;
  image.StoreRecord(2, kKeyA, {4, 5, 6}, "kept");
  ASSERT_TRUE(image.ZeroKeyCode(2));
  EXPECT_EQ(image.KeyCodeAt(2), kDeleted);
  EXPECT_EQ(image.FloorsAt(2), (Floors{4, 5, 6}));
  EXPECT_EQ(image.CommentText(2), "kept");
}

TEST(FindKeyCode, SearchesBeyondTheListedRecords) {
  KeyMemoryImage image;
  ASSERT_TRUE(image.SetRecordSize(16));
  image.StoreRecord(4095, kKeyB, {}, "");
  image.StoreRecord(4090, kKeyA, {}, "");
  image.StoreRecord(4091, kKeyA, {}, "");
  EXPECT_EQ(image.FindKeyCode(kKeyA), 4090);
  EXPECT_EQ(image.FindKeyCode(kKeyB), 4095);
  EXPECT_EQ(image.FindKeyCode(Numbered(7)), std::nullopt);
}

TEST(IsDuplicateKeyCode, EndsAtTheFirstErasedRecord) {
  KeyMemoryImage image;
  image.StoreRecord(0, kKeyA, {}, "");
  image.StoreRecord(1, kErased, {}, "");
  image.StoreRecord(2, kKeyB, {}, "");
  EXPECT_TRUE(image.IsDuplicateKeyCode(kKeyA));
  EXPECT_FALSE(image.IsDuplicateKeyCode(kKeyB));
  EXPECT_EQ(image.FindKeyCode(kKeyB), 2);
  // The erased record itself is compared before it ends the scan.
  EXPECT_TRUE(image.IsDuplicateKeyCode(kErased));
  // Without an erased record the scan covers the searched records, last one included.
  image.StoreRecord(1, kDeleted, {}, "");
  image.StoreRecord(654, Numbered(654), {}, "");
  EXPECT_TRUE(image.IsDuplicateKeyCode(kKeyB));
  EXPECT_TRUE(image.IsDuplicateKeyCode(Numbered(654)));
}

TEST(KeyList, ListsUsedRecordsAndCollectsFreeSlots) {
  KeyMemoryImage image;
  image.StoreRecord(0, kKeyA, {}, "Kancel\xE1\xF8");
  image.StoreRecord(1, kKeyB, {}, "gone");
  image.StoreRecord(2, kKeyB, {0x01, 0, 0}, "Room 12");
  image.ZeroKeyCode(1);
  const auto rows = image.BuildKeyList();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].id, 0);
  EXPECT_EQ(rows[0].comment, "Kancelář");
  EXPECT_EQ(rows[0].keyCode, "A200000001B81C02");
  EXPECT_EQ(rows[1].id, 2);
  EXPECT_EQ(rows[1].comment, "Room 12");
  EXPECT_EQ(rows[1].keyCode, "A1B2C3D4E5F0");

  EXPECT_EQ(image.FirstFreeSlot(), 1);
  EXPECT_EQ(image.FreeSlots()[1], 3u);
  EXPECT_EQ(image.FreeSlots()[652 - 1], 653u);  // the last listed record
  EXPECT_EQ(image.FreeSlots()[652], kFreeSlotEnd);
  EXPECT_EQ(image.FreeSlots()[653], kFreeSlotEnd);

  EXPECT_EQ(image.RowToRecord(0), 0);
  EXPECT_EQ(image.RowToRecord(1), 2);
  EXPECT_EQ(image.RecordToRow(0), 0);
  EXPECT_EQ(image.RecordToRow(2), 1);
  EXPECT_EQ(image.RowToRecord(-1), std::nullopt);
}

TEST(KeyList, FullMemoryHasNoFreeSlot) {
  KeyMemoryImage image;
  image.SetRecordSize(15);
  for (int i = 0; i < image.ListedCount(); ++i) image.StoreRecord(i, Numbered(i), {}, "");
  const auto rows = image.BuildKeyList();
  EXPECT_EQ(rows.size(), 4360u);
  EXPECT_EQ(rows.back().id, 4359);
  EXPECT_EQ(image.FirstFreeSlot(), std::nullopt);
  EXPECT_EQ(image.FreeSlots()[1], kFreeSlotEnd);
  EXPECT_EQ(image.RowToRecord(4359), 4359);
  // Records 4360 to 4368 lie in the last 128 bytes: never rows, yet mapped up to the bound.
  EXPECT_EQ(image.RowToRecord(4368), 4368);
  EXPECT_EQ(image.RowToRecord(4369), std::nullopt);
}

TEST(KeyList, RecordBeyondTheListedOnesGetsAComputedRow) {
  KeyMemoryImage image;
  ASSERT_TRUE(image.SetRecordSize(16));
  image.StoreRecord(4090, kKeyA, {}, "");
  EXPECT_TRUE(image.BuildKeyList().empty());
  EXPECT_EQ(image.FreeSlots()[4087], 4087u);
  EXPECT_EQ(image.FreeSlots()[4088], kFreeSlotEnd);
  EXPECT_EQ(image.RecordToRow(4090), 2);
  EXPECT_EQ(image.RowToRecord(2), 4090);
}

TEST(ClearImage, ZeroesEveryByte) {
  KeyMemoryImage image;
  image.WriteBytes(0, std::vector<std::uint8_t>(kImageSize, 0xA5));
  image.ClearImage();
  EXPECT_TRUE(BytesEqual(ImageBytes{}, image.Bytes()));
}

// The image a relayout must produce, written out record by record.
ImageBytes ErasedImage() {
  ImageBytes bytes;
  bytes.fill(0xFF);
  return bytes;
}

void Put(ImageBytes& bytes, std::size_t offset, std::span<const std::uint8_t> data) {
  std::copy(data.begin(), data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

TEST(RelayoutKeyMemory, DownKeepsIndicesCutsCommentsAndErasesFromTheFirstErasedRecord) {
  KeyMemoryImage image;  // size 100, comment length 85
  const std::string comment = std::string(40, 'c') + std::string(45, 'd');
  image.StoreRecord(0, kKeyA, {1, 2, 3}, comment);
  image.StoreRecord(1, kDeleted, {4, 5, 6}, "old");
  image.StoreRecord(2, kKeyB, {7, 8, 9}, "short");
  image.StoreRecord(3, kErased, {}, "");
  image.StoreRecord(4, Numbered(4), {}, "after the end");

  ASSERT_TRUE(image.RelayoutKeyMemory(50));
  EXPECT_EQ(image.RecordSize(), 50);

  ImageBytes expected = ErasedImage();
  Put(expected, 0, kKeyA);
  Put(expected, 12, std::array<std::uint8_t, 3>{1, 2, 3});
  Put(expected, 15, test::AsBytes(std::string(35, 'c')));
  Put(expected, 50, kDeleted);
  Put(expected, 62, std::array<std::uint8_t, 3>{4, 5, 6});
  Put(expected, 65, test::AsBytes(std::string("old") + std::string(32, '\0')));
  Put(expected, 100, kKeyB);
  Put(expected, 112, std::array<std::uint8_t, 3>{7, 8, 9});
  Put(expected, 115, test::AsBytes(std::string("short") + std::string(30, '\0')));
  EXPECT_TRUE(BytesEqual(expected, image.Bytes()));
}

TEST(RelayoutKeyMemory, UpPadsCommentsWithFF) {
  KeyMemoryImage image;
  ASSERT_TRUE(image.SetRecordSize(20));
  image.StoreRecord(0, kKeyA, {1, 0, 0}, "ab");
  image.StoreRecord(1, kKeyB, {2, 0, 0}, "12345");
  // No erased record: every record that fits both sizes is carried over, the rest erased.
  image.WriteBytes(40, std::vector<std::uint8_t>(kImageSize - 40, 0x00));

  ASSERT_TRUE(image.RelayoutKeyMemory(250));
  ImageBytes expected = ErasedImage();
  Put(expected, 0, kKeyA);
  Put(expected, 12, std::array<std::uint8_t, 8>{1, 0, 0, 'a', 'b', 0, 0, 0});
  Put(expected, 250, kKeyB);
  Put(expected, 262, std::array<std::uint8_t, 8>{2, 0, 0, '1', '2', '3', '4', '5'});
  for (std::size_t r = 2; r < 262; ++r) Put(expected, r * 250, std::vector<std::uint8_t>(20, 0x00));
  EXPECT_TRUE(BytesEqual(expected, image.Bytes()));
  EXPECT_EQ(image.CommentText(1), "12345");
}

TEST(RelayoutKeyMemory, StaysInsideTheImageBetweenTheExtremeSizes) {
  KeyMemoryImage image;
  ASSERT_TRUE(image.SetRecordSize(15));
  for (int i = 0; i < image.SearchedCount(); ++i) image.StoreRecord(i, Numbered(i), {}, "");
  ASSERT_TRUE(image.RelayoutKeyMemory(250));
  EXPECT_EQ(image.KeyCodeAt(261), Numbered(261));
  ASSERT_TRUE(image.RelayoutKeyMemory(15));
  EXPECT_EQ(image.KeyCodeAt(261), Numbered(261));
  EXPECT_TRUE(image.IsErased(262));
  EXPECT_EQ(image.Bytes()[65535], 0xFF);
}

}  // namespace
}  // namespace qel
