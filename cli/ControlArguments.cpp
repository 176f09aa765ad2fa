#include "cli/ControlArguments.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace qel {
namespace {

constexpr int kMaxAccessCode = 9999;

const std::set<std::string_view> kValueOptions{"--device",
                                               "--backup-dir",
                                               "--port",
                                               "--code",
                                               "--code-file",
                                               "--lang",
                                               "--floors",
                                               "--comment",
                                               "--timeout",
                                               "--access-time",
                                               "--permanent-access",
                                               "--comment-length",
                                               "--relay-inversion",
                                               "--main-relay-inversion",
                                               "--name",
                                               "--clock",
                                               "--new-code"};
const std::set<std::string_view> kFlagOptions{"--bluetooth", "--yes",         "--force", "--verbose",
                                              "--json",      "--from-reader", "--help"};
const std::set<std::string_view> kGlobalOptions{"--device",  "--port",      "--code",      "--code-file",
                                                "--lang",    "--bluetooth", "--yes",       "--force",
                                                "--verbose", "--help",      "--backup-dir"};

struct CommandShape {
  std::size_t minOperands;
  std::size_t maxOperands;
  std::set<std::string_view> options;
};

const std::map<std::string_view, CommandShape> kCommands{
    {"info", {0, 0, {"--json"}}},
    {"list", {0, 0, {"--json"}}},
    {"backup", {1, 1, {}}},
    {"export", {1, 1, {}}},
    {"add", {0, 1, {"--floors", "--comment", "--from-reader", "--timeout"}}},
    {"edit", {1, 1, {"--floors", "--comment"}}},
    {"delete", {1, 1, {}}},
    {"set",
     {0,
      0,
      {"--access-time", "--permanent-access", "--comment-length", "--relay-inversion",
       "--main-relay-inversion", "--name", "--clock", "--new-code"}}},
    {"restore", {1, 1, {}}},
    {"clear-keys", {0, 0, {}}},
    {"clear-logs", {0, 0, {}}},
    {"import", {1, 1, {}}},
    {"watch", {0, 0, {}}},
};

// The command's shape: options it takes and how many operands.
void CheckShape(Arguments& parsed, const auto& fail) {
  if (parsed.words.empty()) {
    fail(Text::CtlNoCommand, {});
    return;
  }
  const std::string_view command = parsed.words[0];
  const auto shape = kCommands.find(command);
  if (shape == kCommands.end()) {
    fail(Text::CtlUnknownCommand, {std::string(command)});
    return;
  }
  std::vector<std::string_view> used(parsed.flags.begin(), parsed.flags.end());
  for (const auto& [name, value] : parsed.values) used.push_back(name);
  for (std::string_view name : used)
    if (!kGlobalOptions.contains(name) && !shape->second.options.contains(name))
      fail(Text::CtlOptionNotHere, {std::string(name), std::string(command)});
  const std::size_t operands = parsed.words.size() - 1;
  if (operands < shape->second.minOperands || operands > shape->second.maxOperands)
    fail(Text::CtlOperandCount, {std::string(command)});
}

}  // namespace

Arguments Parse(std::span<const std::string_view> arguments) {
  Arguments parsed;
  const auto fail = [&parsed](Text error, std::vector<std::string> words) {
    if (parsed.error) return;
    parsed.error = error;
    parsed.errorWords = std::move(words);
  };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string_view argument = arguments[i];
    if (argument == "-h") argument = "--help";
    if (!argument.starts_with("--") || argument == "--") {
      parsed.words.push_back(argument);
      continue;
    }
    const std::size_t equals = argument.find('=');
    const std::string_view name = argument.substr(0, equals);
    if (kFlagOptions.contains(name) && equals == std::string_view::npos) {
      parsed.flags.insert(name);
    } else if (!kValueOptions.contains(name)) {
      fail(Text::KymUnknownOption, {std::string(argument)});
    } else if (equals != std::string_view::npos) {
      parsed.values[name] = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size()) {
      parsed.values[name] = arguments[++i];
    } else {
      fail(Text::CtlValueMissing, {std::string(name)});
    }
  }
  if (!parsed.error && !parsed.flags.contains("--help")) CheckShape(parsed, fail);
  return parsed;
}

const std::set<std::string_view>& CommandOptions(std::string_view command) {
  return kCommands.at(command).options;
}

std::optional<int> WholeNumber(std::string_view text, int min, int max) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < min || value > max)
    return std::nullopt;
  return value;
}

std::optional<int> AccessCode(std::string_view text) {
  if (text.size() > 4 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  return WholeNumber(text, 0, kMaxAccessCode);
}

std::optional<bool> OnOff(std::string_view text) {
  if (text == "on") return true;
  if (text == "off") return false;
  return std::nullopt;
}

std::optional<LocalTime> DateTime(std::string_view text) {
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':')
    return std::nullopt;
  const auto field = [text](std::size_t at, std::size_t length, int min, int max) {
    return WholeNumber(text.substr(at, length), min, max);
  };
  const auto year = field(0, 4, 2000, 2099), month = field(5, 2, 1, 12), day = field(8, 2, 1, 31),
             hour = field(11, 2, 0, 23), minute = field(14, 2, 0, 59), second = field(17, 2, 0, 59);
  if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
  static constexpr std::array<int, 12> kDays{31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = *year % 4 == 0;
  if (*day > kDays[static_cast<std::size_t>(*month - 1)] || (*month == 2 && *day == 29 && !leap))
    return std::nullopt;
  return LocalTime{*year, *month, *day, *hour, *minute, *second};
}

}  // namespace qel
