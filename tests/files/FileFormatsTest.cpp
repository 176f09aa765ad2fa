#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "files/AutomaticBackup.h"
#include "files/CsvExport.h"
#include "files/CsvImport.h"
#include "files/ImageFile.h"
#include "tests/files/ImageSamples.h"
#include "tests/files/TempFolder.h"
#include "tests/support/ByteMatch.h"
#include "texts/Cp1250.h"
#include "texts/Utf8Path.h"

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

std::string Replaced(std::string text, std::string_view from, std::string_view to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

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
  image.StoreRecord(5, kTwelve, {}, "\"\"");
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
    "5;\"\"\"\"\"\";A1B2C3D4E5F0;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;;\r\n";

// The keys the worked example's export gives back, by the line each stands on; the deleted one
// on line 3 is left out.
const std::vector<ImportedKey> kWorkedKeys{
    {2, kTwelve, {0x80, 0x00, 0x00}, "Kancel\xE1\xF8"},
    {4, kOneWire, {}, "Lift;2"},
    {5, kOtherWire, {0x01, 0x00, 0x80}, "Room \"12\""},
    {6, kOneWire, {0xFF, 0xFF, 0xFF}, "A,B 'C' DEFGHIJ"},
    {7, kTwelve, {}, "\"\""},
};

TEST(Csv, WorkedExampleExportsInBothLanguagesAndImportsBackWhateverTheLineEndsAndTrailingFields) {
  TempFolder folder;
  const KeyMemoryImage image = WorkedExample();
  for (const auto& [language, header] :
       {std::pair{Language::Czech, kCzechHeader}, std::pair{Language::English, kEnglishHeader}}) {
    ASSERT_TRUE(ExportCsvFile(folder / "keys.csv", image.Bytes(), image.RecordSize(), language).Ok());
    const std::string bytes = ReadWhole(folder / "keys.csv");
    EXPECT_TRUE(BytesEqual(std::string(header) + std::string(kWorkedLines), bytes));
    // As written, with LF only, without the last line end, with blank lines after it, and as a
    // spreadsheet saves it, without the empty fields that end the lines.
    for (const std::string& variant :
         {bytes, Replaced(bytes, "\r\n", "\n"), bytes.substr(0, bytes.size() - 2), bytes + "\r\n\n\r\n",
          Replaced(Replaced(bytes, ";;\r\n", "\r\n"), ";1;\r\n", ";1\r\n")}) {
      const CsvImport result = ParseCsvImport(variant);
      EXPECT_EQ(result.errors, std::vector<CsvImportError>{});
      EXPECT_EQ(result.keys, kWorkedKeys);
    }
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

TEST(CsvImport, NamesEveryBadLineAndWhyInBothLanguages) {
  const std::string floors = "o;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;o;;";
  const std::string key = ";A200000001B81C02;";
  // One bad line after another, then a good one: every bad line is named, and no key kept.
  const std::vector<std::pair<std::string, CsvImportError>> badLines{
      {"", {2, CsvImportProblem::WrongColumnCount}},
      {"1;A;B;C;D", {3, CsvImportProblem::WrongColumnCount}},
      {"1;Lift" + key + floors + "x;", {4, CsvImportProblem::WrongColumnCount}},
      {"-1;Lift" + key + floors, {5, CsvImportProblem::BadId}},
      {"1;\"Lift" + key + floors, {6, CsvImportProblem::BadQuotes}},
      {"1;\"Lift\"2" + key + floors, {7, CsvImportProblem::BadQuotes}},
      {"1;Li\tft" + key + floors, {8, CsvImportProblem::UnstorableComment, U'\t'}},
      {"1;\"Lift\xFF\"" + key + floors, {9, CsvImportProblem::UnstorableComment, U'\u02D9'}},
      {"1;Lift;A200000001B81C03;" + floors, {10, CsvImportProblem::BadKeyCode}},
      {"1;Lift;A1B2C3D4E5F1;" + floors, {11, CsvImportProblem::BadKeyCode}},
      {"1;Lift" + key + "O" + floors.substr(1), {12, CsvImportProblem::BadFloorMark}},
      {"1;Lift" + key + floors.substr(2), {13, CsvImportProblem::BadFloorMark}},
  };
  std::string bytes(kEnglishHeader);
  std::vector<CsvImportError> errors;
  for (const auto& [line, error] : badLines) {
    bytes += line + "\r\n";
    errors.push_back(error);
    const std::string number = std::to_string(error.line);
    EXPECT_TRUE(CsvImportMessage(error, Language::Czech).starts_with("Řádek " + number + " souboru CSV: "));
    EXPECT_TRUE(
        CsvImportMessage(error, Language::English).starts_with("Line " + number + " of the CSV file: "));
  }
  const CsvImport result = ParseCsvImport(bytes + "0;Lift" + key + floors + "\r\n");
  EXPECT_EQ(result.errors, errors);
  EXPECT_TRUE(result.keys.empty());
  for (const std::string& header : {std::string(), Replaced(std::string(kEnglishHeader), ";1;", ";")})
    EXPECT_EQ(ParseCsvImport(header).errors,
              (std::vector<CsvImportError>{{1, CsvImportProblem::MissingHeader}}));
  EXPECT_EQ(CsvImportMessage({7, CsvImportProblem::BadKeyCode}, Language::Czech),
            "Řádek 7 souboru CSV: kód klíče není platný.");
  EXPECT_EQ(
      CsvImportMessage({4, CsvImportProblem::UnstorableComment, U'ñ'}, Language::English),
      "Line 4 of the CSV file: the comment contains the character \"ñ\" (U+00F1), which QEL cannot store.");
}

// A spreadsheet saves UTF-8, with the byte-order mark or without; the export writes Windows-1250.
TEST(CsvImport, ReadsUtf8WithOrWithoutTheMarkAndWindows1250Alike) {
  const std::string czech = std::string(CsvExportHeader(Language::Czech)) + "\r\n";
  const std::string line = "0;Dvořák;A200000001B81C02" + std::string(kNoFloors);
  const std::vector<ImportedKey> dvorak{{2, kOneWire, {}, "Dvo\xF8\xE1k"}};
  for (const std::string& bytes :
       {czech + line, "\xEF\xBB\xBF" + czech + line, Utf8ToCp1250(czech + line).bytes})
    EXPECT_EQ(ParseCsvImport(bytes).keys, dvorak) << bytes;
  EXPECT_EQ(ParseCsvImport(czech + Replaced(line, "ř", "ñ") + line + Replaced(line, "ř", "Ω")).errors,
            (std::vector<CsvImportError>{{2, CsvImportProblem::UnstorableComment, U'ñ'},
                                         {4, CsvImportProblem::UnstorableComment, U'Ω'}}));
}

using test::EveryByteValue;
using test::Header;
using test::WriteWhole;

std::string ImageText(const ImageBytes& image) {
  return {reinterpret_cast<const char*>(image.data()), image.size()};
}

std::array<int, 4> Fields(const ImageSettings& s) {
  return {s.accessTime, s.recordSize, s.relayInversion, s.mainRelayInversion};
}

TEST(ImageFile, RoundTripAndHandWrittenFilesAtTheHeaderBounds) {
  TempFolder folder;
  const auto path = folder / "keys.kym";
  WriteWhole(path, std::string(100000, 'o'));  // a longer earlier file is replaced whole
  const ImageBytes image = EveryByteValue();
  const auto expectLoads = [&](const ImageSettings& expected) {
    ImageBytes loaded{};
    ImageSettings settings{-1, -1, -1, -1};
    ASSERT_TRUE(LoadImageFile(path, loaded, settings).Ok());
    EXPECT_TRUE(BytesEqual(image, loaded));
    EXPECT_EQ(Fields(settings), Fields(expected));
  };
  for (const auto& [saved, header] : {std::pair{ImageSettings{120, 15, 1, 0}, Header(120, 15, '1', '0')},
                                      std::pair{ImageSettings{0, 250, 0, 1}, Header(0, 250, '0', '1')}}) {
    ASSERT_TRUE(SaveImageFile(path, image, saved).Ok());
    EXPECT_TRUE(BytesEqual(header + ImageText(image), ReadWhole(path)));
    expectLoads(saved);
    // An inversion byte other than '1' counts as off; bytes after the image are ignored.
    std::string odd = header;
    std::replace(odd.begin() + 2, odd.end(), '0', 'x');
    WriteWhole(path, odd + ImageText(image) + "trailing bytes");
    expectLoads(saved);
  }
  // A file cut short is judged by the bytes it holds, not by the size of the loader's buffer.
  WriteWhole(path, Header(0, 100) + ImageText(image).substr(0, 996));
  ImageBytes untouched = image;
  ImageSettings settings{1, 20, 0, 0};
  EXPECT_EQ(LoadImageFile(path, untouched, settings).position, 1001);
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"keys.kym"});
}

TEST(ImageFileLoad, DamagedFilesLeaveTheWorkingCopyUntouched) {
  struct DamageCase {
    const char* name;
    std::string content;
    int position;  // 0 for error 510, the first missing byte for 511
  };
  const std::string image(kImageSize, '\x5A');
  const std::vector<DamageCase> cases{
      {"access time 121", Header(121, 100) + image, 0},
      {"record size 14", Header(0, 14) + image, 0},
      {"record size 251", Header(0, 251) + image, 0},
      {"empty", "", 0},
      {"three bytes", Header(0, 100).substr(0, 3), 0},
      {"header only", Header(0, 100), 5},
      {"1000 bytes", Header(120, 15) + image.substr(0, 996), 1001},
      {"one byte short", Header(0, 250) + image.substr(1), 65540},
  };
  const ImageBytes working = EveryByteValue();
  for (const DamageCase& c : cases) {
    SCOPED_TRACE(c.name);
    ImageBytes image = working;
    ImageSettings settings{3, 100, 1, 1};
    const FileResult result = LoadImageFileContent(test::AsBytes(c.content), "damaged.kym", image, settings);
    EXPECT_EQ(result.error, c.position == 0 ? FileError::Damaged : FileError::DamagedAt);
    EXPECT_EQ(result.ErrorCode(), c.position == 0 ? 510 : 511);
    EXPECT_EQ(result.position, c.position);
    EXPECT_EQ(result.path, "damaged.kym");
    EXPECT_TRUE(BytesEqual(working, image));
    EXPECT_EQ(Fields(settings), Fields({3, 100, 1, 1}));
  }
}

}  // namespace
}  // namespace qel

