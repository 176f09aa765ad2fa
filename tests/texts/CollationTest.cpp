#include <gtest/gtest.h>

#include <string>

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
                         Row{"Ryba", "Řezník"},          // ř after r
                         Row{"Svoboda", "Šimek"},        // š after s
                         Row{"Zuzana", "Žák"},           // ž after z
                         Row{"Hudec", "Chalupa"},        // ch after h
                         Row{"Cyril", "Chalupa"},        // ch is no c
                         Row{"Ábel", "Adam"},            // á with a: the next letter decides
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

}  // namespace
}  // namespace qel
