#include "texts/Cp1250.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

namespace qel {
namespace {

// Characters of bytes 0x80 to 0xFF. The undefined bytes carry their own C1 value.
constexpr std::array<char16_t, 128> kHighHalf{
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,  // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,  // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,  // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,  // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,  // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,  // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,  // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,  // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,  // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,  // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,  // F8
};

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

constexpr std::uint8_t kLastControl = 0x1F;
constexpr std::uint8_t kUnitEndMark = 0xFF;

}  // namespace

char32_t NextCharacter(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<std::uint8_t>(text[pos]);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  int length = 0;
  char32_t c = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, c = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, c = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, c = lead & 0x07, minimum = 0x10000;
  } else {
    ++pos;
    return kReplacement;
  }
  if (pos + static_cast<std::size_t>(length) > text.size()) {
    ++pos;
    return kReplacement;
  }
  for (int i = 1; i < length; ++i) {
    const auto next = static_cast<std::uint8_t>(text[pos + static_cast<std::size_t>(i)]);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return kReplacement;
    }
    c = (c << 6) | (next & 0x3F);
  }
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++pos;
    return kReplacement;
  }
  pos += static_cast<std::size_t>(length);
  return c;
}

std::string Cp1250ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char b : bytes) {
    const auto byte = static_cast<std::uint8_t>(b);
    AppendUtf8(out, byte < 0x80 ? byte : kHighHalf[byte - 0x80]);
  }
  return out;
}

Cp1250Encoded Utf8ToCp1250(std::string_view utf8) {
  Cp1250Encoded result;
  result.bytes.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const char32_t c = NextCharacter(utf8, pos);
    if (c < 0x80) {
      result.bytes.push_back(static_cast<char>(c));
      continue;
    }
    const auto found = std::find(kHighHalf.begin(), kHighHalf.end(), c);
    if (found != kHighHalf.end()) {
      result.bytes.push_back(static_cast<char>(0x80 + (found - kHighHalf.begin())));
    } else if (std::find(result.unrepresented.begin(), result.unrepresented.end(), c) ==
               result.unrepresented.end()) {
      result.unrepresented.push_back(c);
    }
  }
  return result;
}

bool IsUtf8(std::string_view bytes) {
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t at = pos;
    // Malformed input comes back as U+FFFD one byte on; the real U+FFFD takes three.
    if (NextCharacter(bytes, pos) == kReplacement && pos == at + 1) return false;
  }
  return true;
}

std::optional<char32_t> FirstUnstorableCharacter(std::string_view utf8) {
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const char32_t c = NextCharacter(utf8, pos);
    if (c <= kLastControl) return c;
    if (c < 0x80) continue;
    const auto found = std::find(kHighHalf.begin(), kHighHalf.end(), c);
    if (found == kHighHalf.end() || 0x80 + (found - kHighHalf.begin()) == kUnitEndMark) return c;
  }
  return std::nullopt;
}

std::string DescribeCharacter(char32_t c) {
  std::array<char, 16> code{};
  std::snprintf(code.data(), code.size(), "U+%04X", static_cast<unsigned>(c));
  const bool invisible = c <= kLastControl || (c >= 0x7F && c <= 0x9F) || c == kReplacement;
  if (invisible) return code.data();
  std::string out = "\"";
  AppendUtf8(out, c);
  return out + "\" (" + code.data() + ")";
}

}  // namespace qel
