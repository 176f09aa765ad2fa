#pragma once

#include <chrono>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "keystore/KeyCode.h"
#include "sim/PtyUnitServer.h"

namespace qel::sim {

// Which key to hold at the reader: one the unit stores (by ID), a new random valid key of one
// form, or a typed code.
struct StoredKeyId {
  int id;
  friend bool operator==(const StoredKeyId&, const StoredKeyId&) = default;
};
enum class NewKey { EightByte, TwelveChar };
using KeyChoice = std::variant<StoredKeyId, NewKey, KeyCode>;

struct HoldCommand {
  KeyChoice key;
  std::chrono::seconds duration;
  friend bool operator==(const HoldCommand&, const HoldCommand&) = default;
};
struct ReleaseCommand {
  friend bool operator==(const ReleaseCommand&, const ReleaseCommand&) = default;
};
struct KeysCommand {
  friend bool operator==(const KeysCommand&, const KeysCommand&) = default;
};
struct HelpCommand {
  friend bool operator==(const HelpCommand&, const HelpCommand&) = default;
};
// std::monostate: a blank line, which does nothing.
using ConsoleCommand = std::variant<std::monostate, HoldCommand, ReleaseCommand, KeysCommand, HelpCommand>;

// A line read, or why it was refused.
struct ParsedLine {
  std::optional<ConsoleCommand> command;
  std::string error;
};

inline constexpr std::chrono::seconds kDefaultHold{3};
inline constexpr std::chrono::seconds kLongestHold{3600};

inline constexpr std::string_view kConsoleHelp =
    "Commands:\n"
    "  hold ID [SECONDS]      hold the stored key with this ID at the reader (default 3 s)\n"
    "  hold new8 [SECONDS]    hold a new valid key of the 8-byte form\n"
    "  hold new12 [SECONDS]   hold a new valid key of the 12-character form\n"
    "  hold CODE [SECONDS]    hold a typed code: 16 or 12 hex digits that pass their check\n"
    "  release                take the held key away now\n"
    "  keys                   list the stored keys: ID, key code, comment\n"
    "  help                   show this text\n";

// Reads one line typed at qel-unit-sim; words are separated by blanks.
ParsedLine ParseConsoleLine(std::string_view line);

// The code to hold for `choice`; none when `keys` has no key with the chosen ID.
std::optional<KeyCode> ChooseKey(const KeyChoice& choice, std::span<const StoredKey> keys,
                                 std::mt19937& random);

}  // namespace qel::sim
