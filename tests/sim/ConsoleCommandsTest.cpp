#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "keystore/KeyCode.h"
#include "sim/ConsoleCommands.h"

namespace qel::sim::test {
namespace {

using namespace std::chrono_literals;

const KeyCode kEight = [] {
  KeyCode code{0x01, 0xB8, 0x1C, 0x02, 0x5D, 0x00, 0x33};
  code[7] = Crc8Maxim(std::span(code).first(7));
  return code;
}();
const KeyCode kTwelve = *KeyCodeFromText("0123456789ab");

TEST(ConsoleCommands, ParsesGoodLinesAndRefusesBadOnes) {
  struct Case {
    std::string line;
    std::optional<ConsoleCommand> command;  // none: refused
  };
  const std::vector<Case> cases{
      {"hold 12", HoldCommand{StoredKeyId{12}, 3s}},
      {"  hold\t0 7\r", HoldCommand{StoredKeyId{0}, 7s}},
      {"hold new8 1", HoldCommand{NewKey::EightByte, 1s}},
      {"hold new12 3600", HoldCommand{NewKey::TwelveChar, 3600s}},
      {"hold 0123456789AB", HoldCommand{kTwelve, 3s}},
      {"hold " + KeyCodeToText(kEight) + " 2", HoldCommand{kEight, 2s}},
      {"release", ReleaseCommand{}},
      {"keys", KeysCommand{}},
      {"help", HelpCommand{}},
      {" \t", std::monostate{}},
      {"hold", std::nullopt},
      {"hold 1 0", std::nullopt},
      {"hold 1 3601", std::nullopt},
      {"hold 12345", std::nullopt},
      {"hold 0123456789AC", std::nullopt},      // digits whose XOR is not 0
      {"hold 0100000000000000", std::nullopt},  // wrong CRC
      {"hold new9", std::nullopt},
      {"HOLD 1", std::nullopt},
      {"release now", std::nullopt},
  };
  for (const Case& c : cases) {
    const ParsedLine parsed = ParseConsoleLine(c.line);
    EXPECT_EQ(parsed.command, c.command) << c.line;
    EXPECT_EQ(parsed.error.empty(), c.command.has_value()) << c.line << ": " << parsed.error;
  }
}

TEST(ConsoleCommands, ChoosesAStoredKeyByIdOrANewValidKeyOfTheForm) {
  const std::vector<StoredKey> keys{{4, kTwelve, "0123456789AB", "Lift"}, {9, kEight, "", ""}};
  std::mt19937 random(5);
  EXPECT_EQ(ChooseKey(StoredKeyId{4}, keys, random), kTwelve);
  EXPECT_EQ(ChooseKey(StoredKeyId{9}, keys, random), kEight);
  EXPECT_EQ(ChooseKey(StoredKeyId{5}, keys, random), std::nullopt);
  EXPECT_EQ(ChooseKey(kEight, {}, random), kEight);
  const auto eight = ChooseKey(NewKey::EightByte, keys, random);
  ASSERT_TRUE(eight);
  EXPECT_TRUE(IsValidEightByteCode(*eight));
  const auto twelve = ChooseKey(NewKey::TwelveChar, keys, random);
  ASSERT_TRUE(twelve);
  EXPECT_TRUE(IsValidTwelveCharCode(*twelve));
}

}  // namespace
}  // namespace qel::sim::test
