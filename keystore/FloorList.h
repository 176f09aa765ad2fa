#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "keystore/KeyMemoryImage.h"

namespace qel {

// The permitted floors as a person types them: ascending, runs of three or more as "a-b"
// ("1,3-5,24"); empty when no floor is permitted.
std::string FloorListText(const Floors& floors);
// The same list as it is read on paper: "1, 3–5, 24" (an en dash, UTF-8).
std::string PrintedFloorList(const Floors& floors);

// Reads such a list back: items "n" or "a-b" (a <= b) of floors 1 to 24, separated by ",", in
// any order and overlapping, with spaces around items. No result for empty text, an empty item,
// a floor out of range, a reversed range or anything but digits.
std::optional<Floors> ParseFloorList(std::string_view text);

}  // namespace qel
