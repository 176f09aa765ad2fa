#include "cli/KymCommand.h"

#include <optional>
#include <string>
#include <vector>

#include "files/CsvExport.h"
#include "files/ImageFile.h"
#include "keystore/KeyMemoryImage.h"
#include "texts/Texts.h"

namespace qel {
namespace {

constexpr int kExitFileError = 1;
constexpr int kExitBadArguments = 2;

struct Arguments {
  std::vector<std::string_view> positional;
  std::optional<Language> language;
  bool help = false;
};

std::optional<Arguments> Parse(std::span<const std::string_view> arguments) {
  Arguments parsed;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      parsed.help = true;
    } else if (argument == "--lang") {
      if (++i == arguments.size()) return std::nullopt;
      if (arguments[i] == "cs") {
        parsed.language = Language::Czech;
      } else if (arguments[i] == "en") {
        parsed.language = Language::English;
      } else {
        return std::nullopt;
      }
    } else if (argument.starts_with("-") && argument.size() > 1) {
      return std::nullopt;
    } else {
      parsed.positional.push_back(argument);
    }
  }
  return parsed;
}

void ReportFileError(const FileResult& result, Language language, std::ostream& err) {
  // Damage is numbered like the program's logged errors, so the line reads as in its log.
  if (result.ErrorCode() != 0) err << TrFormat(Text::LoggedErrorPrefix, language, result.ErrorCode());
  err << result.Message(language) << '\n';
}

std::optional<FileResult> Load(std::string_view path, ImageBytes& image, ImageSettings& settings,
                               Language language, std::ostream& err) {
  const FileResult result = LoadImageFile(std::filesystem::path(path), image, settings);
  if (!result.Ok()) {
    ReportFileError(result, language, err);
    return std::nullopt;
  }
  return result;
}

std::string FloorList(const Floors& floors) {
  std::string text;
  for (int floor = 1; floor <= 24; ++floor) {
    if (!FloorPermitted(floors, floor)) continue;
    if (!text.empty()) text += ',';
    text += std::to_string(floor);
  }
  return text;
}

int Show(std::string_view path, Language language, std::ostream& out, std::ostream& err) {
  ImageBytes bytes{};
  ImageSettings settings{};
  if (!Load(path, bytes, settings, language, err)) return kExitFileError;

  const auto onOff = [language](int flag) { return Tr(flag != 0 ? Text::KymOn : Text::KymOff, language); };
  out << TrFormat(Text::KymSettings, language,
                  {std::to_string(settings.accessTime), std::to_string(settings.recordSize),
                   std::to_string(settings.recordSize - kMinRecordSize), onOff(settings.relayInversion),
                   onOff(settings.mainRelayInversion)})
      << '\n'
      << Tr(Text::KymTableHeader, language) << '\n';

  KeyMemoryImage image;
  image.Replace(bytes, settings.recordSize);
  for (const KeyListRow& row : image.BuildKeyList()) {
    out << row.id << '\t' << row.comment << '\t' << row.keyCode << '\t' << FloorList(image.FloorsAt(row.id))
        << '\n';
  }
  return 0;
}

int Csv(std::string_view imagePath, std::string_view csvPath, Language language, std::ostream& out,
        std::ostream& err) {
  ImageBytes bytes{};
  ImageSettings settings{};
  if (!Load(imagePath, bytes, settings, language, err)) return kExitFileError;
  const FileResult result =
      ExportCsvFile(std::filesystem::path(csvPath), bytes, settings.recordSize, language);
  if (!result.Ok()) {
    ReportFileError(result, language, err);
    return kExitFileError;
  }
  out << Tr(Text::DataExported, language) << '\n';
  return 0;
}

}  // namespace

Language SystemLanguage(const LocaleEnvironment& environment) {
  for (const char* value : {environment.lcAll, environment.lcMessages, environment.lang}) {
    if (value == nullptr || *value == '\0') continue;
    const std::string_view locale(value);
    return locale.starts_with("cs") || locale.starts_with("sk") ? Language::Czech : Language::English;
  }
  return Language::English;
}

int RunKym(std::span<const std::string_view> arguments, Language systemLanguage, std::ostream& out,
           std::ostream& err) {
  const std::optional<Arguments> parsed = Parse(arguments);
  const Language language = parsed && parsed->language ? *parsed->language : systemLanguage;
  if (parsed && parsed->help) {
    out << Tr(Text::KymHelp, language);
    return 0;
  }
  if (parsed) {
    const auto& p = parsed->positional;
    if (p.size() == 2 && p[0] == "show") return Show(p[1], language, out, err);
    if (p.size() == 3 && p[0] == "csv") return Csv(p[1], p[2], language, out, err);
  }
  err << Tr(Text::KymBadArguments, language) << '\n';
  return kExitBadArguments;
}

}  // namespace qel
