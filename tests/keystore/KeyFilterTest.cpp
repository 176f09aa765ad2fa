#include <gtest/gtest.h>

#include "keystore/KeyFilter.h"
#include "texts/Cp1250.h"

namespace qel {
namespace {

TEST(KeyFilter, FindsCommentsAndCodesWhateverTheCaseAndDiacritics) {
  struct Case {
    const char* comment;  // UTF-8 here, Windows-1250 in the image
    const char* code;
    const char* typed;
    bool found;
  };
  const Case cases[] = {
      {"Novák", "A200000001B81C02", "novak", true},
      {"Novák", "", "NOV", true},
      {"NOVÁK", "", "nová", true},
      {"Novák", "A200000001B81C02", "novy", false},
      {"ÁÄČĎÉĚÍĽĹŁŇÓÔÖŐŔŘŚŠŤÚŮÜŰÝŹŻŽĄĘĆŃŞŢĂÂÎĐÇË", "", "aacdeeilllnoooorrsstuuuuyzzzaecnstaaidce", true},
      {"áäčďéěíľĺłňóôöőŕřśšťúůüűýźżžąęćńşţăâîđçë", "", "AACDEEILLLNOOOORRSSTUUUUYZZZAECNSTAAIDCE", true},
      {"Straße", "", "STRASSE", true},
      {"A–B", "", "a-b", false},
      {"", "A2000000519C3A01", "9c3a", true},
      {"", "0F5E4D3C2B1A", "5e4d", true},
      {"ab", "CD", "bc", false},
      {"", "", "", true},
      {"Novák", "", "ā", false},
  };
  for (const Case& c : cases) {
    const KeyFilter filter(c.typed);
    EXPECT_EQ(filter.Matches(Utf8ToCp1250(c.comment).bytes, c.code), c.found)
        << c.comment << " / " << c.typed;
    EXPECT_EQ(filter.IsEmpty(), *c.typed == '\0') << c.typed;
  }
}

}  // namespace
}  // namespace qel
