#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <string>

#include "files/ImageFile.h"
#include "tests/files/TempFolder.h"
#include "tests/support/ByteMatch.h"

namespace qel {
namespace {

using test::BytesEqual;
using test::ReadWhole;
using test::TempFolder;
using test::WriteWhole;

ImageBytes EveryByteValue() {
  ImageBytes image;
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  image[0] = 0x00;
  image[1] = 0x1A;  // end of file in text mode
  image[65535] = 0x1A;
  return image;
}

std::string Header(std::uint8_t accessTime, std::uint8_t recordSize, char relay = '0', char mainRelay = '0') {
  return {static_cast<char>(accessTime), static_cast<char>(recordSize), relay, mainRelay};
}

std::string ImageText(const ImageBytes& image) {
  return {reinterpret_cast<const char*>(image.data()), image.size()};
}

TEST(ImageFileRoundTrip, GivesBackTheSameBytesAndSettings) {
  TempFolder folder;
  const ImageBytes image = EveryByteValue();
  for (const ImageSettings saved :
       {ImageSettings{120, 15, 1, 0}, ImageSettings{0, 250, 0, 1}, ImageSettings{7, 100, 1, 1}}) {
    ASSERT_TRUE(SaveImageFile(folder / "keys.kym", image, saved).Ok());
    const std::string file = ReadWhole(folder / "keys.kym");
    EXPECT_TRUE(BytesEqual(
        Header(static_cast<std::uint8_t>(saved.accessTime), static_cast<std::uint8_t>(saved.recordSize),
               saved.relayInversion ? '1' : '0', saved.mainRelayInversion ? '1' : '0') +
            ImageText(image),
        file));

    ImageBytes loaded{};
    ImageSettings settings{-1, -1, -1, -1};
    const FileResult result = LoadImageFile(folder / "keys.kym", loaded, settings);
    ASSERT_TRUE(result.Ok()) << result.Message(Language::English);
    EXPECT_TRUE(BytesEqual(image, loaded));
    EXPECT_EQ(settings.accessTime, saved.accessTime);
    EXPECT_EQ(settings.recordSize, saved.recordSize);
    EXPECT_EQ(settings.relayInversion, saved.relayInversion);
    EXPECT_EQ(settings.mainRelayInversion, saved.mainRelayInversion);
  }
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"keys.kym"});
}

TEST(ImageFileLoad, InversionOtherThanOneCountsAsOff) {
  TempFolder folder;
  WriteWhole(folder / "x.kym", Header(5, 100, '1', 'x') + std::string(kImageSize, '\0'));
  ImageBytes image{};
  ImageSettings settings{};
  ASSERT_TRUE(LoadImageFile(folder / "x.kym", image, settings).Ok());
  EXPECT_EQ(settings.relayInversion, 1);
  EXPECT_EQ(settings.mainRelayInversion, 0);
}

TEST(ImageFileLoad, IgnoresBytesAfterTheImage) {
  TempFolder folder;
  const ImageBytes image = EveryByteValue();
  WriteWhole(folder / "long.kym", Header(1, 16) + ImageText(image) + "trailing bytes");
  ImageBytes loaded{};
  ImageSettings settings{};
  ASSERT_TRUE(LoadImageFile(folder / "long.kym", loaded, settings).Ok());
  EXPECT_TRUE(BytesEqual(image, loaded));
  EXPECT_EQ(settings.recordSize, 16);
}

struct DamageCase {
  const char* name;
  std::string content;
  FileError error;
  int position;
};

TEST(ImageFileLoad, DamagedFilesLeaveTheWorkingCopyUntouched) {
  const std::string image(kImageSize, '\x5A');
  const std::vector<DamageCase> cases{
      {"access time 121", Header(121, 100) + image, FileError::Damaged, 0},
      {"record size 14", Header(0, 14) + image, FileError::Damaged, 0},
      {"record size 251", Header(0, 251) + image, FileError::Damaged, 0},
      {"empty", "", FileError::Damaged, 0},
      {"three bytes", Header(0, 100).substr(0, 3), FileError::Damaged, 0},
      {"header only", Header(0, 100), FileError::DamagedAt, 5},
      {"1000 bytes", Header(120, 15) + image.substr(0, 996), FileError::DamagedAt, 1001},
      {"one byte short", Header(0, 250) + image.substr(1), FileError::DamagedAt, 65540},
  };
  TempFolder folder;
  const ImageBytes working = EveryByteValue();
  for (const DamageCase& c : cases) {
    SCOPED_TRACE(c.name);
    WriteWhole(folder / "damaged.kym", c.content);
    ImageBytes image = working;
    ImageSettings settings{3, 100, 1, 1};
    const FileResult result = LoadImageFile(folder / "damaged.kym", image, settings);
    EXPECT_EQ(result.error, c.error);
    EXPECT_EQ(result.ErrorCode(), c.error == FileError::Damaged ? 510 : 511);
    EXPECT_EQ(result.position, c.position);
    EXPECT_TRUE(BytesEqual(working, image));
    EXPECT_EQ(settings.accessTime, 3);
    EXPECT_EQ(settings.recordSize, 100);
    EXPECT_EQ(settings.relayInversion, 1);
    EXPECT_EQ(settings.mainRelayInversion, 1);
  }
}

TEST(ImageFileLoad, HeaderBoundsAreAccepted) {
  TempFolder folder;
  for (const auto& header : {Header(120, 15), Header(0, 250)}) {
    WriteWhole(folder / "edge.kym", header + std::string(kImageSize, '\0'));
    ImageBytes image{};
    ImageSettings settings{};
    EXPECT_TRUE(LoadImageFile(folder / "edge.kym", image, settings).Ok());
  }
}

