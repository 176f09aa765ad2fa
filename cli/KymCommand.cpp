#include "cli/KymCommand.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "files/CsvExport.h"
#include "files/FileResult.h"
#include "files/ImageDifference.h"
#include "files/ImageFile.h"
#include "keystore/FloorList.h"
#include "keystore/KeyMemoryImage.h"
#include "texts/Cp1250.h"
#include "texts/PlatformTexts.h"
#include "texts/Texts.h"
#include "texts/Utf8Path.h"

namespace qel {
namespace {

constexpr int kExitFileError = 1;
constexpr int kExitBadArguments = 2;
// diff keeps 1 for its answer, as a script comparing backups expects.
constexpr int kExitDiffers = 1;
constexpr int kExitDiffBadFile = 2;

struct Arguments {
  std::vector<std::string_view> positional;
  std::optional<Language> language;
  bool help = false;
  // What is wrong with the arguments, put in words once the language is known.
  std::optional<Text> error;
  std::string_view errorWord;
};

Arguments Parse(std::span<const std::string_view> arguments) {
  Arguments parsed;
  const auto fail = [&parsed](Text error, std::string_view word) {
    if (parsed.error) return;
    parsed.error = error;
    parsed.errorWord = word;
  };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      parsed.help = true;
    } else if (argument == "--lang") {
      if (++i == arguments.size()) {
        fail(Text::KymLanguageMissing, {});
      } else if (arguments[i] == "cs") {
        parsed.language = Language::Czech;
      } else if (arguments[i] == "en") {
        parsed.language = Language::English;
      } else {
        fail(Text::KymBadLanguage, arguments[i]);
      }
    } else if (argument.starts_with("-") && argument.size() > 1) {
      fail(Text::KymUnknownOption, argument);
    } else {
      parsed.positional.push_back(argument);
    }
  }
  return parsed;
}

// Files each command takes after its name.
std::optional<std::size_t> FileCount(std::string_view command) {
  if (command == "show") return 1;
  if (command == "csv") return 2;
  if (command == "diff") return 2;
  return std::nullopt;
}

std::optional<FileResult> Load(std::string_view path, ImageBytes& image, ImageSettings& settings,
                               Language language, std::ostream& err) {
  const FileResult result = LoadImageFile(PathFromUtf8(path), image, settings);
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

std::string OnOff(int flag, Language language) {
  return std::string(Tr(flag != 0 ? Text::KymOn : Text::KymOff, language));
}

int Show(std::string_view path, Language language, std::ostream& out, std::ostream& err) {
  ImageBytes bytes{};
  ImageSettings settings{};
  if (!Load(path, bytes, settings, language, err)) return kExitFileError;

  out << TrFormat(Text::KymSettings, language,
                  {std::to_string(settings.accessTime), std::to_string(settings.recordSize),
                   std::to_string(settings.recordSize - kMinRecordSize),
                   OnOff(settings.relayInversion, language), OnOff(settings.mainRelayInversion, language)})
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
  const FileResult result = ExportCsvFile(PathFromUtf8(csvPath), bytes, settings.recordSize, language);
  if (!result.Ok()) {
    ReportFileError(result, language, err);
    return kExitFileError;
  }
  out << TrFormat(Text::KymWrote, language, {csvPath}) << '\n';
  return 0;
}

struct Backup {
  ImageSettings settings{};
  KeyMemoryImage image;
};

std::unique_ptr<Backup> ReadBackup(std::string_view path, Language language, std::ostream& err) {
  ImageBytes bytes{};
  auto backup = std::make_unique<Backup>();
  if (!Load(path, bytes, backup->settings, language, err)) return nullptr;
  backup->image.Replace(bytes, backup->settings.recordSize);
  return backup;
}

std::string SettingLine(const SettingDifference& difference, Language language) {
  const int before = difference.before;
  const int after = difference.after;
  switch (difference.setting) {
    case Setting::AccessTime:
      return TrFormat(Text::KymDiffAccessTime, language, {std::to_string(before), std::to_string(after)});
    case Setting::RecordSize:
      return TrFormat(Text::KymDiffRecordSize, language,
                      {std::to_string(before), std::to_string(after), std::to_string(before - kMinRecordSize),
                       std::to_string(after - kMinRecordSize)});
    case Setting::RelayInversion:
      return TrFormat(Text::KymDiffRelayInversion, language,
                      {OnOff(before, language), OnOff(after, language)});
    case Setting::MainRelayInversion:
      return TrFormat(Text::KymDiffMainRelayInversion, language,
                      {OnOff(before, language), OnOff(after, language)});
  }
  return {};
}

std::string KeyLine(const KeyDifference& key, Language language) {
  const auto floors = [language](const Floors& permitted) {
    const std::string text = FloorListText(permitted);
    return text.empty() ? std::string(Tr(Text::KymDiffNoFloors, language)) : text;
  };
  const std::string code = Cp1250ToUtf8(KeyCodeToText(key.code));
  if (!key.before) {
    return TrFormat(Text::KymDiffAdded, language,
                    {code, std::to_string(key.after->id), floors(key.after->floors), key.after->comment});
  }
  if (!key.after)
    return TrFormat(Text::KymDiffRemoved, language,
                    {code, std::to_string(key.before->id), key.before->comment});
  const KeyEntry& before = *key.before;
  const KeyEntry& after = *key.after;
  std::string id = std::to_string(after.id);
  if (before.id != after.id) id = std::to_string(before.id) + " → " + id;
  std::string line = TrFormat(Text::KymDiffChanged, language, {code, id});
  if (before.floors != after.floors)
    line += TrFormat(Text::KymDiffFloors, language, {floors(before.floors), floors(after.floors)});
  if (before.comment != after.comment)
    line += TrFormat(Text::KymDiffComment, language, {before.comment, after.comment});
  return line;
}

int Diff(std::string_view pathA, std::string_view pathB, Language language, std::ostream& out,
         std::ostream& err) {
  // Both files are read before either is judged, so one run names every bad file.
  const std::unique_ptr<Backup> a = ReadBackup(pathA, language, err);
  const std::unique_ptr<Backup> b = ReadBackup(pathB, language, err);
  if (!a || !b) return kExitDiffBadFile;
  const ImageDifference difference = DiffImages(a->image, a->settings, b->image, b->settings);
  if (difference.Same()) {
    out << Tr(Text::KymDiffSame, language) << '\n';
    return 0;
  }
  std::string text;
  for (const SettingDifference& setting : difference.settings) text += SettingLine(setting, language) + '\n';
  for (const KeyDifference& key : difference.keys) text += KeyLine(key, language) + '\n';
  out << text;
  return kExitDiffers;
}

}  // namespace

