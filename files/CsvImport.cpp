#include "files/CsvImport.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

#include "files/CsvExport.h"
#include "texts/Cp1250.h"
#include "texts/Texts.h"

namespace qel {
namespace {

// ID, comment, key, floors 24 down to 1. The export ends a line with empty fields, which a
// spreadsheet may drop or add to.
constexpr std::size_t kColumns = 27;
constexpr std::size_t kFloor24Column = 3;

std::string_view WithoutTrailingSeparators(std::string_view line) {
  return line.substr(0, line.find_last_not_of(';') + 1);
}

// The fields of one line split at ";". A field that opens with a quote runs to the lone quote
// that closes it, "" standing for one quote inside; no result when that quote is missing or
// anything but ";" or the line's end follows it.
std::optional<std::vector<std::string>> SplitFields(std::string_view line) {
  std::vector<std::string> fields;
  std::size_t i = 0;
  while (true) {
    std::string& field = fields.emplace_back();
    if (i < line.size() && line[i] == '"') {
      for (++i;; ++i) {
        if (i >= line.size()) return std::nullopt;
        if (line[i] == '"' && (i + 1 >= line.size() || line[i + 1] != '"')) break;
        if (line[i] == '"') ++i;
        field += line[i];
      }
      ++i;
      if (i < line.size() && line[i] != ';') return std::nullopt;
    } else {
      const std::size_t end = std::min(line.find(';', i), line.size());
      field = line.substr(i, end - i);
      i = end;
    }
    if (i >= line.size()) return fields;
    ++i;
  }
}

bool IsWholeNumber(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsStorableComment(std::string_view comment) {
  return std::none_of(comment.begin(), comment.end(), [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < 0x20 || b == 0xFF;
  });
}

// The export writes deleted keys too; like the key list, the import passes over free records.
bool IsFreeCode(const KeyCode& code) {
  return std::all_of(code.begin(), code.end(), [](std::uint8_t b) { return b == 0x00 || b == 0xFF; });
}

CsvImportProblem ParseKeyLine(std::string_view line, std::optional<ImportedKey>& key) {
  const auto fields = SplitFields(line);
  if (!fields) return CsvImportProblem::BadQuotes;
  if (fields->size() < kColumns ||
      std::any_of(fields->begin() + kColumns, fields->end(), [](const std::string& f) { return !f.empty(); }))
    return CsvImportProblem::WrongColumnCount;
  if (!IsWholeNumber((*fields)[0])) return CsvImportProblem::BadId;
  if (!IsStorableComment((*fields)[1])) return CsvImportProblem::UnstorableComment;
  const auto code = KeyCodeFromText((*fields)[2]);
  if (!code) return CsvImportProblem::BadKeyCode;
  Floors floors{};
  for (int floor = 24; floor >= 1; --floor) {
    const std::string& mark = (*fields)[kFloor24Column + static_cast<std::size_t>(24 - floor)];
    if (mark != "o" && mark != "x") return CsvImportProblem::BadFloorMark;
    SetFloor(floors, floor, mark == "o");
  }
  if (!IsFreeCode(*code)) key = ImportedKey{0, *code, floors, (*fields)[1]};
  return CsvImportProblem::None;
}

}  // namespace

CsvImport ParseCsvImport(std::string_view bytes) {
  // Editors leave the last line end out or add blank lines after it.
  bytes = bytes.substr(0, bytes.find_last_not_of("\r\n") + 1);
  CsvImport result;
  int number = 0;
  while (!bytes.empty() || number == 0) {
    ++number;
    const std::size_t end = std::min(bytes.find('\n'), bytes.size());
    std::string_view line = bytes.substr(0, end);
    bytes.remove_prefix(std::min(end + 1, bytes.size()));
    if (line.ends_with('\r')) line.remove_suffix(1);

    CsvImportProblem problem = CsvImportProblem::None;
    std::optional<ImportedKey> key;
    if (number == 1) {
      const std::string header = Cp1250ToUtf8(WithoutTrailingSeparators(line));
      if (header != WithoutTrailingSeparators(CsvExportHeader(Language::Czech)) &&
          header != WithoutTrailingSeparators(CsvExportHeader(Language::English)))
        problem = CsvImportProblem::MissingHeader;
    } else {
      problem = ParseKeyLine(line, key);
    }
    if (problem != CsvImportProblem::None) return CsvImport{{}, number, problem};
    if (key) {
      key->line = number;
      result.keys.push_back(std::move(*key));
    }
  }
  return result;
}

std::string CsvImportMessage(const CsvImport& result, Language language) {
  switch (result.problem) {
    case CsvImportProblem::None:
      return {};
    case CsvImportProblem::MissingHeader:
      return TrFormat(Text::CsvImportMissingHeader, language, result.badLine);
    case CsvImportProblem::WrongColumnCount:
      return TrFormat(Text::CsvImportWrongColumnCount, language, result.badLine);
    case CsvImportProblem::BadId:
      return TrFormat(Text::CsvImportBadId, language, result.badLine);
    case CsvImportProblem::BadQuotes:
      return TrFormat(Text::CsvImportBadQuotes, language, result.badLine);
    case CsvImportProblem::UnstorableComment:
      return TrFormat(Text::CsvImportUnstorableComment, language, result.badLine);
    case CsvImportProblem::BadKeyCode:
      return TrFormat(Text::CsvImportBadKeyCode, language, result.badLine);
    case CsvImportProblem::BadFloorMark:
      return TrFormat(Text::CsvImportBadFloorMark, language, result.badLine);
  }
  return {};
}

}  // namespace qel
