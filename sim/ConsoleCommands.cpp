#include "sim/ConsoleCommands.h"

#include <algorithm>
#include <vector>

#include "sim/GeneratedKeys.h"

namespace qel::sim {
namespace {

std::vector<std::string_view> Words(std::string_view line) {
  constexpr std::string_view kBlanks = " \t\r\n";
  std::vector<std::string_view> words;
  std::size_t start = line.find_first_not_of(kBlanks);
  while (start != std::string_view::npos) {
    const std::size_t end = std::min(line.find_first_of(kBlanks, start), line.size());
    words.push_back(line.substr(start, end - start));
    start = line.find_first_not_of(kBlanks, end);
  }
  return words;
}

// Digits only and at most `maxDigits` of them, so that no value overflows.
std::optional<int> Number(std::string_view text, std::size_t maxDigits) {
  if (text.empty() || text.size() > maxDigits) return std::nullopt;
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

// Record indices have at most four digits; key codes have 12 or 16.
constexpr std::size_t kIdDigits = 4;

ParsedLine Refuse(std::string message) { return ParsedLine{std::nullopt, std::move(message)}; }

ParsedLine ParseHold(std::span<const std::string_view> words) {
  if (words.empty()) return Refuse("hold: which key? An ID, new8, new12 or a key code");
  if (words.size() > 2) return Refuse("hold: too many words; hold KEY [SECONDS]");
  std::chrono::seconds duration = kDefaultHold;
  if (words.size() == 2) {
    const auto seconds = Number(words[1], 4);
    if (!seconds || *seconds < 1 || *seconds > kLongestHold.count())
      return Refuse("hold: seconds must be a whole number from 1 to " + std::to_string(kLongestHold.count()) +
                    ": " + std::string(words[1]));
    duration = std::chrono::seconds{*seconds};
  }
  const std::string_view key = words[0];
  if (key == "new8") return ParsedLine{HoldCommand{NewKey::EightByte, duration}, {}};
  if (key == "new12") return ParsedLine{HoldCommand{NewKey::TwelveChar, duration}, {}};
  if (const auto id = Number(key, kIdDigits)) return ParsedLine{HoldCommand{StoredKeyId{*id}, duration}, {}};
  if (const auto code = KeyCodeFromText(key)) return ParsedLine{HoldCommand{*code, duration}, {}};
  return Refuse(
      "hold: not a key ID, new8, new12 or a valid key code (16 hex digits with their CRC, or 12 "
      "hex digits whose XOR is 0): " +
      std::string(key));
}

}  // namespace

ParsedLine ParseConsoleLine(std::string_view line) {
  const std::vector<std::string_view> words = Words(line);
  if (words.empty()) return ParsedLine{std::monostate{}, {}};
  const std::string_view verb = words[0];
  const auto rest = std::span(words).subspan(1);
  if (verb == "hold") return ParseHold(rest);
  const std::string name(verb);
  if (verb != "release" && verb != "keys" && verb != "help")
    return Refuse("unknown command: " + name + "; type help for the commands");
  if (!rest.empty()) return Refuse(name + " takes no arguments");
  if (verb == "release") return ParsedLine{ReleaseCommand{}, {}};
  if (verb == "keys") return ParsedLine{KeysCommand{}, {}};
  return ParsedLine{HelpCommand{}, {}};
}

std::optional<KeyCode> ChooseKey(const KeyChoice& choice, std::span<const StoredKey> keys,
                                 std::mt19937& random) {
  if (const auto* code = std::get_if<KeyCode>(&choice)) return *code;
  if (const auto* form = std::get_if<NewKey>(&choice))
    return *form == NewKey::EightByte ? RandomEightByteCode(random) : RandomTwelveCharCode(random);
  const int id = std::get<StoredKeyId>(choice).id;
  const auto key = std::find_if(keys.begin(), keys.end(), [id](const StoredKey& k) { return k.id == id; });
  if (key == keys.end()) return std::nullopt;
  return key->code;
}

}  // namespace qel::sim
