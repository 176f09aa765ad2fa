#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

#include "files/ImageFile.h"
#include "tests/files/ImageSamples.h"
#include "tests/files/TempFolder.h"
#include "tests/support/ByteMatch.h"

// The failures only a POSIX system stages from a test: a file size limit, another user, and the
// C library's texts for the reasons.

namespace qel {
namespace {

using test::BytesEqual;
using test::EveryByteValue;
using test::Header;
using test::ReadWhole;
using test::TempFolder;
using test::WriteWhole;

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
