#include "keystore/KeyCode.h"

#include <algorithm>

namespace qel {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool IsEightByteForm(const KeyCode& code) {
  return std::all_of(code.begin() + 8, code.end(), [](std::uint8_t b) { return b == 0; });
}

}  // namespace

std::uint8_t Crc8Maxim(std::span<const std::uint8_t> bytes) {
  std::uint8_t crc = 0;
  for (std::uint8_t byte : bytes) {
    for (int bit = 0; bit < 8; ++bit) {
      const bool mix = ((crc ^ byte) & 1) != 0;
      crc = static_cast<std::uint8_t>(crc >> 1);
      if (mix) crc ^= 0x8C;
      byte = static_cast<std::uint8_t>(byte >> 1);
    }
  }
  return crc;
}

bool IsValidEightByteCode(const KeyCode& code) { return Crc8Maxim(std::span(code).first(7)) == code[7]; }

bool IsValidTwelveCharCode(const KeyCode& code) {
  int sum = 0;
  for (std::uint8_t b : code) {
    // Lowercase is folded on entry; a stored lowercase letter is not a valid code.
    if (b >= 'a' && b <= 'f') return false;
    const int value = HexValue(static_cast<char>(b));
    if (value < 0) return false;
    sum ^= value;
  }
  return sum == 0;
}

std::string KeyCodeToText(const KeyCode& code) {
  char text[16];
  if (IsEightByteForm(code)) {
    for (std::size_t i = 0; i < 8; ++i) {
      text[2 * i] = kHexDigits[code[7 - i] >> 4];
      text[2 * i + 1] = kHexDigits[code[7 - i] & 0x0F];
    }
    return std::string(text, 16);
  }
  for (std::size_t k = 0; k < 12; ++k) text[k] = static_cast<char>(code[11 - k]);
  return std::string(text, 12);
}

std::optional<KeyCode> KeyCodeFromText(std::string_view text) {
  KeyCode code{};
  if (text.size() == 16) {
    for (std::size_t i = 0; i < 8; ++i) {
      const int high = HexValue(text[2 * i]);
      const int low = HexValue(text[2 * i + 1]);
      if (high < 0 || low < 0) return std::nullopt;
      code[7 - i] = static_cast<std::uint8_t>(16 * high + low);
    }
    if (!IsValidEightByteCode(code)) return std::nullopt;
    return code;
  }
  if (text.size() == 12) {
    for (std::size_t k = 0; k < 12; ++k) {
      const int value = HexValue(text[k]);
      if (value < 0) return std::nullopt;
      code[11 - k] = static_cast<std::uint8_t>(kHexDigits[value]);
    }
    if (!IsValidTwelveCharCode(code)) return std::nullopt;
    return code;
  }
  return std::nullopt;
}

std::optional<KeyCodeFault> FaultOfKeyCodeText(std::string_view text) {
  if (KeyCodeFromText(text)) return std::nullopt;
  const auto digit = std::find_if(text.begin(), text.end(), [](char c) { return HexValue(c) < 0; });
  if (digit != text.end())
    return KeyCodeFault{KeyCodeFault::Rule::Digit, std::size_t(digit - text.begin()), 0};
  // Only hexadecimal digits are left, one byte each.
  if (text.size() != 12 && text.size() != 16) return KeyCodeFault{KeyCodeFault::Rule::Length, 0, text.size()};
  return KeyCodeFault{KeyCodeFault::Rule::Check, 0, text.size()};
}

}  // namespace qel
