#include "files/CsvImport.h"

#include <algorithm>
#include <cstdint>
#include <optional>

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

// The export writes deleted keys too; like the key list, the import passes over free records.
bool IsFreeCode(const KeyCode& code) {
  return std::all_of(code.begin(), code.end(), [](std::uint8_t b) { return b == 0x00 || b == 0xFF; });
}

// The file as UTF-8. A spreadsheet saves UTF-8 with or without the mark; Windows-1250 with
// letters beyond ASCII is never well-formed UTF-8.
std::string FileText(std::string_view bytes) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (bytes.starts_with(kByteOrderMark)) return std::string(bytes.substr(kByteOrderMark.size()));
  return IsUtf8(bytes) ? std::string(bytes) : Cp1250ToUtf8(bytes);
}

bool IsExportHeader(std::string_view line) {
  const std::string_view header = WithoutTrailingSeparators(line);
  return header == WithoutTrailingSeparators(CsvExportHeader(Language::Czech)) ||
         header == WithoutTrailingSeparators(CsvExportHeader(Language::English));
}

void ParseKeyLine(std::string_view line, int number, CsvImport& result) {
  const auto fail = [&](CsvImportProblem problem, char32_t character = 0) {
    result.errors.push_back({number, problem, character});
  };
  const auto fields = SplitFields(line);
  if (!fields) return fail(CsvImportProblem::BadQuotes);
  if (fields->size() < kColumns ||
      std::any_of(fields->begin() + kColumns, fields->end(), [](const std::string& f) { return !f.empty(); }))
    return fail(CsvImportProblem::WrongColumnCount);
  if (!IsWholeNumber((*fields)[0])) return fail(CsvImportProblem::BadId);
  if (const std::optional<char32_t> c = FirstUnstorableCharacter((*fields)[1]))
    return fail(CsvImportProblem::UnstorableComment, *c);
  const auto code = KeyCodeFromText((*fields)[2]);
  if (!code) return fail(CsvImportProblem::BadKeyCode);
  Floors floors{};
  for (int floor = 24; floor >= 1; --floor) {
    const std::string& mark = (*fields)[kFloor24Column + static_cast<std::size_t>(24 - floor)];
    if (mark != "o" && mark != "x") return fail(CsvImportProblem::BadFloorMark);
    SetFloor(floors, floor, mark == "o");
  }
  if (!IsFreeCode(*code)) result.keys.push_back({number, *code, floors, Utf8ToCp1250((*fields)[1]).bytes});
}

}  // namespace

CsvImport ParseCsvImport(std::string_view bytes) {
  const std::string utf8 = FileText(bytes);
  std::string_view text = utf8;
  // Editors leave the last line end out or add blank lines after it.
  text = text.substr(0, text.find_last_not_of("\r\n") + 1);
  CsvImport result;
  int number = 0;
  while (!text.empty() || number == 0) {
    ++number;
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (line.ends_with('\r')) line.remove_suffix(1);

    if (number > 1)
      ParseKeyLine(line, number, result);
    else if (!IsExportHeader(line))
      result.errors.push_back({number, CsvImportProblem::MissingHeader});
  }
  if (!result.Ok()) result.keys.clear();
  return result;
}

std::string CsvImportMessage(const CsvImportError& error, Language language) {
  switch (error.problem) {
    case CsvImportProblem::MissingHeader:
      return TrFormat(Text::CsvImportMissingHeader, language, error.line);
    case CsvImportProblem::WrongColumnCount:
      return TrFormat(Text::CsvImportWrongColumnCount, language, error.line);
    case CsvImportProblem::BadId:
      return TrFormat(Text::CsvImportBadId, language, error.line);
    case CsvImportProblem::BadQuotes:
      return TrFormat(Text::CsvImportBadQuotes, language, error.line);
    case CsvImportProblem::UnstorableComment:
      return TrFormat(Text::CsvImportUnstorableComment, language,
                      {std::to_string(error.line), DescribeCharacter(error.character)});
    case CsvImportProblem::BadKeyCode:
      return TrFormat(Text::CsvImportBadKeyCode, language, error.line);
    case CsvImportProblem::BadFloorMark:
      return TrFormat(Text::CsvImportBadFloorMark, language, error.line);
  }
  return {};
}

}  // namespace qel
