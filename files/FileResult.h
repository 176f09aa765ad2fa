#pragma once

#include <filesystem>
#include <string>

#include "texts/Language.h"

namespace qel {

// How a file operation ended. The two damage codes are the error numbers the program reports
// through its error log; the others carry the system's reason.
enum class FileError {
  None,
  Damaged,    // error 510: header missing or out of range
  DamagedAt,  // error 511: the file ends inside the image
  CannotCreate,
  CannotOpen,
  CannotRead,
  CannotWrite,
  CannotReplace,       // the finished temporary file could not be renamed over the target
  SettingsOutOfRange,  // nothing was written: the file could not be read back
};

struct FileResult {
  FileError error = FileError::None;
  std::filesystem::path path;
  int position = 0;    // DamagedAt: 1-based position of the first missing byte
  std::string reason;  // system errors: the system's text for errno

  bool Ok() const { return error == FileError::None; }
  // 510 or 511 for a damaged file, 0 otherwise.
  int ErrorCode() const;
  // The text that goes with the error: the Czech damage text in both languages for 510/511,
  // otherwise a message naming the file and the reason.
  std::string Message(Language language) const;
};

}  // namespace qel
