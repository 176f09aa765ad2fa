#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <tuple>

#include "keystore/FloorList.h"
#include "keystore/KeyCode.h"
#include "keystore/KeyMemoryImage.h"
#include "tests/support/ByteMatch.h"
#include "texts/Cp1250.h"

namespace qel {
namespace {

using test::BytesEqual;

constexpr KeyCode kKeyA{0x02, 0x1C, 0xB8, 0x01, 0x00, 0x00, 0x00, 0xA2, 0, 0, 0, 0};
constexpr KeyCode kKeyB{'0', 'F', '5', 'E', '4', 'D', '3', 'C', '2', 'B', '1', 'A'};
constexpr KeyCode kErased{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
constexpr KeyCode kDeleted{};
constexpr KeyCode kMixed{0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF};
constexpr KeyCode kAlmostErased{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE};

KeyCode Numbered(int n) {
  return {static_cast<std::uint8_t>(n & 0xFF), static_cast<std::uint8_t>(n >> 8), 0x55};
}

KeyMemoryImage ImageOfSize(int recordSize) {
  KeyMemoryImage image;
  EXPECT_TRUE(image.SetRecordSize(recordSize));
  return image;
}

// The counts that follow from a record size show in the key list, the search and the CSV export.
TEST(RecordSize, InvalidSizesKeepThePreviousOneAndNothingOutsideTheImageIsTouched) {
  KeyMemoryImage image;
  ASSERT_TRUE(image.StoreRecord(3, kKeyA, {1, 2, 3}, "x"));
  const ImageBytes before = image.Bytes();
  for (int size : {0, -1, 14, 251, 65536}) {
    EXPECT_FALSE(image.SetRecordSize(size));
    EXPECT_FALSE(image.RelayoutKeyMemory(size));
    EXPECT_FALSE(image.Replace(ImageBytes{}, size));
  }
  EXPECT_EQ(image.RecordSize(), 100);
  EXPECT_TRUE(BytesEqual(before, image.Bytes()));

  // Nothing outside the image is read or written.
  ASSERT_TRUE(image.SetRecordSize(250));
  for (int index : {-1, 262, 100000}) {
    EXPECT_FALSE(image.StoreRecord(index, kKeyA, {1, 1, 1}, "comment"));
    EXPECT_FALSE(image.ZeroKeyCode(index));
    EXPECT_FALSE(image.IsUsed(index));
    EXPECT_FALSE(image.IsErased(index));
    EXPECT_TRUE(image.Record(index).empty());
    EXPECT_EQ(image.CommentText(index), "");
    EXPECT_EQ(image.KeyCodeAt(index), KeyCode{});
    EXPECT_EQ(image.FloorsAt(index), Floors{});
  }
  // Floors outside 1..24 are never permitted and never set.
  Floors floors{0xFF, 0xFF, 0xFF};
  for (int floor : {0, 25}) {
    SetFloor(floors, floor, false);
    EXPECT_FALSE(FloorPermitted(floors, floor));
  }
  EXPECT_EQ(floors, (Floors{0xFF, 0xFF, 0xFF}));
  EXPECT_TRUE(BytesEqual(before, image.Bytes()));
  // Record 261 is the last searched one; its last byte is offset 65499.
  EXPECT_TRUE(image.StoreRecord(261, kKeyA, {}, std::string(300, 'z')));
  EXPECT_EQ(image.Bytes()[65499], 'z');
  EXPECT_EQ(image.Bytes()[65500], 0x00);

  const std::array<std::uint8_t, 4> bytes{1, 2, 3, 4};
  EXPECT_EQ(image.WriteBytes(65534, bytes), 2u);
  EXPECT_EQ(image.Bytes()[65535], 2);
  EXPECT_EQ(image.WriteBytes(65536, bytes), 0u);
  image.ClearImage();
  EXPECT_TRUE(BytesEqual(ImageBytes{}, image.Bytes()));
}

TEST(StoreRecord, WritesCodeFloorsAndACommentCutOrZeroPadded) {
  KeyMemoryImage image = ImageOfSize(20);  // comment length 5
  image.WriteBytes(20, std::vector<std::uint8_t>(20, 0xEE));
  ASSERT_TRUE(image.StoreRecord(1, kKeyA, {0x81, 0x00, 0x80}, "AB"));
  ASSERT_TRUE(image.StoreRecord(0, kKeyB, {}, "abcdefgh"));
  // Record 0's full comment runs into record 1 without a terminator.
  const auto expected =
      test::Bytes({'0', 'F', '5', 'E', '4',  'D',  '3',  'C',  '2',  'B',  '1', 'A', 0, 0,
                   0,   'a', 'b', 'c', 'd',  'e',  0x02, 0x1C, 0xB8, 0x01, 0,   0,   0, 0xA2,
                   0,   0,   0,   0,   0x81, 0x00, 0x80, 'A',  'B',  0,    0,   0});
  EXPECT_TRUE(BytesEqual(expected, std::span(image.Bytes()).first(40)));

  ASSERT_TRUE(image.ZeroKeyCode(1));
  EXPECT_EQ(image.KeyCodeAt(1), kDeleted);
  Floors floors = image.FloorsAt(1);
  EXPECT_EQ(floors, (Floors{0x81, 0x00, 0x80}));
  SetFloor(floors, 1, false);
  SetFloor(floors, 2, true);
  EXPECT_EQ(floors, (Floors{0x82, 0x00, 0x80}));
  EXPECT_EQ(image.CommentText(1), "AB");
}

// A unit may keep old bytes after a comment it shortened: the comment ends at its first byte below
// 0x20 or 0xFF, for the list, the filter and the re-layout's count of cut comments alike.
TEST(CommentText, EndsAtTheFirstControlByteOrFFWhateverFollows) {
  KeyMemoryImage image = ImageOfSize(20);  // comment length 5
  const std::string_view fields[] = {{"Ab\0cd", 5},
                                     "Ab\x1F"
                                     "cd",
                                     "Ab\xFF"
                                     "cd",
                                     "Abcde"};
  for (int i = 0; i < 4; ++i) {
    image.StoreRecord(i, Numbered(i + 1), {}, "");
    image.WriteBytes(static_cast<std::size_t>(i) * 20 + kCommentOffset, test::AsBytes(fields[i]));
  }
  const std::vector<KeyListRow> rows = image.BuildKeyList(KeyFilter("cd"));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].comment, "Abcde");
  EXPECT_EQ(image.CommentText(0), "Ab");
  EXPECT_EQ(CountRelayoutLosses(image, 17), (RelayoutLosses{0, 1}));  // only "Abcde" is cut
}

TEST(KeySearch, FindSearchesBeyondTheListedRecordsAndDuplicatesEndAtTheFirstErased) {
  KeyMemoryImage image = ImageOfSize(16);
  image.StoreRecord(0, kKeyA, {}, "");
  image.StoreRecord(1, kErased, {}, "");
  image.StoreRecord(2, kKeyB, {}, "");
  image.StoreRecord(4000, kKeyA, {}, "");
  image.StoreRecord(4095, Numbered(4095), {}, "");
  EXPECT_EQ(image.FindKeyCode(kKeyA), 0);
  EXPECT_EQ(image.FindKeyCode(kKeyB), 2);
  EXPECT_EQ(image.FindKeyCode(Numbered(4095)), 4095);
  EXPECT_EQ(image.FindKeyCode(Numbered(7)), std::nullopt);
  EXPECT_TRUE(image.IsDuplicateKeyCode(kKeyA));
  EXPECT_FALSE(image.IsDuplicateKeyCode(kKeyB));
  // The erased record itself is compared before it ends the scan.
  EXPECT_TRUE(image.IsDuplicateKeyCode(kErased));
  // Without an erased record the scan covers the searched records, last one included.
  image.StoreRecord(1, kDeleted, {}, "");
  EXPECT_TRUE(image.IsDuplicateKeyCode(kKeyB));
  EXPECT_TRUE(image.IsDuplicateKeyCode(Numbered(4095)));
}

TEST(KeyList, ListsUsedRecordsAndCollectsFreeSlots) {
  KeyMemoryImage image;
  image.StoreRecord(0, kKeyA, {}, "Kancel\xE1\xF8");
  image.StoreRecord(1, kMixed, {}, "");
  image.StoreRecord(2, kKeyB, {}, "Room 12");
  image.StoreRecord(3, kErased, {}, "");
  image.StoreRecord(4, kAlmostErased, {}, "");
  image.StoreRecord(654, kKeyA, {}, "");  // searched, never listed
  EXPECT_TRUE(image.IsErased(3));
  EXPECT_FALSE(image.IsErased(1));
  const auto rows = image.BuildKeyList();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].comment, "Kancelář");
  EXPECT_EQ(rows[0].keyCode, "A200000001B81C02");
  EXPECT_EQ(rows[1].id, 2);
  EXPECT_EQ(rows[1].keyCode, "A1B2C3D4E5F0");
  EXPECT_EQ(rows[2].id, 4);

  EXPECT_EQ(image.FirstFreeSlot(), 1);
  EXPECT_EQ(image.FreeSlots()[650], 653u);  // 1, 3 and 5 to 653: the last listed record ends the list
  EXPECT_EQ(image.FreeSlots()[651], kFreeSlotEnd);
  EXPECT_EQ(image.FreeSlots()[652], kFreeSlotEnd);
  EXPECT_EQ(image.KeyCount(), 3);

  // A full memory has no free slot; records 4360 to 4368 lie in the last 128 bytes: never rows.
  image.SetRecordSize(15);
  for (int i = 0; i < image.SearchedCount(); ++i) image.StoreRecord(i, Numbered(i), {}, "");
  EXPECT_EQ(image.BuildKeyList().size(), 4360u);
  EXPECT_EQ(image.KeyCount(), 4360);
  EXPECT_EQ(image.FirstFreeSlot(), std::nullopt);
  EXPECT_EQ(image.FreeSlots()[1], kFreeSlotEnd);
}

