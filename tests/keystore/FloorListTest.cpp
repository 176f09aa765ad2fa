#include <gtest/gtest.h>

#include <tuple>

#include "keystore/FloorList.h"

namespace qel {
namespace {

TEST(FloorList, ReadsTypedListsAndWritesRunsOfThree) {
  // What is typed, the floors it means, and how they are written back.
  for (const auto& [typed, floors, written] :
       std::initializer_list<std::tuple<std::string_view, Floors, std::string_view>>{
           {"1,3-5,24", {0x1D, 0x00, 0x80}, "1,3-5,24"},
           {"1-24", {0xFF, 0xFF, 0xFF}, "1-24"},
           {"7-9,11-13,15,16", {0xC0, 0xDD, 0x00}, "7-9,11-13,15,16"},
           {" 16 , 8-9,7 ", {0xC0, 0x81, 0x00}, "7-9,16"},
           {"23-24,1-2,22", {0x03, 0x00, 0xE0}, "1,2,22-24"},
           {"4-6,5-8,6-6", {0xF8, 0x00, 0x00}, "4-8"},
           {"09,010", {0x00, 0x03, 0x00}, "9,10"},
       }) {
    EXPECT_EQ(ParseFloorList(typed), floors) << typed;
    EXPECT_EQ(FloorListText(floors), written) << typed;
  }
  EXPECT_EQ(FloorListText({}), "");
  for (std::string_view text : {"", " ", "1,,2", "1,", ",1", "0", "25", "1-25", "0-3", "5-3", "3-5-7", "-3",
                                "+3", "3-", "1 2", "1;2", "3 - 5", "a", "100000000000"}) {
    EXPECT_EQ(ParseFloorList(text), std::nullopt) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace qel
