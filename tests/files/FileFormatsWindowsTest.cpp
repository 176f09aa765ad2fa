#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "files/AutomaticBackup.h"
#include "files/ImageFile.h"
#include "tests/files/ImageSamples.h"
#include "tests/files/TempFolder.h"
#include "tests/support/ByteMatch.h"
#include "texts/WindowsText.h"

// What Windows refuses a save, and the system's own words for it.

namespace qel {
namespace {

using test::BytesEqual;
using test::EveryByteValue;
using test::Header;
using test::ReadWhole;
using test::TempFolder;
using test::WriteWhole;

TEST(ImageFileSave, RefusalsLeaveTheEarlierFileAsItWasAndGiveTheSystemsReason) {
  struct RefusalCase {
    const char* name;
    std::string target;  // in the folder
    bool heldOpen;       // by another program, without sharing
    FileError error;
    DWORD code;
  };
  const std::vector<RefusalCase> cases{
      {"a folder in the target's place", "složka.kym", false, FileError::CannotReplace, ERROR_ACCESS_DENIED},
      {"the target open in another program", "klíče.kym", true, FileError::CannotReplace,
       ERROR_ACCESS_DENIED},
      {"a missing folder", "chybí\\klíče.kym", false, FileError::CannotCreate, ERROR_PATH_NOT_FOUND},
  };
  const std::string earlier = Header(9, 30) + std::string(kImageSize, '\x11');
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    WriteWhole(folder / "klíče.kym", earlier);
    std::filesystem::create_directory(folder / "složka.kym");
    const std::vector<std::string> names = folder.Names();
    const std::filesystem::path target = folder / c.target;
    const HANDLE held = c.heldOpen
                            ? CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                            : INVALID_HANDLE_VALUE;
    const FileResult result = SaveImageFile(target, EveryByteValue(), {1, 100, 0, 0});
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    EXPECT_EQ(c.heldOpen, held != INVALID_HANDLE_VALUE);
    EXPECT_EQ(result.error, c.error);
    EXPECT_EQ(result.reason, WindowsErrorText(c.code));
    EXPECT_TRUE(BytesEqual(earlier, ReadWhole(folder / "klíče.kym")));
    EXPECT_EQ(folder.Names(), names);
  }
}

TEST(AutomaticBackup, FolderIsInTheUsersLocalApplicationData) {
  const wchar_t* localAppData = _wgetenv(L"LOCALAPPDATA");
  ASSERT_NE(localAppData, nullptr);
  EXPECT_EQ(DefaultBackupFolder(), std::filesystem::path(localAppData) / "qel-key" / "backups");
}

}  // namespace
}  // namespace qel
