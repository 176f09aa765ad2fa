#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
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

std::string Header(int accessTime, int recordSize, char relay = '0', char mainRelay = '0') {
  return {static_cast<char>(accessTime), static_cast<char>(recordSize), relay, mainRelay};
}

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

TEST(ImageFileLoad, FolderGivesTheSystemsReasonAndLeavesTheWorkingCopy) {
  TempFolder folder;
  ImageBytes image = EveryByteValue();
  ImageSettings settings{1, 20, 0, 0};
  const FileResult directory = LoadImageFile(folder.Path(), image, settings);
  EXPECT_EQ(directory.error, FileError::CannotRead);
  EXPECT_EQ(directory.Message(Language::Czech),
            "Soubor " + folder.Path().string() + " nelze přečíst: Is a directory");
  EXPECT_TRUE(BytesEqual(EveryByteValue(), image));
  EXPECT_EQ(settings.recordSize, 20);
}

// No failed save may touch the earlier file or a folder in the target's place, nor leave a
// temporary file beside them.
TEST(ImageFileSave, FailuresLeaveTheEarlierFileAsItWas) {
  TempFolder folder;
  const std::string target = (folder / "keys.kym").string();
  const std::string earlier = Header(9, 30) + std::string(kImageSize, '\x11');
  WriteWhole(target, earlier);
  std::filesystem::create_directory(folder / "dir.kym");
  const auto expectUntouched = [&] {
    EXPECT_TRUE(BytesEqual(earlier, ReadWhole(target)));
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"dir.kym", "keys.kym"}));
  };
  const ImageBytes image = EveryByteValue();
  const FileResult directory = SaveImageFile(folder / "dir.kym", image, {1, 100, 0, 0});
  EXPECT_EQ(directory.error, FileError::CannotReplace);
  EXPECT_EQ(directory.reason, "Is a directory");
  expectUntouched();
  for (const ImageSettings settings : {ImageSettings{121, 100, 0, 0}, ImageSettings{-1, 100, 0, 0},
                                       ImageSettings{0, 14, 0, 0}, ImageSettings{0, 251, 0, 0}}) {
    EXPECT_EQ(SaveImageFile(target, image, settings).error, FileError::SettingsOutOfRange);
  }
  expectUntouched();

  // A file size limit below the image makes the write itself fail, as a full disk would.
  rlimit previous{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = previous;
  limited.rlim_cur = 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const FileResult tooLarge = SaveImageFile(target, image, {1, 100, 0, 0});
  setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, previousHandler);
  EXPECT_EQ(tooLarge.error, FileError::CannotWrite);
  EXPECT_EQ(tooLarge.Message(Language::Czech), "Do souboru " + target + " nelze zapsat: File too large");
  expectUntouched();

  // Permissions do not bind root, so the save into the read-only folder runs as nobody.
  std::filesystem::permissions(folder.Path(), static_cast<std::filesystem::perms>(0555));
  const bool root = geteuid() == 0;
  ASSERT_TRUE(!root || seteuid(65534) == 0);
  const FileResult readOnly = SaveImageFile(target, image, {1, 100, 0, 0});
  ASSERT_TRUE(!root || seteuid(0) == 0);
  EXPECT_EQ(readOnly.error, FileError::CannotCreate);
  EXPECT_EQ(readOnly.Message(Language::English), "Cannot create the file " + target + ": Permission denied");
  expectUntouched();
}

}  // namespace
}  // namespace qel
