#include "keystore/FloorList.h"

namespace qel {
namespace {

constexpr int kTopFloor = 24;

// Digits only: from_chars would take a sign.
std::optional<int> ParseFloor(std::string_view text) {
  if (text.empty()) return std::nullopt;
  int floor = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    floor = 10 * floor + (c - '0');
    if (floor > kTopFloor) return std::nullopt;
  }
  if (floor < 1) return std::nullopt;
  return floor;
}

std::string_view TrimSpaces(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string JoinRuns(const Floors& floors, std::string_view separator, std::string_view dash) {
  std::string text;
  for (int floor = 1; floor <= kTopFloor; ++floor) {
    if (!FloorPermitted(floors, floor)) continue;
    int last = floor;
    while (last < kTopFloor && FloorPermitted(floors, last + 1)) ++last;
    if (!text.empty()) text += separator;
    text += std::to_string(floor);
    if (last - floor >= 2) {
      text += dash;
      text += std::to_string(last);
      floor = last;
    }
  }
  return text;
}

}  // namespace

std::string FloorListText(const Floors& floors) { return JoinRuns(floors, ",", "-"); }

std::string PrintedFloorList(const Floors& floors) { return JoinRuns(floors, ", ", "\u2013"); }

std::optional<Floors> ParseFloorList(std::string_view text) {
  Floors floors{};
  while (true) {
    const auto comma = text.find(',');
    const std::string_view item = TrimSpaces(text.substr(0, comma));
    const auto dash = item.find('-');
    const auto first = ParseFloor(item.substr(0, dash));
    const auto last = dash == std::string_view::npos ? first : ParseFloor(item.substr(dash + 1));
    if (!first || !last || *last < *first) return std::nullopt;
    for (int floor = *first; floor <= *last; ++floor) SetFloor(floors, floor, true);
    if (comma == std::string_view::npos) return floors;
    text.remove_prefix(comma + 1);
  }
}

}  // namespace qel
