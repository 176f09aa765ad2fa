#include "texts/Collation.h"

#include <array>
#include <optional>
#include <string>

#include "texts/Cp1250.h"

namespace qel {
namespace {

// A letter with a mark, small and capital: the Latin letter it sorts with and how far after the
// plain one it comes on a tie; a letter of its own (č, ř, š, ž) sorts right after its base.
struct MarkedLetter {
  char32_t small;
  char32_t capital;
  char base;
  std::uint32_t mark;
  bool ownLetter;
};

// The Czech letters and the rest of Windows-1250's, which Slovak, Polish, German and Hungarian
// names bring into comments.
constexpr std::array<MarkedLetter, 39> kMarkedLetters{{
    {U'á', U'Á', 'a', 1, false}, {U'ä', U'Ä', 'a', 2, false}, {U'â', U'Â', 'a', 3, false},
    {U'ă', U'Ă', 'a', 4, false}, {U'ą', U'Ą', 'a', 5, false}, {U'č', U'Č', 'c', 0, true},
    {U'ć', U'Ć', 'c', 1, false}, {U'ç', U'Ç', 'c', 2, false}, {U'ď', U'Ď', 'd', 1, false},
    {U'đ', U'Đ', 'd', 2, false}, {U'é', U'É', 'e', 1, false}, {U'ě', U'Ě', 'e', 2, false},
    {U'ë', U'Ë', 'e', 3, false}, {U'ę', U'Ę', 'e', 4, false}, {U'í', U'Í', 'i', 1, false},
    {U'î', U'Î', 'i', 2, false}, {U'ĺ', U'Ĺ', 'l', 1, false}, {U'ľ', U'Ľ', 'l', 2, false},
    {U'ł', U'Ł', 'l', 3, false}, {U'ň', U'Ň', 'n', 1, false}, {U'ń', U'Ń', 'n', 2, false},
    {U'ó', U'Ó', 'o', 1, false}, {U'ô', U'Ô', 'o', 2, false}, {U'ö', U'Ö', 'o', 3, false},
    {U'ő', U'Ő', 'o', 4, false}, {U'ř', U'Ř', 'r', 0, true},  {U'ŕ', U'Ŕ', 'r', 1, false},
    {U'š', U'Š', 's', 0, true},  {U'ś', U'Ś', 's', 1, false}, {U'ş', U'Ş', 's', 2, false},
    {U'ť', U'Ť', 't', 1, false}, {U'ţ', U'Ţ', 't', 2, false}, {U'ú', U'Ú', 'u', 1, false},
    {U'ů', U'Ů', 'u', 2, false}, {U'ü', U'Ü', 'u', 3, false}, {U'ű', U'Ű', 'u', 4, false},
    {U'ý', U'Ý', 'y', 1, false}, {U'ž', U'Ž', 'z', 0, true},  {U'ź', U'Ź', 'z', 1, false},
}};

// One sorting unit: a character, or "ch" taken as one letter.
struct Element {
  std::uint32_t primary;
  std::uint32_t mark;
  std::uint32_t capitals;
};

// Primary weights in three bands, each above the code points: anything else, digits, letters.
constexpr std::uint32_t kBand = 0x200000;
constexpr std::uint32_t kDigitBand = kBand;
constexpr std::uint32_t kLetterBand = 2 * kBand;

// Each Latin letter has an even rank; the odd rank after it is the letter of its own that
// follows it (č after c, ch after h).
constexpr std::uint32_t LetterRank(char base, bool ownLetter) {
  return kLetterBand + 2 * static_cast<std::uint32_t>(base - 'a') + (ownLetter ? 1 : 0);
}

std::optional<Element> LetterElement(char32_t c) {
  if (c >= U'a' && c <= U'z') return Element{LetterRank(static_cast<char>(c), false), 0, 0};
  if (c >= U'A' && c <= U'Z') return Element{LetterRank(static_cast<char>(c - U'A' + U'a'), false), 0, 1};
  for (const MarkedLetter& letter : kMarkedLetters) {
    if (c != letter.small && c != letter.capital) continue;
    return Element{LetterRank(letter.base, letter.ownLetter), letter.mark, c == letter.capital ? 1u : 0u};
  }
  return std::nullopt;
}

Element ElementOf(char32_t c) {
  if (const std::optional<Element> letter = LetterElement(c)) return *letter;
  if (c >= U'0' && c <= U'9') return Element{kDigitBand + static_cast<std::uint32_t>(c - U'0'), 0, 0};
  return Element{c, 0, 0};
}

bool IsC(char32_t c) { return c == U'c' || c == U'C'; }
bool IsH(char32_t c) { return c == U'h' || c == U'H'; }

}  // namespace

CzechSortKey MakeCzechSortKey(std::string_view utf8) {
  std::u32string characters;
  for (std::size_t pos = 0; pos < utf8.size();) characters.push_back(NextCharacter(utf8, pos));
  std::vector<Element> elements;
  for (std::size_t i = 0; i < characters.size(); ++i) {
    if (IsC(characters[i]) && i + 1 < characters.size() && IsH(characters[i + 1])) {
      // Small before capital within the pair too: ch, cH, Ch, CH.
      const std::uint32_t capitals =
          (characters[i] == U'C' ? 2u : 0u) + (characters[i + 1] == U'H' ? 1u : 0u);
      elements.push_back(Element{LetterRank('h', true), 0, capitals});
      ++i;
      continue;
    }
    elements.push_back(ElementOf(characters[i]));
  }
  // Every weight is raised by one so that the 0 between the levels sorts a shorter text first.
  CzechSortKey key;
  key.reserve(3 * elements.size() + 2);
  for (const Element& element : elements) key.push_back(element.primary + 1);
  key.push_back(0);
  for (const Element& element : elements) key.push_back(element.mark + 1);
  key.push_back(0);
  for (const Element& element : elements) key.push_back(element.capitals + 1);
  return key;
}

std::strong_ordering CompareCzech(std::string_view a, std::string_view b) {
  const CzechSortKey keyA = MakeCzechSortKey(a);
  const CzechSortKey keyB = MakeCzechSortKey(b);
  if (const auto order = keyA <=> keyB; order != 0) return order;
  return a <=> b;
}

}  // namespace qel
