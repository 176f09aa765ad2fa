#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "keystore/KeyCode.h"
#include "keystore/KeyMemoryImage.h"
#include "texts/Language.h"

namespace qel {

// Why a line of a CSV file is not a line of the export.
enum class CsvImportProblem {
  MissingHeader,      // the first line is neither language's export header
  WrongColumnCount,   // fewer than ID, comment, key and 24 floors, or more that are not empty
  BadId,              // the ID is not a whole number
  BadQuotes,          // a quoted field is not closed, or text follows its closing quote
  UnstorableComment,  // a character without a Windows-1250 byte, or one whose byte is 0x00-0x1F
                      // or 0xFF, which the unit takes for an end or a command
  BadKeyCode,         // neither code form, or its check fails
  BadFloorMark,       // a floor column holds neither "o" nor "x"
};

struct CsvImportError {
  int line;  // 1-based line number in the file
  CsvImportProblem problem;
  char32_t character = 0;  // UnstorableComment: the first character the unit cannot keep

  bool operator==(const CsvImportError&) const = default;
};

struct ImportedKey {
  int line;  // 1-based line number in the file
  KeyCode code;
  Floors floors;
  std::string comment;  // Windows-1250 bytes, as the unit stores them

  bool operator==(const ImportedKey&) const = default;
};

struct CsvImport {
  // Empty when any line does not parse, so that nothing of a damaged file is taken over.
  std::vector<ImportedKey> keys;
  std::vector<CsvImportError> errors;  // every line that does not parse, in file order

  bool Ok() const { return errors.empty(); }
};

// Reads the bytes of a CSV file in the export's columns: either language's header, CR LF or LF,
// blank lines at the end, and as many empty fields after floor 1 as a spreadsheet leaves. A file
// that begins with the UTF-8 byte-order mark, or is well-formed UTF-8 throughout, is read as
// UTF-8; any other as Windows-1250, as the export writes it. The ID is checked but not kept; a
// free record's line (a deleted key's "0000000000000000") gives no key. Comment lengths are the
// caller's to judge against the unit's record size.
CsvImport ParseCsvImport(std::string_view bytes);

// The problem naming its line.
std::string CsvImportMessage(const CsvImportError& error, Language language);

}  // namespace qel
