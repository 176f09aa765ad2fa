#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "texts/Collation.h"

namespace qel {
namespace {

// Each row: two texts, the first of which sorts strictly before the second.
TEST(CompareCzech, OrdersAsACzechDictionary) {
  struct Row {
    const char* before;
    const char* after;
  };
  for (const Row& row : {Row{"Cyril", "Čapek"},          // č a letter of its own after c
                         Row{"Čapek", "Dvořák"},         // and before d
                         Row{"Ryba", "Řezník"},          // ř after r
                         Row{"Řezník", "Sova"},          // before s
                         Row{"Svoboda", "Šimek"},        // š after s
                         Row{"Zuzana", "Žák"},           // ž after z
                         Row{"Hudec", "Chalupa"},        // ch after h
                         Row{"Chalupa", "Ivan"},         // and before i
                         Row{"Cyril", "Chalupa"},        // ch is no c
                         Row{"Ábel", "Bára"},            // á sorts with a
                         Row{"Ábel", "Adam"},            // so the next letter decides
                         Row{"Dana", "Ďas"},             // ď with d
                         Row{"Ťoupal", "Tuma"},          // ť with t
                         Row{"kura", "kůra"},            // a tie: the plain letter first
                         Row{"kúra", "kůra"},            // the acute before the ring
                         Row{"Novák Petr", "Nováková"},  // a space before a letter
                         Row{"novák", "Novák"},          // a tie without case: small first
                         Row{"NOVÁK", "Nováková"},       // case only on a tie
                         Row{"ch", "Ch"},                // ch with its capital too
                         Row{"čáp", "Čáp"},              // and a marked letter
                         Row{"Byt 9", "Byt A"},          // digits before letters
                         Row{"Byt 2", "Byt2"},           // a space before a digit
                         Row{"", "a"},                   // the shorter first
                         Row{"Byt", "Byt 1"}}) {
    SCOPED_TRACE(std::string(row.before) + " < " + row.after);
    EXPECT_EQ(CompareCzech(row.before, row.after), std::strong_ordering::less);
    EXPECT_EQ(CompareCzech(row.after, row.before), std::strong_ordering::greater);
  }
  EXPECT_EQ(CompareCzech("Čapek", "Čapek"), std::strong_ordering::equal);
}

TEST(CompareCzech, SortKeysGiveTheSameOrder) {
  std::vector<std::string> names{"Žák", "chata", "Cyril", "čáp", "Hora", "Adam", "Ábel", "řada", "Rak"};
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return MakeCzechSortKey(a) < MakeCzechSortKey(b);
  });
  EXPECT_EQ(names, (std::vector<std::string>{"Ábel", "Adam", "Cyril", "čáp", "Hora", "chata", "Rak", "řada",
                                             "Žák"}));
}

}  // namespace
}  // namespace qel