namespace qel {
namespace {

TEST(AutomaticBackup, NamesCarryTheElevatorAndTheTimeWithUnsafeCharactersReplaced) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Výtah A", "Výtah A 2026-12-07 181500.kym"},
      {"a/b\\c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j 2026-12-07 181500.kym"},
      {"\x01tab\tend", "_tab_end 2026-12-07 181500.kym"},
      {" ..", "QEL 2026-12-07 181500.kym"},
      {"", "QEL 2026-12-07 181500.kym"},
      {"..", "QEL 2026-12-07 181500.kym"},
  };
  for (const auto& [name, file] : cases)
    EXPECT_EQ(AutomaticBackupName(name, "2026-12-07 181500"), file) << name;
}

// What a save dialog proposes: the date alone, the suffix of the kind of file.
TEST(AutomaticBackup, ProposesTheElevatorAndTheDateWithTheSuffix) {
  const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
      {"Výtah A", "kym", "Výtah A 2026-12-08.kym"},
      {"Dům 3/B", "csv", "Dům 3_B 2026-12-08.csv"},
      {"", "csv", "QEL 2026-12-08.csv"},
  };
  for (const auto& [name, suffix, file] : cases)
    EXPECT_EQ(ProposedFileName(name, "2026-12-08", suffix), file);
}

