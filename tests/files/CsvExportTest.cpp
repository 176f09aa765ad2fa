#include <gtest/gtest.h>

#include <string>

#include "files/CsvExport.h"
#include "tests/files/TempFolder.h"
#include "tests/support/ByteMatch.h"

namespace qel {
namespace {

using test::BytesEqual;
using test::ReadWhole;
using test::TempFolder;

constexpr KeyCode kOneWire{0x02, 0x1C, 0xB8, 0x01, 0x00, 0x00, 0x00, 0xA2, 0, 0, 0, 0};
constexpr KeyCode kOtherWire{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xE9, 0, 0, 0, 0};
constexpr KeyCode kTwelve{'0', 'F', '5', 'E', '4', 'D', '3', 'C', '2', 'B', '1', 'A'};
constexpr KeyCode kErased{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

constexpr std::string_view kCzechHeader =
    "ID;Koment\xE1\xF8;Kl\xED\xE8;Patro 24;23;22;21;20;19;18;17;16;15;14;13;12;11;10;9;8;7;6;5;4;3;2;1;\r\n";
constexpr std::string_view kEnglishHeader =
    "ID;Comment;Key;Floor 24;23;22;21;20;19;18;17;16;15;14;13;12;11;10;9;8;7;6;5;4;3;2;1;\r\n";

// Record size 30: comment length 15.
KeyMemoryImage WorkedExample() {
  KeyMemoryImage image;
  image.SetRecordSize(30);
  image.StoreRecord(0, kTwelve, {0x80, 0x00, 0x00}, "Kancel\xE1\xF8");
  image.StoreRecord(1, kOneWire, {0x01, 0x00, 0x00}, "Old");
  image.ZeroKeyCode(1);
  image.StoreRecord(2, kOneWire, {0x00, 0x00, 0x00}, "Lift\nB");
  image.StoreRecord(3, kOtherWire, {0x01, 0x00, 0x80}, "Room 12");
  image.StoreRecord(4, kOneWire, {0xFF, 0xFF, 0xFF}, "ABCDEFGHIJKLMNO");
  // Record 5 begins with a printable byte right after record 4's full comment.
  image.StoreRecord(5, kTwelve, {}, "");
  image.StoreRecord(6, kErased, {}, "");
  image.StoreRecord(7, kOneWire, {}, "never exported");
  return image;
}

constexpr std::string_view kWorkedLines =
    "0;Kancel\xE1\xF8;A1B2C3D4E5F0;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;o;x;x;x;x;x;x;x;;\r\n"
    "1;Old;0000000000000000;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;o;;\r\n"
    "2;Lift;A200000001B81C02;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;;\r\n"
    "3;Room 12;E9CDAB8967452301;o;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;o;;\r\n"
    "4;ABCDEFGHIJKLMNO;A200000001B81C02;o;o;o;o;o;o;o;o;o;o;o;o;o;o;o;o;o;o;o;o;o;o;o;o;;\r\n"
    "5;;A1B2C3D4E5F0;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;;\r\n";

TEST(CsvExport, WorkedExampleInCzech) {
  const KeyMemoryImage image = WorkedExample();
  const auto bytes = CsvExportBytes(image.Bytes(), image.RecordSize(), Language::Czech);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_TRUE(BytesEqual(std::string(kCzechHeader) + std::string(kWorkedLines), *bytes));
}

TEST(CsvExport, WorkedExampleInEnglish) {
  const KeyMemoryImage image = WorkedExample();
  const auto bytes = CsvExportBytes(image.Bytes(), image.RecordSize(), Language::English);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_TRUE(BytesEqual(std::string(kEnglishHeader) + std::string(kWorkedLines), *bytes));
}

TEST(CsvExport, CommentWithSemicolonOrQuoteStaysOneColumn) {
  KeyMemoryImage image;
  image.SetRecordSize(40);
  image.StoreRecord(0, kOneWire, {}, "Room;12 \"B\"");
  image.StoreRecord(1, kOneWire, {}, "say \"hi\"");
  image.StoreRecord(2, kOneWire, {}, "a,b 'c'");
  image.StoreRecord(3, kErased, {}, "");
  const auto bytes = CsvExportBytes(image.Bytes(), image.RecordSize(), Language::English);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_TRUE(BytesEqual(
      std::string(kEnglishHeader) +
          "0;\"Room;12 \"\"B\"\"\";A200000001B81C02;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;;\r\n"
          "1;\"say \"\"hi\"\"\";A200000001B81C02;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;;\r\n"
          "2;a,b 'c';A200000001B81C02;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;;\r\n",
      *bytes));
}

TEST(CsvExportEnd, ErasedFirstRecordGivesTheHeaderOnly) {
  ImageBytes image;
  image.fill(0xFF);
  EXPECT_EQ(CsvExportBytes(image, 100, Language::Czech), std::string(kCzechHeader));
  EXPECT_EQ(CsvExportBytes(image, 15, Language::English), std::string(kEnglishHeader));
}

TEST(CsvExportEnd, AllZeroImageExportsEveryListedRecordAndNoMore) {
  const std::string zeroLine = ";;0000000000000000;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;;\r\n";
  for (const auto& [size, last] : {std::pair{100, 653}, std::pair{15, 4359}, std::pair{250, 260}}) {
    const auto bytes = CsvExportBytes(ImageBytes{}, size, Language::English);
    ASSERT_TRUE(bytes.has_value());
    std::string expected(kEnglishHeader);
    for (int i = 0; i <= last; ++i) expected += std::to_string(i) + zeroLine;
    EXPECT_TRUE(BytesEqual(expected, *bytes)) << "record size " << size;
  }
}

TEST(CsvExportEnd, MixedZeroAndFFCodeIsExportedAsItsBytes) {
  KeyMemoryImage image;
  image.SetRecordSize(15);
  image.StoreRecord(0, KeyCode{0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF}, {},
                    "");
  image.StoreRecord(1, kErased, {}, "");
  const auto bytes = CsvExportBytes(image.Bytes(), image.RecordSize(), Language::English);
  ASSERT_TRUE(bytes.has_value());
  const std::string code("\xFF\x00\xFF\x00\xFF\x00\xFF\x00\xFF\x00\xFF\x00", 12);
  EXPECT_TRUE(BytesEqual(
      std::string(kEnglishHeader) + "0;;" + code + ";x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;;\r\n",
      *bytes));
}

TEST(CsvExportEnd, CommentStopsBeforeControlBytesAndFF) {
  KeyMemoryImage image;
  image.SetRecordSize(25);
  image.StoreRecord(0, kOneWire, {},
                    "ab\x1F"
                    "cd");
  image.StoreRecord(1, kOneWire, {},
                    "\xFE"
                    "x\xFFyz");
  image.StoreRecord(2, kOneWire, {}, std::string("\0late", 5));
  image.StoreRecord(3, kErased, {}, "");
  const auto bytes = CsvExportBytes(image.Bytes(), image.RecordSize(), Language::English);
  ASSERT_TRUE(bytes.has_value());
  const std::string floors = ";x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;;\r\n";
  EXPECT_TRUE(BytesEqual(std::string(kEnglishHeader) + "0;ab;A200000001B81C02" + floors +
                             "1;\xFEx;A200000001B81C02" + floors + "2;;A200000001B81C02" + floors,
                         *bytes));
}

TEST(CsvExport, InvalidRecordSizeIsRefused) {
  TempFolder folder;
  for (int size : {0, 14, 251}) {
    EXPECT_EQ(CsvExportBytes(ImageBytes{}, size, Language::Czech), std::nullopt);
    EXPECT_EQ(ExportCsvFile(folder / "out.csv", ImageBytes{}, size, Language::Czech).error,
              FileError::SettingsOutOfRange);
  }
  EXPECT_TRUE(folder.Names().empty());
}

TEST(CsvExportFile, WritesTheExportBytes) {
  TempFolder folder;
  const KeyMemoryImage image = WorkedExample();
  ASSERT_TRUE(ExportCsvFile(folder / "keys.csv", image.Bytes(), image.RecordSize(), Language::Czech).Ok());
  EXPECT_TRUE(
      BytesEqual(std::string(kCzechHeader) + std::string(kWorkedLines), ReadWhole(folder / "keys.csv")));
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"keys.csv"});
}

TEST(CsvExportFile, FailureNamesTheFileAndLeavesTheTargetAlone) {
  TempFolder folder;
  const FileResult missing = ExportCsvFile(folder / "no" / "keys.csv", ImageBytes{}, 100, Language::English);
  EXPECT_EQ(missing.error, FileError::CannotCreate);
  EXPECT_EQ(
      missing.Message(Language::English),
      "Cannot create the file " + (folder / "no" / "keys.csv").string() + ": No such file or directory");

  std::filesystem::create_directory(folder / "keys.csv");
  const FileResult directory = ExportCsvFile(folder / "keys.csv", ImageBytes{}, 100, Language::Czech);
  EXPECT_EQ(directory.error, FileError::CannotReplace);
  EXPECT_TRUE(std::filesystem::is_directory(folder / "keys.csv"));
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"keys.csv"});
}

}  // namespace
}  // namespace qel