TEST(KeyFilter, FindsCommentsAndCodesWhateverTheCaseAndDiacritics) {
  struct Case {
    const char *comment, *code, *typed;  // the comment in UTF-8 here, in Windows-1250 in the image
    bool found;
  };
  const Case cases[] = {
      {"Novák", "A200000001B81C02", "novak", true},
      {"Novák", "", "NOV", true},
      {"NOVÁK", "", "nová", true},
      {"Novák", "A200000001B81C02", "novy", false},
      {"ÁÄČĎÉĚÍĽĹŁŇÓÔÖŐŔŘŚŠŤÚŮÜŰÝŹŻŽĄĘĆŃŞŢĂÂÎĐÇË", "", "aacdeeilllnoooorrsstuuuuyzzzaecnstaaidce", true},
      {"áäčďéěíľĺłňóôöőŕřśšťúůüűýźżžąęćńşţăâîđçë", "", "AACDEEILLLNOOOORRSSTUUUUYZZZAECNSTAAIDCE", true},
      {"Straße", "", "STRASSE", true},
      {"A–B", "", "a-b", false},
      {"", "A2000000519C3A01", "9c3a", true},
      {"", "0F5E4D3C2B1A", "5e4d", true},
      {"ab", "CD", "bc", false},
      {"", "", "", true},
      {"Novák", "", "ā", false},
  };
  for (const Case& c : cases) {
    const KeyFilter filter(c.typed);
    EXPECT_EQ(filter.Matches(Utf8ToCp1250(c.comment).bytes, c.code), c.found)
        << c.comment << " / " << c.typed;
    EXPECT_EQ(filter.IsEmpty(), *c.typed == '\0') << c.typed;
  }
}

