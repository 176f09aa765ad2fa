#include <windows.h>

#include <algorithm>
#include <limits>
#include <string>

#include "files/ReplaceFile.h"
#include "texts/WindowsText.h"

namespace qel {
namespace {

FileResult SystemFailure(FileError error, const std::filesystem::path& path, DWORD code) {
  return FileResult{error, path, 0, WindowsErrorText(code)};
}

// A name beside the target that no other file has: the target's name with the process id and
// an attempt counter; CREATE_NEW makes the choice safe against a concurrent writer.
HANDLE CreateTemporary(const std::filesystem::path& path, std::wstring& tempName) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempName =
        path.native() + L".tmp" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(attempt);
    const HANDLE file =
        CreateFileW(tempName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return INVALID_HANDLE_VALUE;
}

bool WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const DWORD chunk =
        static_cast<DWORD>(std::min<std::size_t>(bytes.size(), std::numeric_limits<DWORD>::max()));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr)) return false;
    bytes = bytes.subspan(written);
  }
  return true;
}

}  // namespace

FileResult ReplaceFileContent(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  std::wstring tempName;
  const HANDLE file = CreateTemporary(path, tempName);
  if (file == INVALID_HANDLE_VALUE) return SystemFailure(FileError::CannotCreate, path, GetLastError());

  const bool written = WriteAll(file, bytes) && FlushFileBuffers(file);
  const DWORD writeError = GetLastError();
  const bool closed = CloseHandle(file);
  const DWORD closeError = GetLastError();
  if (!written || !closed) {
    DeleteFileW(tempName.c_str());
    return SystemFailure(FileError::CannotWrite, path, written ? closeError : writeError);
  }
  // Without MOVEFILE_WRITE_THROUGH the rename may still sit in the cache when the call returns.
  if (!MoveFileExW(tempName.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD moveError = GetLastError();
    DeleteFileW(tempName.c_str());
    return SystemFailure(FileError::CannotReplace, path, moveError);
  }
  return FileResult{FileError::None, path, 0, {}};
}

}  // namespace qel
