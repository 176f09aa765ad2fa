#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "keystore/KeyCode.h"

namespace qel {
namespace {

// Between them the two texts hold every hex digit, so both directions meet each digit value.
struct CodeForm {
  std::string_view text;
  KeyCode code;
};
constexpr CodeForm kEightByte{"E9CDAB8967452301", {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xE9}};
constexpr CodeForm kTwelveChar{"A1B2C3D4E5F0", {'0', 'F', '5', 'E', '4', 'D', '3', 'C', '2', 'B', '1', 'A'}};

TEST(Crc8Maxim, MatchesTheCatalogueCheckValue) {
  const std::string check = "123456789";
  EXPECT_EQ(Crc8Maxim({reinterpret_cast<const std::uint8_t*>(check.data()), check.size()}), 0xA1);
}

TEST(KeyCodeText, BothFormsRoundTripInEitherCase) {
  for (const CodeForm& form : {kEightByte, kTwelveChar}) {
    SCOPED_TRACE(form.text);
    EXPECT_EQ(KeyCodeToText(form.code), form.text);
    EXPECT_EQ(KeyCodeFromText(form.text), form.code);
  }
  EXPECT_EQ(KeyCodeFromText("e9cdab8967452301"), kEightByte.code);
  EXPECT_EQ(KeyCodeFromText("a1b2c3d4e5f0"), kTwelveChar.code);
  EXPECT_TRUE(IsValidEightByteCode(kEightByte.code));
  EXPECT_TRUE(IsValidTwelveCharCode(kTwelveChar.code));
}

TEST(KeyCodeText, EveryOneDigitChangeFailsTheCheck) {
  for (const CodeForm& form : {kEightByte, kTwelveChar}) {
    for (std::size_t position = 0; position < form.text.size(); ++position) {
      for (char digit : std::string_view("0123456789ABCDEFabcdef")) {
        if (std::toupper(static_cast<unsigned char>(digit)) == form.text[position]) continue;
        std::string changed(form.text);
        changed[position] = digit;
        EXPECT_EQ(KeyCodeFromText(changed), std::nullopt) << changed;
      }
    }
  }
}

TEST(KeyCodeText, StoredTwelveCharBytesMustBeUppercaseHex) {
  KeyCode code = kTwelveChar.code;
  code[1] = 'f';  // same digit value, but lowercase is never stored
  EXPECT_FALSE(IsValidTwelveCharCode(code));
  code[1] = ':';  // the byte after '9'
  EXPECT_FALSE(IsValidTwelveCharCode(code));
}

TEST(KeyCodeText, RejectsOtherLengthsAndCharacters) {
  for (std::string_view text : {"", "A1B2C3D4E5F", "A1B2C3D4E5F00", "E9CDAB896745230", "E9CDAB89674523010",
                                "A1B2C3D4E5FG", "A1B2C3D4E5F ", " E9CDAB896745230", "E9CDAB896745230-"}) {
    EXPECT_EQ(KeyCodeFromText(text), std::nullopt) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace qel
