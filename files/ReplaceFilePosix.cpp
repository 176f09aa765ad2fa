#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "files/ReplaceFile.h"

namespace qel {
namespace {

FileResult SystemFailure(FileError error, const std::filesystem::path& path, int errorNumber) {
  return FileResult{error, path, 0, std::strerror(errorNumber)};
}

// A name beside the target that no other file has: the target's name with the process id and
// an attempt counter; O_EXCL makes the choice safe against a concurrent writer.
int CreateTemporary(const std::filesystem::path& path, std::string& tempName) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempName = path.string() + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(attempt);
    const int fd = open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

FileResult ReplaceFileContent(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  std::string tempName;
  const int fd = CreateTemporary(path, tempName);
  if (fd < 0) return SystemFailure(FileError::CannotCreate, path, errno);

  const bool written = WriteAll(fd, bytes) && fsync(fd) == 0;
  const int writeErrno = errno;
  // A failing close can be the first report of a delayed write error.
  const bool closed = close(fd) == 0;
  const int closeErrno = errno;
  if (!written || !closed) {
    unlink(tempName.c_str());
    return SystemFailure(FileError::CannotWrite, path, written ? closeErrno : writeErrno);
  }
  if (std::rename(tempName.c_str(), path.c_str()) != 0) {
    const int renameErrno = errno;
    unlink(tempName.c_str());
    return SystemFailure(FileError::CannotReplace, path, renameErrno);
  }
  return FileResult{FileError::None, path, 0, {}};
}

}  // namespace qel