// The newest 50 stay, by the time in their names; two in one second both stay; other files are
// never touched; a folder that cannot be made says why.
TEST(AutomaticBackup, KeepsTheNewestFiftyAndNothingElseGoes) {
  test::TempFolder folder;
  const std::filesystem::path backups = folder / "backups";
  const ImageBytes image{};
  const ImageSettings settings{5, 100, 0, 0};
  for (int minute = 0; minute < 51; ++minute) {
    const std::string stamp =
        "2026-12-07 18" + std::string(minute < 10 ? "0" : "") + std::to_string(minute) + "00";
    ASSERT_TRUE(SaveAutomaticBackup(backups, "Výtah", stamp, image, settings).Ok());
    if (minute == 0) test::WriteWhole(backups / "my own.kym", "x");
  }
  const FileResult again = SaveAutomaticBackup(backups, "Výtah", "2026-12-07 185000", image, settings);
  ASSERT_TRUE(again.Ok());
  EXPECT_EQ(Utf8FromPath(again.path.filename()), "Výtah 2026-12-07 185000-2.kym");
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(backups))
    names.push_back(Utf8FromPath(entry.path().filename()));
  std::sort(names.begin(), names.end());
  ASSERT_EQ(names.size(), 51u);
  EXPECT_EQ(names.front(), "Výtah 2026-12-07 180200.kym");
  EXPECT_EQ(names.back(), "my own.kym");

  test::WriteWhole(folder / "file", "");
  const FileResult blocked =
      SaveAutomaticBackup(folder / "file" / "backups", "Výtah", "2026-12-07 185000", image, settings);
  EXPECT_EQ(blocked.error, FileError::CannotCreate);
  EXPECT_FALSE(blocked.reason.empty());
}