// Records 0-3: "Novák" opening floors 5 and 24, "Dvořák" floor 5, "Patro 25" floor 1, "Novotná"
// none. Each row: what is typed, the IDs listed.
TEST(KeyFilter, FindsTheKeysOfAFloorWithOrWithoutText) {
  struct Case {
    const char *typed, *ids;
  };
  KeyMemoryImage image = ImageOfSize(100);
  const char* comments[] = {"Nov\xE1k", "Dvo\xF8\xE1k", "Patro 25", "Novotn\xE1"};
  const Floors floors[] = {{0x10, 0x00, 0x80}, {0x10, 0, 0}, {0x01, 0, 0}, {}};
  for (int i = 0; i < 4; ++i) image.StoreRecord(i, Numbered(i + 1), floors[i], comments[i]);
  for (const Case& c : {Case{"floor 5", "0 1"}, Case{"PATRO 5", "0 1"}, Case{"  Floor   24 ", "0"},
                        Case{"patro 5 novák", "0"}, Case{"floor 5 ák", "0 1"}, Case{"floor 1", "2"},
                        Case{"patro 25", "2"}, Case{"patro 0", ""}, Case{"floor 5x", ""}, Case{"floor5", ""},
                        Case{"floor", ""}, Case{"nov", "0 3"}}) {
    std::string ids;
    for (const KeyListRow& row : image.BuildKeyList(KeyFilter(c.typed)))
      ids += (ids.empty() ? "" : " ") + std::to_string(row.id);
    EXPECT_EQ(ids, c.ids) << c.typed;
  }
  EXPECT_EQ(KeyFilter("patro 7").floor(), 7);
  EXPECT_FALSE(KeyFilter("patro 7").IsEmpty());
}

