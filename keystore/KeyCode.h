#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qel {

// The 12 key code bytes of a record, in stored order. Two forms share them: an 8-byte 1-Wire
// code (bytes 8 to 11 zero, byte 7 its CRC) and a 12-character code stored in reverse.
using KeyCode = std::array<std::uint8_t, 12>;

// CRC-8/MAXIM (1-Wire): reflected polynomial 0x8C, initial value 0, no final XOR.
std::uint8_t Crc8Maxim(std::span<const std::uint8_t> bytes);

// Byte 7 equals the CRC-8/MAXIM of bytes 0 to 6.
bool IsValidEightByteCode(const KeyCode& code);

// Every byte is one of "0".."9", "A".."F" and the XOR of the twelve digit values is 0.
bool IsValidTwelveCharCode(const KeyCode& code);

// The text the key list shows: 16 uppercase hex digits from byte 7 down to byte 0 when bytes 8
// to 11 are zero, else the 12 bytes from byte 11 down to byte 0 as they are (Windows-1250).
std::string KeyCodeToText(const KeyCode& code);

// The operator's typed key code: 16 hex digits (8-byte form) or 12 hex digits (12-character
// form, either case), which must pass the check of its form. No result means rejected; the key
// dialog then treats the code as twelve zero bytes.
std::optional<KeyCode> KeyCodeFromText(std::string_view text);

// The rule a typed code breaks, checked in this order: a character that is no hexadecimal digit
// (the first such, at byte `at`), a length other than 12 or 16 digits (`length` of them), or the
// check of its form (of `length` digits). None for a code KeyCodeFromText takes.
struct KeyCodeFault {
  enum class Rule { Digit, Length, Check };
  Rule rule = Rule::Digit;
  std::size_t at = 0;
  std::size_t length = 0;
};
std::optional<KeyCodeFault> FaultOfKeyCodeText(std::string_view text);

}  // namespace qel
