#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>

#include "keystore/KeyCode.h"

namespace qel {
namespace {

// A 1-Wire serial number: family 0x02, serial 0x000001B81C, CRC 0xA2.
constexpr KeyCode kOneWire{0x02, 0x1C, 0xB8, 0x01, 0x00, 0x00, 0x00, 0xA2, 0, 0, 0, 0};
constexpr std::string_view kOneWireText = "A200000001B81C02";
constexpr std::string_view kTwelveText = "A1B2C3D4E5F0";  // digits XOR to zero

std::string WithDigitChanged(std::string_view text, std::size_t position, char digit) {
  std::string changed(text);
  changed[position] = digit;
  return changed;
}

TEST(Crc8Maxim, MatchesTheCatalogueCheckValue) {
  const std::string check = "123456789";
  EXPECT_EQ(Crc8Maxim({reinterpret_cast<const std::uint8_t*>(check.data()), check.size()}), 0xA1);
  EXPECT_EQ(Crc8Maxim({}), 0x00);
}

TEST(Crc8Maxim, MatchesAKnownOneWireSerialNumber) {
  EXPECT_EQ(Crc8Maxim(std::span(kOneWire).first(7)), 0xA2);
  EXPECT_TRUE(IsValidEightByteCode(kOneWire));
}

TEST(EightByteCode, TextRunsFromByteSevenDownToByteZero) {
  EXPECT_EQ(KeyCodeToText(kOneWire), kOneWireText);
  EXPECT_EQ(KeyCodeFromText(kOneWireText), kOneWire);
  std::string lower(kOneWireText);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(KeyCodeFromText(lower), kOneWire);
}

TEST(EightByteCode, EveryOneDigitChangeFailsTheCheck) {
  for (std::size_t position = 0; position < kOneWireText.size(); ++position) {
    for (char digit : std::string_view("0123456789ABCDEF")) {
      if (digit == kOneWireText[position]) continue;
      EXPECT_EQ(KeyCodeFromText(WithDigitChanged(kOneWireText, position, digit)), std::nullopt)
          << "digit " << position << " changed to " << digit;
    }
  }
}

TEST(TwelveCharCode, IsStoredReversedInUppercaseAndShownAsTyped) {
  const auto code = KeyCodeFromText("a1b2c3d4e5f0");
  ASSERT_TRUE(code.has_value());
  const KeyCode expected{'0', 'F', '5', 'E', '4', 'D', '3', 'C', '2', 'B', '1', 'A'};
  EXPECT_EQ(*code, expected);
  EXPECT_TRUE(IsValidTwelveCharCode(*code));
  EXPECT_EQ(KeyCodeToText(*code), kTwelveText);
}

TEST(TwelveCharCode, EveryOneDigitChangeFailsTheCheck) {
  for (std::size_t position = 0; position < kTwelveText.size(); ++position) {
    for (char digit : std::string_view("0123456789ABCDEFabcdef")) {
      if (std::toupper(static_cast<unsigned char>(digit)) == kTwelveText[position]) continue;
      EXPECT_EQ(KeyCodeFromText(WithDigitChanged(kTwelveText, position, digit)), std::nullopt)
          << "digit " << position << " changed to " << digit;
    }
  }
}

TEST(TwelveCharCode, StoredBytesOutsideUppercaseHexAreInvalid) {
  KeyCode code{'0', 'F', '5', 'E', '4', 'D', '3', 'C', '2', 'B', '1', 'A'};
  ASSERT_TRUE(IsValidTwelveCharCode(code));
  code[1] = 'f';  // same digit value, but lowercase is never stored
  EXPECT_FALSE(IsValidTwelveCharCode(code));
  code[1] = 0x3A;
  EXPECT_FALSE(IsValidTwelveCharCode(code));
}

TEST(KeyCodeFromText, RejectsOtherLengthsAndCharacters) {
  for (std::string_view text : {"", "A1B2C3D4E5F", "A1B2C3D4E5F00", "A200000001B81C0", "A200000001B81C021",
                                "A1B2C3D4E5FG", "A1B2C3D4E5F ", " A200000001B81C0", "A200000001B81C0-"}) {
    EXPECT_EQ(KeyCodeFromText(text), std::nullopt) << '"' << text << '"';
  }
}

TEST(KeyCodeText, RoundTripsRandomCodesOfBothForms) {
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> digit(0, 15);
  for (int round = 0; round < 1000; ++round) {
    KeyCode eight{};
    for (int i = 0; i < 7; ++i) eight[i] = static_cast<std::uint8_t>(byte(random));
    eight[7] = Crc8Maxim(std::span(eight).first(7));
    ASSERT_EQ(KeyCodeFromText(KeyCodeToText(eight)), eight);

    KeyCode twelve{};
    int sum = 0;
    for (int i = 1; i < 12; ++i) {
      const int value = digit(random);
      sum ^= value;
      twelve[i] = static_cast<std::uint8_t>("0123456789ABCDEF"[value]);
    }
    twelve[0] = static_cast<std::uint8_t>("0123456789ABCDEF"[sum]);
    ASSERT_EQ(KeyCodeFromText(KeyCodeToText(twelve)), twelve);
  }
}

}  // namespace
}  // namespace qel
