#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "tests/support/ByteMatch.h"
#include "texts/Cp1250.h"
#include "texts/Texts.h"

namespace qel {
namespace {

using test::BytesEqual;

TEST(Cp1250, EveryByteRoundTripsAndDecodesToItsLetter) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const Cp1250Encoded back = Utf8ToCp1250(Cp1250ToUtf8(all));
  EXPECT_TRUE(back.Complete());
  EXPECT_TRUE(BytesEqual(all, back.bytes));
  EXPECT_EQ(Cp1250ToUtf8("Kl\xED\xE8 Koment\xE1\xF8 \x8A\x8E\x9A\x9E \xC8\xD8\xCC\xD9"),
            "Klíč Komentář ŠŽšž ČŘĚŮ");
  EXPECT_EQ(Cp1250ToUtf8("\x80\x84\x96\xA0\xFF"), "€„–\u00A0˙");
  // Bytes the code page leaves undefined come back as the C1 control of the same value.
  EXPECT_EQ(Cp1250ToUtf8("\x81\x83\x88\x90\x98"), "\u0081\u0083\u0088\u0090\u0098");
  EXPECT_EQ(Cp1250ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Cp1250, ReportsEachUnrepresentableOrMalformedCharacterOnce) {
  const Cp1250Encoded encoded = Utf8ToCp1250("Grüße ☺ 日 ☺ ł\u0080 😀");
  EXPECT_FALSE(encoded.Complete());
  EXPECT_TRUE(BytesEqual("Gr\xFC\xDF\x65    \xB3 ", encoded.bytes));
  EXPECT_EQ(encoded.unrepresented, (std::vector<char32_t>{U'☺', U'日', U'\u0080', U'😀'}));
  // Malformed UTF-8 is reported as the replacement character.
  for (std::string_view bad :
       {"\xC3", "\xC3(", "\xE2\x82", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"}) {
    EXPECT_EQ(Utf8ToCp1250(bad).unrepresented, (std::vector<char32_t>{0xFFFD}))
        << testing::PrintToString(std::string(bad));
  }
  EXPECT_EQ(Utf8ToCp1250("\xC3(").bytes, "(");
}

TEST(Cp1250, FirstUnstorableCharacterIsAControlTheUnitsEndMarkOrOutsideTheCodePage) {
  for (const auto& [text, found] :
       std::initializer_list<std::pair<std::string_view, std::optional<char32_t>>>{
           {"Dvořák € ß", std::nullopt}, {"a\tb", U'\t'}, {"Dům˙", U'˙'}, {"ł日", U'日'}}) {
    EXPECT_EQ(FirstUnstorableCharacter(text), found) << text;
  }
}

TEST(TrFormat, FillsPlaceholdersInOrderOnce) {
  EXPECT_EQ(TrFormatInts(Text::LiveClock, Language::English, {7, 3, 14, 9, 5, 10}), "2007-3-14 09:05:10");
  EXPECT_EQ(TrFormat(Text::FileCannotCreate, Language::Czech, {"b.kym", "Permission denied"}),
            "Soubor b.kym nelze vytvořit: Permission denied");
  // A value holding "%s" is not expanded again; a missing value leaves its placeholder.
  EXPECT_EQ(TrFormat(Text::FileCannotOpen, Language::English, {"%s"}), "Cannot open the file %s: %s");
  EXPECT_EQ(TrFormat(Text::FileCannotOpen, Language::English, {"x", "%s", "extra"}),
            "Cannot open the file x: %s");
}

}  // namespace
}  // namespace qel
