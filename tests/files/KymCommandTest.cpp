#include <gtest/gtest.h>

#include <ranges>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "cli/KymCommand.h"
#include "files/CsvExport.h"
#include "files/ImageFile.h"
#include "tests/files/TempFolder.h"
#include "tests/support/ByteMatch.h"
#include "texts/Utf8Path.h"

namespace qel {
namespace {

using test::ReadWhole;
using test::WriteWhole;

struct KymRun {
  int status;
  std::string out;
  std::string err;
};

// `line` is split at spaces into the arguments; the test paths hold none.
KymRun Kym(std::string_view line, Language systemLanguage = Language::English) {
  std::vector<std::string_view> arguments;
  for (const auto word : std::views::split(line, ' ')) arguments.emplace_back(word.begin(), word.end());
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunKym(arguments, systemLanguage, out, err);
  return {status, out.str(), err.str()};
}

constexpr KeyCode kFlatOne{0x02, 0x1C, 0xB8, 0x01, 0x00, 0x00, 0x00, 0xA2, 0, 0, 0, 0};
constexpr KeyCode kNewCode{'5', '4', '3', '2', '1', '0', 'F', 'E', 'D', 'C', 'B', 'A'};

// A backup with record size 22 (comment 7) and two keys, record 1 free.
class KymBackup : public ::testing::Test {
 protected:
  void SetUp() override {
    image_.SetRecordSize(22);
    image_.StoreRecord(0, kFlatOne, {0x01, 0x00, 0x80}, "Byt \xE8.1");
    image_.StoreRecord(2, {'0', 'F', '5', 'E', '4', 'D', '3', 'C', '2', 'B', '1', 'A'}, {0x06, 0x01, 0x00},
                       "");
    ASSERT_TRUE(SaveImageFile(PathFromUtf8(kym_), image_.Bytes(), {5, 22, 1, 0}).Ok());
  }

