#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
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

// Closes the handle a test holds on the target for the length of one save.
struct HeldFile {
  HANDLE handle;
  ~HeldFile() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};

HeldFile HoldWithoutSharing(const std::filesystem::path& path) {
  return {CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)};
}

// Windows answers a rename over a file in use with either code, depending on its version.
TEST(ImageFileSave, RefusalsLeaveTheEarlierFileAsItWasAndGiveTheSystemsReason) {
  struct RefusalCase {
    const char* name;
    std::string target;  // in the folder
    bool held;
    FileError error;
    std::vector<DWORD> codes;
  };
  const std::vector<RefusalCase> cases{
      {"a folder in the target's place",
       "složka.kym",
       false,
       FileError::CannotReplace,
       {ERROR_ACCESS_DENIED}},
      {"the target open in another program",
       "klíče.kym",
       true,
       FileError::CannotReplace,
       {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION}},
      {"a missing folder", "chybí\\klíče.kym", false, FileError::CannotCreate, {ERROR_PATH_NOT_FOUND}},
  };
  const std::string earlier = Header(9, 30) + std::string(kImageSize, '\x11');
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    WriteWhole(folder / "klíče.kym", earlier);
    std::filesystem::create_directory(folder / "složka.kym");
    const std::vector<std::string> names = folder.Names();
    const std::filesystem::path target = folder / c.target;
    FileResult result;
    {
      const HeldFile held = c.held ? HoldWithoutSharing(target) : HeldFile{INVALID_HANDLE_VALUE};
      ASSERT_EQ(c.held, held.handle != INVALID_HANDLE_VALUE);
      result = SaveImageFile(target, EveryByteValue(), {1, 100, 0, 0});
    }
    EXPECT_EQ(result.error, c.error);
    std::vector<std::string> reasons;
    for (const DWORD code : c.codes) reasons.push_back(WindowsErrorText(code));
    EXPECT_NE(std::find(reasons.begin(), reasons.end(), result.reason), reasons.end()) << result.reason;
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
