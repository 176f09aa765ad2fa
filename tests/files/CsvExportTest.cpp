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
constexpr std::string_view kNoFloors = ";x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;;\r\n";

// Record size 30, comment length 15. Comments end before 0x00-0x1F or 0xFF; only ";" and '"'
// call for quotes.
KeyMemoryImage WorkedExample() {
  KeyMemoryImage image;
  image.SetRecordSize(30);
  image.StoreRecord(0, kTwelve, {0x80, 0x00, 0x00}, "Kancel\xE1\xF8");
  image.StoreRecord(1, kOneWire, {0x01, 0x00, 0x00}, "Old\xFE\xFFyz");
  image.ZeroKeyCode(1);
  image.StoreRecord(2, kOneWire, {0x00, 0x00, 0x00}, "Lift;2\x1FZ");
  image.StoreRecord(3, kOtherWire, {0x01, 0x00, 0x80}, "Room \"12\"");
  image.StoreRecord(4, kOneWire, {0xFF, 0xFF, 0xFF}, "A,B 'C' DEFGHIJ");
  // Record 5 begins with a printable byte right after record 4's full comment.
  image.StoreRecord(5, kTwelve, {}, "");
  image.StoreRecord(6, kErased, {}, "");
  image.StoreRecord(7, kOneWire, {}, "never exported");
  return image;
}

constexpr std::string_view kWorkedLines =
    "0;Kancel\xE1\xF8;A1B2C3D4E5F0;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;o;x;x;x;x;x;x;x;;\r\n"
    "1;Old\xFE;0000000000000000;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;o;;\r\n"
    "2;\"Lift;2\";A200000001B81C02;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;;\r\n"
    "3;\"Room \"\"12\"\"\";E9CDAB8967452301;o;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;o;;\r\n"
    "4;A,B 'C' DEFGHIJ;A200000001B81C02;o;o;o;o;o;o;o;o;o;o;o;o;o;o;o;o;o;o;o;o;o;o;o;o;;\r\n"
    "5;;A1B2C3D4E5F0;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;;\r\n";

TEST(CsvExportFile, WorkedExampleInBothLanguages) {
  TempFolder folder;
  const KeyMemoryImage image = WorkedExample();
  for (const auto& [language, header] :
       {std::pair{Language::Czech, kCzechHeader}, std::pair{Language::English, kEnglishHeader}}) {
    ASSERT_TRUE(ExportCsvFile(folder / "keys.csv", image.Bytes(), image.RecordSize(), language).Ok());
    EXPECT_TRUE(BytesEqual(std::string(header) + std::string(kWorkedLines), ReadWhole(folder / "keys.csv")));
  }
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"keys.csv"});
}

TEST(CsvExport, WithoutAnErasedRecordEndsAfterTheLastListedOne) {
  // A code of 0x00 and 0xFF bytes mixed is not erased; it is written as its bytes.
  ImageBytes image{};
  for (std::size_t i = 1; i < 12; i += 2) image[i] = 0xFF;
  const std::string mixed("\xFF\x00\xFF\x00\xFF\x00\xFF\x00\xFF\x00\xFF\x00", 12);
  for (const auto& [size, last] : {std::pair{100, 653}, std::pair{15, 4359}, std::pair{250, 260}}) {
    std::string expected = std::string(kEnglishHeader) + "0;;" + mixed + std::string(kNoFloors);
    for (int i = 1; i <= last; ++i)
      expected += std::to_string(i) + ";;0000000000000000" + std::string(kNoFloors);
    EXPECT_TRUE(BytesEqual(expected, CsvExportBytes(image, size, Language::English).value_or("")))
        << "record size " << size;
  }
}

TEST(CsvExportFile, FailuresWriteNothingAndKeepAFolderInThePlace) {
  TempFolder folder;
  for (int size : {0, 14, 251}) {
    EXPECT_EQ(CsvExportBytes(ImageBytes{}, size, Language::Czech), std::nullopt);
    EXPECT_EQ(ExportCsvFile(folder / "out.csv", ImageBytes{}, size, Language::Czech).error,
              FileError::SettingsOutOfRange);
  }
  std::filesystem::create_directory(folder / "keys.csv");
  EXPECT_EQ(ExportCsvFile(folder / "keys.csv", ImageBytes{}, 100, Language::Czech).error,
            FileError::CannotReplace);
  EXPECT_TRUE(std::filesystem::is_empty(folder / "keys.csv"));
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"keys.csv"});
}

}  // namespace
}  // namespace qel
