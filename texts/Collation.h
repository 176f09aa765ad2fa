#pragma once

#include <compare>
#include <cstdint>
#include <string_view>
#include <vector>

namespace qel {

// The order of Czech dictionaries for comments and names, in UTF-8. Letters first count without
// their case and without the marks that do not make a letter of their own: "Č" follows "C", "Ř"
// "R", "Š" "S", "Ž" "Z", and "CH" comes after "H", while "á" sorts with "a", "ů" with "u". On a
// tie the plain letter goes before the accented one, then the small before the capital; texts
// that still tie are ordered by their bytes, so no two different texts compare equal. Spaces and
// punctuation come before digits, digits before letters.
std::strong_ordering CompareCzech(std::string_view a, std::string_view b);

// A key whose plain comparison gives the order of CompareCzech up to its last tie; sorting by
// keys made once is cheaper than comparing the texts again and again.
using CzechSortKey = std::vector<std::uint32_t>;
CzechSortKey MakeCzechSortKey(std::string_view utf8);

}  // namespace qel