// The relayout result is written out record by record over an erased image.
struct ExpectedImage {
  ImageBytes bytes;
  ExpectedImage() { bytes.fill(0xFF); }
  void Put(std::size_t offset, std::span<const std::uint8_t> data) {
    std::copy(data.begin(), data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
  }
  void Put(std::size_t offset, std::string_view text) { Put(offset, test::AsBytes(text)); }
};

TEST(RelayoutKeyMemory, DownKeepsIndicesCutsCommentsAndErasesFromTheFirstErasedRecord) {
  KeyMemoryImage image;  // size 100, comment length 85
  image.StoreRecord(0, kKeyA, {1, 2, 3}, std::string(40, 'c') + std::string(45, 'd'));
  image.StoreRecord(1, kDeleted, {4, 5, 6}, "old");
  image.StoreRecord(2, kKeyB, {7, 8, 9}, "short");
  image.StoreRecord(3, kErased, {}, "");
  image.StoreRecord(4, Numbered(4), {}, "after the end");

  // Record 4 lies beyond the end mark, record 0's comment does not fit.
  EXPECT_EQ(CountRelayoutLosses(image, 50), (RelayoutLosses{1, 1}));
  ASSERT_TRUE(image.RelayoutKeyMemory(50));
  EXPECT_EQ(image.RecordSize(), 50);
  ExpectedImage expected;
  expected.Put(0, kKeyA);
  expected.Put(12, std::string{1, 2, 3} + std::string(35, 'c'));
  expected.Put(50, kDeleted);
  expected.Put(62, std::string{4, 5, 6} + "old" + std::string(32, '\0'));
  expected.Put(100, kKeyB);
  expected.Put(112, std::string{7, 8, 9} + "short" + std::string(30, '\0'));
  EXPECT_TRUE(BytesEqual(expected.bytes, image.Bytes()));
}

TEST(RelayoutKeyMemory, UpPadsCommentsWithFF) {
  KeyMemoryImage image = ImageOfSize(20);
  image.StoreRecord(0, kKeyA, {1, 0, 0}, "ab");
  image.StoreRecord(1, kKeyB, {2, 0, 0}, "12345");
  // No erased record: every record that fits both sizes, the last one included, is carried over.
  image.WriteBytes(40, std::vector<std::uint8_t>(kImageSize - 40, 0x00));

  ASSERT_TRUE(image.RelayoutKeyMemory(250));
  ExpectedImage expected;
  expected.Put(0, kKeyA);
  expected.Put(12, std::string{1, 0, 0, 'a', 'b', 0, 0, 0});
  expected.Put(250, kKeyB);
  expected.Put(262, std::string{2, 0, 0, '1', '2', '3', '4', '5'});
  for (std::size_t r = 2; r < 262; ++r) expected.Put(r * 250, std::string(20, '\0'));
  EXPECT_TRUE(BytesEqual(expected.bytes, image.Bytes()));

  // Back down, only the 262 records that fitted stay; the copy reads nothing beyond the image.
  ASSERT_TRUE(image.RelayoutKeyMemory(20));
  EXPECT_EQ(image.KeyCodeAt(1), kKeyB);
  EXPECT_TRUE(BytesEqual(std::vector<std::uint8_t>(20, 0x00), image.Record(261)));
  EXPECT_TRUE(image.IsErased(262));
}

// Between them the two texts hold every hex digit, so both directions meet each digit value.
struct CodeForm {
  std::string_view text;
  KeyCode code;
};
constexpr CodeForm kEightByte{"E9CDAB8967452301", {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xE9}};
constexpr CodeForm kTwelveChar{"A1B2C3D4E5F0", {'0', 'F', '5', 'E', '4', 'D', '3', 'C', '2', 'B', '1', 'A'}};

TEST(KeyCodeText, BothFormsRoundTripInEitherCaseAndEveryOneDigitChangeFailsTheCheck) {
  EXPECT_EQ(Crc8Maxim(test::AsBytes("123456789")), 0xA1);  // the catalogue's check value
  for (const CodeForm& form : {kEightByte, kTwelveChar}) {
    SCOPED_TRACE(form.text);
    EXPECT_EQ(KeyCodeToText(form.code), form.text);
    EXPECT_EQ(KeyCodeFromText(form.text), form.code);
    std::string lower(form.text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(KeyCodeFromText(lower), form.code);
    for (std::size_t position = 0; position < form.text.size(); ++position) {
      for (char digit : std::string_view("0123456789ABCDEFabcdef")) {
        if (std::toupper(static_cast<unsigned char>(digit)) == form.text[position]) continue;
        std::string changed(form.text);
        changed[position] = digit;
        EXPECT_EQ(KeyCodeFromText(changed), std::nullopt) << changed;
      }
    }
  }
  EXPECT_TRUE(IsValidEightByteCode(kEightByte.code));
  EXPECT_TRUE(IsValidTwelveCharCode(kTwelveChar.code));
}

// The rule each refused code breaks, with the first character that is no digit, or the digits.
TEST(KeyCodeText, RefusesOtherLengthsCharactersAndStoredBytesThatAreNotUppercaseHex) {
  using Rule = KeyCodeFault::Rule;
  struct Refused {
    std::string_view text;
    Rule rule;
    std::size_t atOrLength;
  };
  for (const Refused& r : std::initializer_list<Refused>{{"", Rule::Length, 0},
                                                         {"A1B2C3D4E5F", Rule::Length, 11},
                                                         {"A1B2C3D4E5F00", Rule::Length, 13},
                                                         {"E9CDAB896745230", Rule::Length, 15},
                                                         {"E9CDAB89674523010", Rule::Length, 17},
                                                         {"A1B2C3D4E5FG", Rule::Digit, 11},
                                                         {"A1B2C3D4E5F ", Rule::Digit, 11},
                                                         {" E9CDAB896745230", Rule::Digit, 0},
                                                         {"E9CDAB896745230-", Rule::Digit, 15},
                                                         {"E9C\xC3\x84", Rule::Digit, 3},
                                                         {"E9CDAB8967452300", Rule::Check, 16},
                                                         {"A1B2C3D4E5F1", Rule::Check, 12}}) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(KeyCodeFromText(r.text), std::nullopt);
    const std::optional<KeyCodeFault> fault = FaultOfKeyCodeText(r.text);
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->rule, r.rule);
    EXPECT_EQ(r.rule == Rule::Digit ? fault->at : fault->length, r.atOrLength);
  }
  EXPECT_EQ(FaultOfKeyCodeText(kEightByte.text), std::nullopt);
  // 'f' has the right digit value but lowercase is never stored; ':' is the byte after '9'.
  for (const std::uint8_t wrong : {'f', ':'}) {
    KeyCode code = kTwelveChar.code;
    code[1] = wrong;
    EXPECT_FALSE(IsValidTwelveCharCode(code)) << wrong;
  }
}

