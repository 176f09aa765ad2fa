#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "files/CsvExport.h"
#include "files/CsvImport.h"

namespace qel {
namespace {

constexpr KeyCode kOneWire{0x02, 0x1C, 0xB8, 0x01, 0x00, 0x00, 0x00, 0xA2, 0, 0, 0, 0};
constexpr KeyCode kTwelve{'0', 'F', '5', 'E', '4', 'D', '3', 'C', '2', 'B', '1', 'A'};

std::string Replaced(std::string text, std::string_view from, std::string_view to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

TEST(CsvImport, GivesBackEveryExportedKeyWhateverTheLineEndsAndTrailingFields) {
  KeyMemoryImage image;
  image.EraseImage();
  image.SetRecordSize(40);
  const std::vector<ImportedKey> keys{
      {2, kTwelve, {0x01, 0x00, 0x80}, "Room \"12\"; Kl\xED\xE8 \xE8.2"},
      {4, kOneWire, {0xFF, 0xFF, 0xFF}, "\"\""},
      {5, kTwelve, {}, ""},
      {6, kOneWire, {0x00, 0x81, 0x00}, "a;b,c 'd' \x8A\xFE"},
  };
  for (const ImportedKey& key : keys) image.StoreRecord(key.line - 2, key.code, key.floors, key.comment);
  image.StoreRecord(1, kOneWire, {0x01}, "deleted");
  image.ZeroKeyCode(1);

  for (Language language : {Language::Czech, Language::English}) {
    const std::string bytes = CsvExportBytes(image.Bytes(), image.RecordSize(), language).value();
    // As written, with LF only, without the last line end, with blank lines after it, and as a
    // spreadsheet saves it, without the empty fields that end the lines.
    for (const std::string& variant :
         {bytes, Replaced(bytes, "\r\n", "\n"), bytes.substr(0, bytes.size() - 2), bytes + "\r\n\n\r\n",
          Replaced(Replaced(bytes, ";;\r\n", "\r\n"), ";1;\r\n", ";1\r\n")}) {
      const CsvImport result = ParseCsvImport(variant);
      EXPECT_TRUE(result.Ok()) << CsvImportMessage(result, Language::English);
      EXPECT_EQ(result.keys, keys);
    }
  }
}

TEST(CsvImport, NamesTheFirstBadLineAndWhyInBothLanguages) {
  const std::string header =
      "ID;Comment;Key;Floor 24;23;22;21;20;19;18;17;16;15;14;13;12;11;10;9;8;7;6;5;4;3;2;1;\r\n";
  const std::string floors = "o;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;x;o;;";
  const std::string good = header + "0;Lift;A200000001B81C02;" + floors + "\r\n";
  const std::string key = ";A200000001B81C02;";
  for (const auto& [bytes, line, problem] :
       std::initializer_list<std::tuple<std::string, int, CsvImportProblem>>{
           {"", 1, CsvImportProblem::MissingHeader},
           {Replaced(header, "Comment;Key;Floor", "Komentář;Klíč;Patro"), 1, CsvImportProblem::MissingHeader},
           {Replaced(header, ";1;", ";"), 1, CsvImportProblem::MissingHeader},
           {good + "\r\n" + good, 3, CsvImportProblem::WrongColumnCount},
           {good + "1;A;B;C;D", 3, CsvImportProblem::WrongColumnCount},
           {good + "1;Lift" + key + floors + "x;", 3, CsvImportProblem::WrongColumnCount},
           {good + "-1;Lift" + key + floors, 3, CsvImportProblem::BadId},
           {good + "1;\"Lift" + key + floors, 3, CsvImportProblem::BadQuotes},
           {good + "1;\"Lift\"2" + key + floors, 3, CsvImportProblem::BadQuotes},
           {good + "1;Li\tft" + key + floors, 3, CsvImportProblem::UnstorableComment},
           {good + "1;\"Lift\xFF\"" + key + floors, 3, CsvImportProblem::UnstorableComment},
           {good + "1;Lift;A200000001B81C03;" + floors, 3, CsvImportProblem::BadKeyCode},
           {good + "1;Lift;A1B2C3D4E5F1;" + floors, 3, CsvImportProblem::BadKeyCode},
           {good + "1;Lift" + key + "O" + floors.substr(1), 3, CsvImportProblem::BadFloorMark},
           {good + "1;Lift" + key + floors.substr(2), 3, CsvImportProblem::BadFloorMark},
       }) {
    const CsvImport result = ParseCsvImport(bytes);
    EXPECT_EQ(result.badLine, line) << bytes;
    EXPECT_EQ(result.problem, problem) << bytes;
    EXPECT_TRUE(result.keys.empty()) << bytes;
    const std::string number = std::to_string(line);
    EXPECT_TRUE(CsvImportMessage(result, Language::Czech).starts_with("Řádek " + number + " souboru CSV: "));
    EXPECT_TRUE(
        CsvImportMessage(result, Language::English).starts_with("Line " + number + " of the CSV file: "));
  }
  EXPECT_EQ(CsvImportMessage(CsvImport{{}, 7, CsvImportProblem::BadKeyCode}, Language::Czech),
            "Řádek 7 souboru CSV: kód klíče není platný.");
}

}  // namespace
}  // namespace qel