  test::TempFolder folder_;
  const std::string dir_ = Utf8FromPath(folder_.Path()) + "/";
  // Names beyond ASCII go in and come out as typed.
  const std::string kym_ = dir_ + "záloha-č.kym";
  KeyMemoryImage image_;
};

TEST_F(KymBackup, ShowPrintsSettingsAndTheKeyListAndCsvWritesTheExportInTheSystemLanguage) {
  const KymRun show = Kym("show " + kym_);
  EXPECT_EQ(show.status, 0);
  EXPECT_EQ(show.err, "");
  EXPECT_EQ(show.out,
            "Access time: 5 s (0 = permanent access)\nRecord size: 22 bytes (comment 7 characters)\n"
            "Relay inversion: on\nMain relay inversion: off\n\n"
            "ID\tComment\tKey\tFloors\n"
            "0\tByt č.1\tA200000001B81C02\t1,24\n"
            "2\t\tA1B2C3D4E5F0\t2,3,9\n");
  const KymRun csv = Kym("csv " + kym_ + " " + dir_ + "klíče.csv", Language::Czech);
  EXPECT_EQ(csv.status, 0);
  EXPECT_EQ(csv.out, "Data byla exportována do souboru " + dir_ + "klíče.csv\n");
  EXPECT_TRUE(test::BytesEqual(*CsvExportBytes(image_.Bytes(), 22, Language::Czech),
                               ReadWhole(folder_.Path() / u8"klíče.csv")));
}

TEST_F(KymBackup, DamagedOrMissingFileGivesTheProgramsErrorAndStatusOneOrTwoForDiff) {
  WriteWhole(dir_ + "short.kym", std::string{5, 22, '0', '1'});
  WriteWhole(dir_ + "bad.kym", std::string{121, 22, '0', '1'});
  const std::string cut =
      "Error no. 511 - The file " + dir_ + "short.kym is damaged: its byte 5 and all after it are missing.\n";
  const std::string none = "Cannot open the file " + dir_ + "none.kym: No such file or directory\n";
  // diff names every bad file, with status 2.
  for (const auto& [line, language, status, err] :
       std::initializer_list<std::tuple<std::string, Language, int, std::string>>{
           {"show " + dir_ + "short.kym", Language::English, 1, cut},
           {"csv " + dir_ + "bad.kym " + dir_ + "out.csv", Language::Czech, 1,
            "Chyba 510 - Soubor " + dir_ + "bad.kym je poškozen: chybí hlavička nebo je mimo rozsah.\n"},
           {"show " + dir_ + "bad.kym --lang en", Language::Czech, 1,
            "Error no. 510 - The file " + dir_ +
                "bad.kym is damaged: its header is missing or out of range.\n"},
           {"show " + dir_ + "none.kym", Language::English, 1, none},
           {"diff " + dir_ + "none.kym " + dir_ + "short.kym", Language::English, 2, none + cut},
           {"diff " + kym_ + " " + dir_ + "short.kym", Language::English, 2, cut}}) {
    const KymRun run = Kym(line, language);
    EXPECT_EQ(run.status, status) << line;
    EXPECT_EQ(run.out, "") << line;
    EXPECT_EQ(run.err, err) << line;
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ + "out.csv"));
}

// B is the fixture's backup with `change` made to it; `out` is what diff A B prints.
struct DiffCase {
  const char* what;
  void (*change)(KeyMemoryImage&, ImageSettings&);
  int status;
  std::string_view out;
  Language language = Language::English;
};

const DiffCase kDiffCases[] = {
    {"identical", [](KeyMemoryImage&, ImageSettings&) {}, 0, "Same keys and settings.\n"},
    {"added",
     [](KeyMemoryImage& b, ImageSettings&) {
       b.StoreRecord(1, kNewCode, {0x1D, 0, 0}, "Nov\xFD");
     },
     1, "Added key ABCDEF012345: ID 1, floors 1,3-5, comment \"Nový\"\n"},
    {"removed", [](KeyMemoryImage& b, ImageSettings&) { b.ZeroKeyCode(2); }, 1,
     "Removed key A1B2C3D4E5F0: ID 2, comment \"\"\n"},
    {"floors", [](KeyMemoryImage& b, ImageSettings&) { b.StoreRecord(2, b.KeyCodeAt(2), {}, ""); }, 1,
     "Změněn klíč A1B2C3D4E5F0: ID 2, patra 2,3,9 → žádná\n", Language::Czech},
    {"comment", [](KeyMemoryImage& b, ImageSettings&) { b.StoreRecord(0, kFlatOne, b.FloorsAt(0), "Byt 2"); },
     1, "Changed key A200000001B81C02: ID 0, comment \"Byt č.1\" → \"Byt 2\"\n"},
    {"moved, and a key added before it",
     [](KeyMemoryImage& b, ImageSettings&) {
       b.ZeroKeyCode(0);
       b.StoreRecord(3, kFlatOne, b.FloorsAt(0), "Byt \xE8.1");
       b.StoreRecord(1, kNewCode, {}, "");
     },
     1,
     "Added key ABCDEF012345: ID 1, floors none, comment \"\"\n"
     "Changed key A200000001B81C02: ID 0 → 3\n"},
    {"replaced: the removed key first",
     [](KeyMemoryImage& b, ImageSettings&) { b.StoreRecord(2, kNewCode, {}, ""); }, 1,
     "Removed key A1B2C3D4E5F0: ID 2, comment \"\"\n"
     "Added key ABCDEF012345: ID 2, floors none, comment \"\"\n"},
    {"a code stored twice pairs the first",
     [](KeyMemoryImage& b, ImageSettings&) { b.StoreRecord(3, kFlatOne, {}, ""); }, 1,
     "Added key A200000001B81C02: ID 3, floors none, comment \"\"\n"},
    // A unit may keep old bytes after a comment's end; they are no part of it.
    {"old bytes after a comment's end",
     [](KeyMemoryImage& b, ImageSettings&) {
       b.WriteBytes(2 * 22 + kCommentOffset + 1, test::AsBytes("xy"));
     },
     0, "Same keys and settings.\n"},
    {"settings",
     [](KeyMemoryImage&, ImageSettings& s) {
       s.accessTime = 0;
       s.mainRelayInversion = 1;
     },
     1, "Access time: 5 → 0 s (0 = permanent access)\nMain relay inversion: off → on\n"},
    {"record size cutting a comment",
     [](KeyMemoryImage& b, ImageSettings& s) { b.RelayoutKeyMemory(s.recordSize = 20); }, 1,
     "Record size: 22 → 20 bytes (comment 7 → 5 characters)\n"
     "Changed key A200000001B81C02: ID 0, comment \"Byt č.1\" → \"Byt č\"\n"},
};

TEST_F(KymBackup, DiffListsEachDifferenceOnALine) {
  for (const DiffCase& c : kDiffCases) {
    KeyMemoryImage b = image_;
    ImageSettings settings{5, 22, 1, 0};
    c.change(b, settings);
    ASSERT_TRUE(SaveImageFile(dir_ + "b.kym", b.Bytes(), settings).Ok()) << c.what;
    const KymRun run = Kym("diff " + kym_ + " " + dir_ + "b.kym", c.language);
    EXPECT_EQ(run.status, c.status) << c.what;
    EXPECT_EQ(run.out, c.out) << c.what;
    EXPECT_EQ(run.err, "") << c.what;
  }
}

TEST(KymArguments, HelpAndMistakes) {
  const KymRun help = Kym("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("qel-kym diff A.kym B.kym"), std::string::npos);
  EXPECT_NE(Kym("--help", Language::Czech).out.find("qel-kym show SOUBOR.kym"), std::string::npos);
  for (const auto& [wrong, why] : std::initializer_list<std::pair<std::string_view, std::string_view>>{
           {"", "No command given (show, csv or diff)."},
           {"show", "The command show takes 1 file(s), 0 given."},
           {"show a b", "The command show takes 1 file(s), 2 given."},
           {"csv a", "The command csv takes 2 file(s), 1 given."},
           {"diff a", "The command diff takes 2 file(s), 1 given."},
           {"diff a b c", "The command diff takes 2 file(s), 3 given."},
           {"list a", "Unknown command list (show, csv or diff)."},
           {"show a --lang", "--lang needs a language (cs or en)."},
           {"show a --lang de", "Unknown language de (cs or en)."},
           {"--help --verbose", "Unknown option --verbose."},
           {"list --lang cs", "Neznámý příkaz list (show, csv nebo diff)."},
       }) {
    const KymRun run = Kym(wrong);
    EXPECT_EQ(run.status, 2) << wrong;
    EXPECT_EQ(run.err, std::string(why) + "\n" +
                           (wrong.ends_with("cs") ? "Neplatné argumenty. Nápovědu vypíše: qel-kym --help\n"
                                                  : "Invalid arguments. For help run: qel-kym --help\n"));
  }
}

TEST(SystemLanguage, CzechForCzechAndSlovakLocales) {
  EXPECT_EQ(SystemLanguage({nullptr, nullptr, "cs_CZ.UTF-8"}), Language::Czech);
  EXPECT_EQ(SystemLanguage({nullptr, "sk_SK.UTF-8", "en_US.UTF-8"}), Language::Czech);
  EXPECT_EQ(SystemLanguage({"C", nullptr, "cs_CZ.UTF-8"}), Language::English);
  EXPECT_EQ(SystemLanguage({"", "", "cs"}), Language::Czech);
  EXPECT_EQ(SystemLanguage({nullptr, nullptr, nullptr}), Language::English);
}

}  // namespace
}  // namespace qel
