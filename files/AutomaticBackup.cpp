#include "files/AutomaticBackup.h"

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <system_error>
#include <tuple>
#include <vector>

#include "texts/Utf8Path.h"

namespace qel {
namespace {

constexpr std::string_view kUnsafeCharacters = "/\\:*?\"<>|";
// The stamp and an optional counter for a second backup within the same second.
const std::regex& BackupNamePattern() {
  static const std::regex pattern(R"(.* (\d{4}-\d\d-\d\d \d{6})(?:-(\d+))?\.kym)");
  return pattern;
}

// Newest last: by the stamp in the name, then by its counter.
struct BackupFile {
  std::string stamp;
  int counter;
  std::filesystem::path path;
  bool operator<(const BackupFile& other) const {
    return std::tie(stamp, counter) < std::tie(other.stamp, other.counter);
  }
};

void RemoveOldBackups(const std::filesystem::path& folder) {
  std::vector<BackupFile> backups;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string name = Utf8FromPath(entry.path().filename());
    std::smatch match;
    if (!entry.is_regular_file(error) || !std::regex_match(name, match, BackupNamePattern())) continue;
    backups.push_back(
        {match[1].str(), match[2].matched ? std::atoi(match[2].str().c_str()) : 1, entry.path()});
  }
  if (backups.size() <= static_cast<std::size_t>(kKeptAutomaticBackups)) return;
  std::sort(backups.begin(), backups.end());
  const auto surplus = backups.size() - static_cast<std::size_t>(kKeptAutomaticBackups);
  // A backup that cannot be removed costs space, never data.
  for (std::size_t i = 0; i < surplus; ++i) std::filesystem::remove(backups[i].path, error);
}

}  // namespace

std::string ProposedFileName(std::string_view elevatorNameUtf8, std::string_view stamp,
                             std::string_view suffix) {
  std::string name;
  for (const char c : elevatorNameUtf8) {
    const bool unsafe = static_cast<unsigned char>(c) < 0x20 || c == 0x7F ||
                        kUnsafeCharacters.find(c) != std::string_view::npos;
    name.push_back(unsafe ? '_' : c);
  }
  // Spaces and dots at either end make names that some systems trim or hide.
  const auto first = name.find_first_not_of(" .");
  name = first == std::string::npos ? std::string()
                                    : name.substr(first, name.find_last_not_of(" .") - first + 1);
  if (name.empty()) name = "QEL";
  return name + " " + std::string(stamp) + "." + std::string(suffix);
}

FileResult SaveAutomaticBackup(const std::filesystem::path& folder, std::string_view elevatorNameUtf8,
                               std::string_view stamp, const ImageBytes& image,
                               const ImageSettings& settings) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) return FileResult{FileError::CannotCreate, folder, 0, error.message()};
  const std::string name = AutomaticBackupName(elevatorNameUtf8, stamp);
  std::filesystem::path path = folder / PathFromUtf8(name);
  // Two backups within one second (a failure right after the backup before it) both stay.
  for (int counter = 2; std::filesystem::exists(path, error); ++counter)
    path = folder / PathFromUtf8(name.substr(0, name.size() - 4) + "-" + std::to_string(counter) + ".kym");
  FileResult result = SaveImageFile(path, image, settings);
  if (result.Ok()) RemoveOldBackups(folder);
  return result;
}

}  // namespace qel
