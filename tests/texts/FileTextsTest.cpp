#include <gtest/gtest.h>

#include "texts/Texts.h"

namespace qel {
namespace {

TEST(FileTexts, DamageTextsAreCzechInBothLanguages) {
  for (Language language : {Language::Czech, Language::English}) {
    EXPECT_EQ(Tr(Text::FileDamaged, language), "Soubor je poškozen");
    EXPECT_EQ(TrFormat(Text::FileDamagedAt, language, 1001), "Soubor je poškozen na pozici 1001");
  }
  EXPECT_EQ(Tr(Text::FileLoaded, Language::Czech), "Soubor načten");
  EXPECT_EQ(Tr(Text::FileLoaded, Language::English), "File loaded");
  EXPECT_EQ(Tr(Text::DataExported, Language::Czech), "Data byla exportována do souboru");
  EXPECT_EQ(Tr(Text::DataExported, Language::English), "Data were exported to a file");
}

TEST(TrFormatStrings, FillsPlaceholdersInOrder) {
  EXPECT_EQ(TrFormat(Text::FileCannotCreate, Language::English, {"/a/b.kym", "Permission denied"}),
            "Cannot create the file /a/b.kym: Permission denied");
  EXPECT_EQ(TrFormat(Text::FileCannotCreate, Language::Czech, {"b.kym", "Permission denied"}),
            "Soubor b.kym nelze vytvořit: Permission denied");
  // A value holding "%s" is not expanded again; a missing value leaves its placeholder.
  EXPECT_EQ(TrFormat(Text::FileCannotOpen, Language::English, {"%s"}), "Cannot open the file %s: %s");
  EXPECT_EQ(TrFormat(Text::FileCannotOpen, Language::English, {"x", "%s", "extra"}),
            "Cannot open the file x: %s");
}

}  // namespace
}  // namespace qel