TEST(FloorList, ReadsTypedListsAndWritesRunsOfThree) {
  // What is typed, the floors it means, how they are written back and how they are printed.
  for (const auto& [typed, floors, written, printed] :
       std::initializer_list<std::tuple<std::string_view, Floors, std::string_view, std::string_view>>{
           {"1,3-5,24", {0x1D, 0x00, 0x80}, "1,3-5,24", "1, 3\u20135, 24"},
           {"1-24", {0xFF, 0xFF, 0xFF}, "1-24", "1\u201324"},
           {"7-9,11-13,15,16", {0xC0, 0xDD, 0x00}, "7-9,11-13,15,16", "7\u20139, 11\u201313, 15, 16"},
           {" 16 , 8-9,7 ", {0xC0, 0x81, 0x00}, "7-9,16", "7\u20139, 16"},
           {"23-24,1-2,22", {0x03, 0x00, 0xE0}, "1,2,22-24", "1, 2, 22\u201324"},
           {"4-6,5-8,6-6", {0xF8, 0x00, 0x00}, "4-8", "4\u20138"},
           {"09,010", {0x00, 0x03, 0x00}, "9,10", "9, 10"},
       }) {
    EXPECT_EQ(ParseFloorList(typed), floors) << typed;
    EXPECT_EQ(FloorListText(floors), written) << typed;
    EXPECT_EQ(PrintedFloorList(floors), printed) << typed;
  }
  EXPECT_EQ(PrintedFloorList({}), "");
  EXPECT_EQ(FloorListText({}), "");
  for (std::string_view text : {"", " ", "1,,2", "1,", ",1", "0", "25", "1-25", "0-3", "5-3", "3-5-7", "-3",
                                "+3", "3-", "1 2", "1;2", "3 - 5", "a", "100000000000"}) {
    EXPECT_EQ(ParseFloorList(text), std::nullopt) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace qel
