#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sequencer/LocalClock.h"
#include "texts/Texts.h"

namespace qel {

// qelctl's words as given: the command and its operands, the options' values and the flags.
struct Arguments {
  std::vector<std::string_view> words;  // the command, then its operands
  std::map<std::string_view, std::string_view> values;
  std::set<std::string_view> flags;
  // The first thing wrong, put in words once the language is known.
  std::optional<Text> error;
  std::vector<std::string> errorWords;
};

// Splits the arguments into the command, its operands and its options, and checks their shape:
// a known command, options it takes, as many operands as it wants.
Arguments Parse(std::span<const std::string_view> arguments);

// The options of `command` beyond the global ones.
const std::set<std::string_view>& CommandOptions(std::string_view command);

// Digits only, from min to max.
std::optional<int> WholeNumber(std::string_view text, int min, int max);
// At most four digits, as the connect dialog's code box takes them.
std::optional<int> AccessCode(std::string_view text);
// "on" or "off".
std::optional<bool> OnOff(std::string_view text);
// "YYYY-MM-DD HH:MM:SS", each field in its calendar range.
std::optional<LocalTime> DateTime(std::string_view text);

}  // namespace qel