TEST(ImageFileLoad, DamageMessagesAreTheProgramsCzechTexts) {
  FileResult damaged{FileError::Damaged, "x.kym", 0, {}};
  FileResult short_{FileError::DamagedAt, "x.kym", 5, {}};
  for (Language language : {Language::Czech, Language::English}) {
    EXPECT_EQ(damaged.Message(language), "Soubor je poškozen");
    EXPECT_EQ(short_.Message(language), "Soubor je poškozen na pozici 5");
  }
}

TEST(ImageFileLoad, MissingFileOrFolderNamesTheFileAndTheReason) {
  TempFolder folder;
  ImageBytes image = EveryByteValue();
  ImageSettings settings{1, 20, 0, 0};
  const FileResult missing = LoadImageFile(folder / "missing.kym", image, settings);
  EXPECT_EQ(missing.error, FileError::CannotOpen);
  EXPECT_EQ(missing.Message(Language::English),
            "Cannot open the file " + (folder / "missing.kym").string() + ": No such file or directory");
  EXPECT_EQ(missing.Message(Language::Czech),
            "Soubor " + (folder / "missing.kym").string() + " nelze otevřít: No such file or directory");

  const FileResult directory = LoadImageFile(folder.Path(), image, settings);
  EXPECT_EQ(directory.error, FileError::CannotRead);
  EXPECT_EQ(directory.reason, "Is a directory");
  EXPECT_TRUE(BytesEqual(EveryByteValue(), image));
  EXPECT_EQ(settings.recordSize, 20);
}

TEST(ImageFileSave, ReplacesAnEarlierFileWhole) {
  TempFolder folder;
  WriteWhole(folder / "keys.kym", std::string(100000, 'o'));
  ImageBytes image{};
  image[5] = 0x1A;
  ASSERT_TRUE(SaveImageFile(folder / "keys.kym", image, {0, 15, 0, 0}).Ok());
  EXPECT_TRUE(BytesEqual(Header(0, 15) + ImageText(image), ReadWhole(folder / "keys.kym")));
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"keys.kym"});
}

TEST(ImageFileSave, ReadOnlyFolderLeavesTheEarlierFileAsItWas) {
  TempFolder folder;
  const std::string earlier = Header(9, 30) + std::string(kImageSize, '\x11');
  WriteWhole(folder / "keys.kym", earlier);
  std::filesystem::permissions(folder.Path(),
                               std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                   std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
  FileResult result;
  {
    test::WithoutRoot nobody;
    result = SaveImageFile(folder / "keys.kym", EveryByteValue(), {1, 100, 0, 0});
  }
  EXPECT_EQ(result.error, FileError::CannotCreate);
  EXPECT_EQ(result.Message(Language::English),
            "Cannot create the file " + (folder / "keys.kym").string() + ": Permission denied");
  EXPECT_TRUE(BytesEqual(earlier, ReadWhole(folder / "keys.kym")));
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"keys.kym"});
}

TEST(ImageFileSave, TargetThatIsAFolderIsLeftAsItWas) {
  TempFolder folder;
  std::filesystem::create_directory(folder / "keys.kym");
  WriteWhole(folder / "keys.kym" / "inside", "kept");
  const FileResult result = SaveImageFile(folder / "keys.kym", EveryByteValue(), {1, 100, 0, 0});
  EXPECT_EQ(result.error, FileError::CannotReplace);
  EXPECT_EQ(result.reason, "Is a directory");
  EXPECT_EQ(ReadWhole(folder / "keys.kym" / "inside"), "kept");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"keys.kym"});
}

TEST(ImageFileSave, WriteThatFailsPartWayLeavesTheEarlierFileAsItWas) {
  TempFolder folder;
  const std::string earlier = Header(9, 30) + std::string(kImageSize, '\x11');
  WriteWhole(folder / "keys.kym", earlier);
  // A file size limit below the image makes the write itself fail, as a full disk would.
  rlimit previous{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = previous;
  limited.rlim_cur = 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const FileResult result = SaveImageFile(folder / "keys.kym", EveryByteValue(), {1, 100, 0, 0});
  setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, previousHandler);

  EXPECT_EQ(result.error, FileError::CannotWrite);
  EXPECT_EQ(result.Message(Language::Czech),
            "Do souboru " + (folder / "keys.kym").string() + " nelze zapsat: File too large");
  EXPECT_TRUE(BytesEqual(earlier, ReadWhole(folder / "keys.kym")));
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"keys.kym"});
}

TEST(ImageFileSave, SettingsThatCouldNotBeReadBackAreRefused) {
  TempFolder folder;
  const std::string earlier = Header(9, 30) + std::string(kImageSize, '\x11');
  WriteWhole(folder / "keys.kym", earlier);
  for (const ImageSettings settings : {ImageSettings{121, 100, 0, 0}, ImageSettings{-1, 100, 0, 0},
                                       ImageSettings{0, 14, 0, 0}, ImageSettings{0, 251, 0, 0}}) {
    const FileResult result = SaveImageFile(folder / "keys.kym", EveryByteValue(), settings);
    EXPECT_EQ(result.error, FileError::SettingsOutOfRange);
    EXPECT_NE(result.Message(Language::Czech).find("mimo rozsah"), std::string::npos);
  }
  EXPECT_TRUE(BytesEqual(earlier, ReadWhole(folder / "keys.kym")));
}

}  // namespace
}  // namespace qel
