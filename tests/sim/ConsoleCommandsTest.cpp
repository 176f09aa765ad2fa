#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "keystore/KeyCode.h"
#include "sim/ConsoleCommands.h"

namespace qel::sim::test {
namespace {

using namespace std::chrono_literals;

const KeyCode kEight = *KeyCodeFromText("E9CDAB8967452301");
const KeyCode kTwelve = *KeyCodeFromText("0123456789ab");

TEST(ConsoleCommands, ParsesGoodLinesAndRefusesBadOnes) {
  const std::pair<std::string_view, ConsoleCommand> good[] = {
      {"hold 12", HoldCommand{StoredKeyId{12}, 3s}},
      {"  hold\t0 7\r", HoldCommand{StoredKeyId{0}, 7s}},
      {"hold new8 1", HoldCommand{NewKey::EightByte, 1s}},
      {"hold new12 3600", HoldCommand{NewKey::TwelveChar, 3600s}},
      {"hold 0123456789AB", HoldCommand{kTwelve, 3s}},
      {"hold E9CDAB8967452301 2", HoldCommand{kEight, 2s}},
      {"release", ReleaseCommand{}},
      {"keys", KeysCommand{}},
      {"help", HelpCommand{}},
      {" \t", std::monostate{}},
  };
  for (const auto& [line, command] : good) {
    const ParsedLine parsed = ParseConsoleLine(line);
    EXPECT_EQ(parsed.command, command) << line;
    EXPECT_EQ(parsed.error, "") << line;
  }
  // Digits whose XOR is not 0, a wrong CRC, durations out of range, other words.
  for (const std::string_view line : {"hold", "hold 1 0", "hold 1 3601", "hold 12345", "hold 0123456789AC",
                                      "hold 0100000000000000", "hold new9", "HOLD 1", "release now"}) {
    const ParsedLine parsed = ParseConsoleLine(line);
    EXPECT_EQ(parsed.command, std::nullopt) << line;
    EXPECT_NE(parsed.error, "") << line;
  }
}

TEST(ConsoleCommands, ChoosesAStoredKeyByIdOrANewValidKeyOfTheForm) {
  const std::vector<StoredKey> keys{{4, kTwelve, "0123456789AB", "Lift"}, {9, kEight, "", ""}};
  std::mt19937 random(5);
  EXPECT_EQ(ChooseKey(StoredKeyId{4}, keys, random), kTwelve);
  EXPECT_EQ(ChooseKey(StoredKeyId{9}, keys, random), kEight);
  EXPECT_EQ(ChooseKey(StoredKeyId{5}, keys, random), std::nullopt);
  EXPECT_EQ(ChooseKey(kEight, {}, random), kEight);
  EXPECT_TRUE(IsValidEightByteCode(ChooseKey(NewKey::EightByte, keys, random).value_or(KeyCode{})));
  EXPECT_TRUE(IsValidTwelveCharCode(ChooseKey(NewKey::TwelveChar, keys, random).value_or(KeyCode{})));
}

}  // namespace
}  // namespace qel::sim::test