// A path made from a std::string is decoded in the system's code page on Windows: a non-ASCII name
// must reach the disk and every message exactly as typed. The u8 literals check the disk apart
// from the helpers under test.
TEST(FileNames, NonAsciiNamesReachTheDiskAndTheMessagesUnchanged) {
  test::TempFolder folder;
  const std::string name = "záloha-č.kym";
  const std::filesystem::path path = folder / name;
  EXPECT_EQ(path.filename(), std::filesystem::path(u8"záloha-č.kym"));
  EXPECT_EQ(Utf8FromPath(path.filename()), name);

  test::WriteWhole(path, "an earlier file");
  const ImageBytes image = EveryByteValue();
  ASSERT_TRUE(SaveImageFile(path, image, {5, 100, 0, 1}).Ok());
  ImageBytes loaded{};
  ImageSettings settings{};
  ASSERT_TRUE(LoadImageFile(path, loaded, settings).Ok());
  EXPECT_TRUE(test::BytesEqual(image, loaded));
  ASSERT_TRUE(ExportCsvFile(folder / "klíče.csv", image, 100, Language::Czech).Ok());
  const FileResult backup =
      SaveAutomaticBackup(folder / "zálohy", "Výtah č. 1", "2026-12-07 181500", image, {5, 100, 0, 0});
  ASSERT_TRUE(backup.Ok());
  EXPECT_TRUE(
      std::filesystem::is_regular_file(folder.Path() / u8"zálohy" / u8"Výtah č. 1 2026-12-07 181500.kym"));
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"klíče.csv", "záloha-č.kym", "zálohy"}));

  const FileResult missing = LoadImageFile(folder / "žádný.kym", loaded, settings);
  EXPECT_EQ(missing.error, FileError::CannotOpen);
  EXPECT_NE(missing.Message(Language::English).find("žádný.kym"), std::string::npos)
      << missing.Message(Language::English);
}

}  // namespace
}  // namespace qel
