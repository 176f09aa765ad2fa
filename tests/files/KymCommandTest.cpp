#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/KymCommand.h"
#include "files/CsvExport.h"
#include "files/ImageFile.h"
#include "tests/files/TempFolder.h"
#include "tests/support/ByteMatch.h"

namespace qel {
namespace {

using test::BytesEqual;
using test::TempFolder;

struct KymRun {
  int status;
  std::string out;
  std::string err;
};

KymRun Kym(std::vector<std::string> arguments, Language systemLanguage = Language::English) {
  const std::vector<std::string_view> views(arguments.begin(), arguments.end());
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunKym(views, systemLanguage, out, err);
  return {status, out.str(), err.str()};
}

KeyMemoryImage SmallImage() {
  KeyMemoryImage image;
  image.SetRecordSize(22);
  image.StoreRecord(0, {0x02, 0x1C, 0xB8, 0x01, 0x00, 0x00, 0x00, 0xA2, 0, 0, 0, 0}, {0x01, 0x00, 0x80},
                    "Byt \xE8.1");
  image.StoreRecord(2, {'0', 'F', '5', 'E', '4', 'D', '3', 'C', '2', 'B', '1', 'A'}, {0x06, 0x01, 0x00}, "");
  return image;
}

std::string SaveSmallImage(const TempFolder& folder) {
  const KeyMemoryImage image = SmallImage();
  const auto path = folder / "backup.kym";
  EXPECT_TRUE(SaveImageFile(path, image.Bytes(), {5, 22, 1, 0}).Ok());
  return path.string();
}

TEST(KymShow, PrintsSettingsAndTheKeyList) {
  TempFolder folder;
  const KymRun run = Kym({"show", SaveSmallImage(folder)});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            "Access time: 5 s (0 = permanent access)\nRecord size: 22 bytes (comment 7 characters)\n"
            "Relay inversion: on\nMain relay inversion: off\n\n"
            "ID\tComment\tKey\tFloors\n"
            "0\tByt č.1\tA200000001B81C02\t1,24\n"
            "2\t\tA1B2C3D4E5F0\t2,3,9\n");
}

TEST(KymShow, SpeaksCzechWhenAsked) {
  TempFolder folder;
  const KymRun run = Kym({"--lang", "cs", "show", SaveSmallImage(folder)});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("Inverze relé: zapnuta\nInverze hlavního relé: vypnuta\n"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("ID\tKomentář\tKlíč\tPatra\n"), std::string::npos) << run.out;
}

TEST(KymCsv, WritesTheExportOfTheImage) {
  TempFolder folder;
  const std::string kym = SaveSmallImage(folder);
  const KymRun run = Kym({"csv", kym, (folder / "out.csv").string()}, Language::Czech);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "Data byla exportována do souboru\n");
  const KeyMemoryImage image = SmallImage();
  EXPECT_TRUE(
      BytesEqual(*CsvExportBytes(image.Bytes(), 22, Language::Czech), test::ReadWhole(folder / "out.csv")));

  ASSERT_EQ(Kym({"csv", kym, (folder / "en.csv").string(), "--lang", "en"}, Language::Czech).status, 0);
  EXPECT_TRUE(test::ReadWhole(folder / "en.csv").starts_with("ID;Comment;Key;Floor 24;"));
}

TEST(KymDamagedFile, GivesTheProgramsErrorNumberAndText) {
  TempFolder folder;
  test::WriteWhole(folder / "short.kym", std::string("\x05\x16"
                                                     "01",
                                                     4));
  test::WriteWhole(folder / "bad.kym", std::string("\x79\x16"
                                                   "01",
                                                   4));
  const std::string shortFile = (folder / "short.kym").string();
  const std::string badFile = (folder / "bad.kym").string();

  KymRun run = Kym({"show", shortFile});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "Error no. 511 - Soubor je poškozen na pozici 5\n");

  run = Kym({"csv", badFile, (folder / "out.csv").string()}, Language::Czech);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "Chyba 510 - Soubor je poškozen\n");
  EXPECT_FALSE(std::filesystem::exists(folder / "out.csv"));

  run = Kym({"show", (folder / "none.kym").string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "Cannot open the file " + (folder / "none.kym").string() + ": No such file or directory\n");
}

TEST(KymArguments, HelpAndMistakes) {
  const KymRun help = Kym({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("qel-kym show FILE.kym"), std::string::npos);
  EXPECT_NE(help.out.find("qel-kym csv FILE.kym OUT.csv"), std::string::npos);
  EXPECT_NE(Kym({"--help"}, Language::Czech).out.find("qel-kym show SOUBOR.kym"), std::string::npos);

  for (const std::vector<std::string>& wrong : {std::vector<std::string>{},
                                                {"show"},
                                                {"show", "a", "b"},
                                                {"csv", "a"},
                                                {"list", "a"},
                                                {"show", "a", "--lang"},
                                                {"show", "a", "--lang", "de"},
                                                {"show", "a", "--verbose"}}) {
    const KymRun run = Kym(wrong);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "Invalid arguments. For help run: qel-kym --help\n");
  }
}

TEST(SystemLanguage, CzechForCzechAndSlovakLocales) {
  EXPECT_EQ(SystemLanguage({nullptr, nullptr, "cs_CZ.UTF-8"}), Language::Czech);
  EXPECT_EQ(SystemLanguage({nullptr, "sk_SK.UTF-8", "en_US.UTF-8"}), Language::Czech);
  EXPECT_EQ(SystemLanguage({"C", nullptr, "cs_CZ.UTF-8"}), Language::English);
  EXPECT_EQ(SystemLanguage({"", "", "cs"}), Language::Czech);
  EXPECT_EQ(SystemLanguage({nullptr, nullptr, "de_DE.UTF-8"}), Language::English);
  EXPECT_EQ(SystemLanguage({nullptr, nullptr, nullptr}), Language::English);
}

}  // namespace
}  // namespace qel
