#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "files/FileResult.h"
#include "keystore/KeyMemoryImage.h"
#include "texts/Language.h"

namespace qel {

// The export's header line in `language`, in UTF-8 and without its line end.
std::string_view CsvExportHeader(Language language);

// The bytes of the CSV export (Windows-1250, CR LF): the header of `language`, then one line per
// record from index 0 until the first erased record or the last listed record. A comment that
// holds ";" or a double quote is written in double quotes with inner quotes doubled, so that it
// stays one column. No result for a record size outside 15 to 250.
std::optional<std::string> CsvExportBytes(const ImageBytes& image, int recordSize, Language language);

// Writes the export to `path` as SaveImageFile writes an image: all or nothing.
FileResult ExportCsvFile(const std::filesystem::path& path, const ImageBytes& image, int recordSize,
                         Language language);

}  // namespace qel
