#include "files/CsvExport.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <iterator>
#include <span>
#include <string_view>

#include "files/ReplaceFile.h"
#include "keystore/KeyCode.h"
#include "texts/Cp1250.h"

namespace qel {
namespace {

bool AllBytes(std::span<const std::uint8_t> bytes, std::uint8_t value) {
  return std::all_of(bytes.begin(), bytes.end(), [value](std::uint8_t b) { return b == value; });
}

void AppendComment(std::string& out, std::span<const std::uint8_t> field) {
  const std::string_view comment = CommentIn(field);
  // A ";" or a quote left bare would shift every following column in a spreadsheet.
  if (comment.find_first_of(";\"") == std::string_view::npos) {
    out += comment;
    return;
  }
  out += '"';
  for (char c : comment) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

void AppendRecordLine(std::string& out, int index, std::span<const std::uint8_t> record) {
  char id[12];
  const auto idEnd = std::to_chars(std::begin(id), std::end(id), index).ptr;
  out.append(id, idEnd);
  out += ';';
  AppendComment(out, record.subspan(kCommentOffset));
  out += ';';
  KeyCode code;
  std::copy_n(record.begin(), code.size(), code.begin());
  out += KeyCodeToText(code);
  out += ';';
  // Floor 24 first; the final ";" leaves the empty field that ends every data line.
  const std::uint32_t floors =
      record[kFloorsOffset] | record[kFloorsOffset + 1] << 8 | record[kFloorsOffset + 2] << 16;
  std::array<char, 51> tail;
  for (int floor = 24; floor >= 1; --floor) {
    const auto column = static_cast<std::size_t>(2 * (24 - floor));
    tail[column] = (floors >> (floor - 1) & 1) != 0 ? 'o' : 'x';
    tail[column + 1] = ';';
  }
  tail[48] = ';';
  tail[49] = '\r';
  tail[50] = '\n';
  out.append(tail.data(), tail.size());
}

}  // namespace

std::string_view CsvExportHeader(Language language) {
  return language == Language::Czech
             ? "ID;Komentář;Klíč;Patro 24;23;22;21;20;19;18;17;16;15;14;13;12;11;10;9;8;7;6;5;4;3;2;1;"
             : "ID;Comment;Key;Floor 24;23;22;21;20;19;18;17;16;15;14;13;12;11;10;9;8;7;6;5;4;3;2;1;";
}

std::optional<std::string> CsvExportBytes(const ImageBytes& image, int recordSize, Language language) {
  if (!IsValidRecordSize(recordSize)) return std::nullopt;
  std::string out = Utf8ToCp1250(CsvExportHeader(language)).bytes + "\r\n";
  const auto size = static_cast<std::size_t>(recordSize);
  // Longest line: ID, quoted comment with every byte doubled, 16-digit key, 24 floors, end.
  out.reserve(out.size() +
              static_cast<std::size_t>(ListedRecordCount(recordSize)) * (5 + 2 * size + 2 + 17 + 48 + 3));
  for (int i = 0; i < ListedRecordCount(recordSize); ++i) {
    const auto record = std::span(image).subspan(static_cast<std::size_t>(i) * size, size);
    if (AllBytes(record.first(12), 0xFF)) break;
    AppendRecordLine(out, i, record);
  }
  return out;
}

FileResult ExportCsvFile(const std::filesystem::path& path, const ImageBytes& image, int recordSize,
                         Language language) {
  const auto bytes = CsvExportBytes(image, recordSize, language);
  if (!bytes) return FileResult{FileError::SettingsOutOfRange, path, 0, {}};
  return ReplaceFileContent(path,
                            std::span(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()));
}

}  // namespace qel