void ReportFileError(const FileResult& result, Language language, std::ostream& err) {
  // Damage is numbered like the program's logged errors, so the line reads as in its log; the
  // words are the tool's own, in the chosen language and naming the file.
  if (result.ErrorCode() != 0) err << TrFormat(Text::LoggedErrorPrefix, language, result.ErrorCode());
  const std::string name = Utf8FromPath(result.path);
  switch (result.error) {
    case FileError::Damaged:
      err << TrFormat(Text::KymFileDamaged, language, {name});
      break;
    case FileError::DamagedAt:
      err << TrFormat(Text::KymFileDamagedAt, language, {name, std::to_string(result.position)});
      break;
    default:
      err << result.Message(language);
      break;
  }
  err << '\n';
}

std::optional<Language> LocaleLanguage(const LocaleEnvironment& environment) {
  for (const char* value : {environment.lcAll, environment.lcMessages, environment.lang}) {
    if (value == nullptr || *value == '\0') continue;
    const std::string_view locale(value);
    return locale.starts_with("cs") || locale.starts_with("sk") ? Language::Czech : Language::English;
  }
  return std::nullopt;
}

Language SystemLanguage(const LocaleEnvironment& environment) {
  return LocaleLanguage(environment).value_or(Language::English);
}

Language LanguageOfWindowsUi(unsigned short languageId) {
  // The primary language is the id's low ten bits: LANG_CZECH and LANG_SLOVAK.
  constexpr unsigned kCzech = 0x05;
  constexpr unsigned kSlovak = 0x1b;
  const unsigned primary = languageId & 0x3ffu;
  return primary == kCzech || primary == kSlovak ? Language::Czech : Language::English;
}

int RunKym(std::span<const std::string_view> arguments, Language systemLanguage, std::ostream& out,
           std::ostream& err) {
  const Arguments parsed = Parse(arguments);
  const Language language = parsed.language.value_or(systemLanguage);
  const auto refuse = [&](const std::string& why) {
    err << why << '\n' << Tr(Text::KymBadArguments, language) << '\n';
    return kExitBadArguments;
  };
  if (parsed.error) return refuse(TrFormat(*parsed.error, language, {parsed.errorWord}));
  if (parsed.help) {
    out << TrHere(Text::KymHelp, language);
    return 0;
  }
  const auto& p = parsed.positional;
  if (p.empty()) return refuse(std::string(Tr(Text::KymNoCommand, language)));
  const std::optional<std::size_t> files = FileCount(p[0]);
  if (!files) return refuse(TrFormat(Text::KymUnknownCommand, language, {p[0]}));
  if (p.size() - 1 != *files)
    return refuse(TrFormat(Text::KymWrongCount, language,
                           {p[0], std::to_string(*files), std::to_string(p.size() - 1)}));
  if (p[0] == "show") return Show(p[1], language, out, err);
  if (p[0] == "csv") return Csv(p[1], p[2], language, out, err);
  return Diff(p[1], p[2], language, out, err);
}

}  // namespace qel
