#include "keystore/KeyFilter.h"

#include <array>
#include <cstdint>

#include "texts/Cp1250.h"

namespace qel {
namespace {

// The letter each byte 0x80 to 0xFF stands for without its diacritics; '.' where the byte is no
// letter and stays as it is. ß (0xDF) is the one letter that becomes two.
constexpr std::string_view kHighLetters =
    "..........s.stzz"   // 0x80
    "..........s.stzz"   // 0x90
    "...l.a....s....z"   // 0xA0
    "...l.....as.l.lz"   // 0xB0
    "raaaalccceeeeiid"   // 0xC0
    "dnnoooo.ruuuuyt."   // 0xD0
    "raaaalccceeeeiid"   // 0xE0
    "dnnoooo.ruuuuyt.";  // 0xF0
static_assert(kHighLetters.size() == 128);
constexpr std::uint8_t kSharpS = 0xDF;

// The search form of each Windows-1250 byte: lower case, no diacritics.
constexpr std::array<char, 256> kSearchForm = [] {
  std::array<char, 256> form{};
  for (std::size_t b = 0; b < form.size(); ++b) {
    char c = static_cast<char>(b);
    if (b >= 'A' && b <= 'Z') c = static_cast<char>(b - 'A' + 'a');
    if (b >= 0x80 && kHighLetters[b - 0x80] != '.') c = kHighLetters[b - 0x80];
    form[b] = c;
  }
  form[kSharpS] = 's';
  return form;
}();

void AppendSearchForm(std::string_view cp1250, std::string& out) {
  for (const char c : cp1250) {
    const auto b = static_cast<std::uint8_t>(c);
    out.push_back(kSearchForm[b]);
    if (b == kSharpS) out.push_back('s');
  }
}

constexpr int kTopFloor = 24;

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

bool StartsWithWord(std::string_view text, std::string_view word) {
  if (text.size() < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (kSearchForm[static_cast<std::uint8_t>(text[i])] != word[i]) return false;
  return true;
}

// "floor 5" or "patro 5" at the start of `typed`, then the end or a space: the floor, and
// `typed` advanced past it. Nothing for anything else, a floor out of range included.
std::optional<int> TakeFloor(std::string_view& typed) {
  std::string_view rest = Trimmed(typed);
  bool named = false;
  for (std::string_view word : {"floor", "patro"}) {
    if (!StartsWithWord(rest, word)) continue;
    rest.remove_prefix(word.size());
    named = true;
    break;
  }
  if (!named || rest.empty() || !IsSpace(rest.front())) return std::nullopt;
  rest = Trimmed(rest);
  int floor = 0;
  std::size_t digits = 0;
  while (digits < rest.size() && digits < 3 && rest[digits] >= '0' && rest[digits] <= '9')
    floor = 10 * floor + (rest[digits++] - '0');
  if (digits == 0 || floor < 1 || floor > kTopFloor) return std::nullopt;
  if (digits < rest.size() && !IsSpace(rest[digits])) return std::nullopt;
  typed = Trimmed(rest.substr(digits));
  return floor;
}

}  // namespace

KeyFilter::KeyFilter(std::string_view utf8) {
  floor_ = TakeFloor(utf8);
  const Cp1250Encoded typed = Utf8ToCp1250(utf8);
  unmatchable_ = !typed.Complete();
  AppendSearchForm(typed.bytes, needle_);
}

bool KeyFilter::Matches(std::string_view comment, std::string_view codeText) const {
  if (unmatchable_) return false;
  if (needle_.empty()) return true;
  std::string text;
  AppendSearchForm(comment, text);
  if (text.find(needle_) != std::string::npos) return true;
  text.clear();
  AppendSearchForm(codeText, text);
  return text.find(needle_) != std::string::npos;
}

}  // namespace qel
