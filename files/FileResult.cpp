#include "files/FileResult.h"

#include "texts/Texts.h"
#include "texts/Utf8Path.h"

namespace qel {

int FileResult::ErrorCode() const {
  switch (error) {
    case FileError::Damaged:
      return 510;
    case FileError::DamagedAt:
      return 511;
    default:
      return 0;
  }
}

std::string FileResult::Message(Language language) const {
  const std::string name = Utf8FromPath(path);
  switch (error) {
    case FileError::None:
      return {};
    case FileError::Damaged:
      return std::string(Tr(Text::FileDamaged, language));
    case FileError::DamagedAt:
      return TrFormat(Text::FileDamagedAt, language, position);
    case FileError::CannotCreate:
      return TrFormat(Text::FileCannotCreate, language, {name, reason});
    case FileError::CannotOpen:
      return TrFormat(Text::FileCannotOpen, language, {name, reason});
    case FileError::CannotRead:
      return TrFormat(Text::FileCannotRead, language, {name, reason});
    case FileError::CannotWrite:
      return TrFormat(Text::FileCannotWrite, language, {name, reason});
    case FileError::CannotReplace:
      return TrFormat(Text::FileCannotReplace, language, {name, reason});
    case FileError::SettingsOutOfRange:
      return TrFormat(Text::FileSettingsOutOfRange, language, {name});
  }
  return {};
}

}  // namespace qel
