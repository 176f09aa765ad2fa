// The import's judge: which keys of a file are added where, and which lines are skipped and why.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/KeyImport.h"
#include "tests/support/KeyImages.h"
#include "texts/Texts.h"

namespace qel {
namespace {

// The file's keys by seed (line 2 on, a comment of `comment` characters each) against a unit of
// record size 100 holding `held` keys, records `freed` deleted. The plan is written "L<line>@<id>"
// for a key added, "L<line>:held <id>", ":repeated <line>" or ":full" for a line skipped, and
// "long L<line>" for a comment the unit cannot hold.
TEST(KeyImport, PlansTheFreeRecordsAndSkipsWithAReason) {
  struct Row {
    const char* name;
    int held;
    std::vector<int> freed;
    std::vector<int> seeds;
    std::string plan;
    std::size_t comment = 5;
  };
  const int most = ListedRecordCount(100);
  for (const Row& row : {
           Row{"new keys take the free records in turn", 3, {}, {10, 11}, "L2@3 L3@4"},
           Row{"a deleted record is taken first", 3, {1}, {10, 11}, "L2@1 L3@3"},
           Row{"a key the unit holds", 3, {}, {2, 10}, "L2:held 1 L3@3"},
           Row{"a key repeated in the file", 3, {}, {10, 11, 10}, "L2@3 L3@4 L4:repeated 2"},
           Row{"no free record left",
               most - 1,
               {},
               {900, 901, 1},
               "L2@" + std::to_string(most - 1) + " L3:full L4:held 0"},
           Row{"a comment longer than the unit holds", 3, {}, {10, 11, 12}, "long L2 long L3 long L4", 86},
           Row{"a comment the unit just holds", 3, {}, {10}, "L2@3", 85},
       }) {
    SCOPED_TRACE(row.name);
    KeyMemoryImage image;
    image.Replace(test::MemoryWithKeys(100, row.held), 100);
    for (const int record : row.freed) image.ZeroKeyCode(record);
    image.BuildKeyList();
    std::vector<ImportedKey> keys;
    for (const int seed : row.seeds)
      keys.push_back(
          {static_cast<int>(keys.size()) + 2, test::EightByteCode(seed), {}, std::string(row.comment, 'c')});

    const ImportPlan plan = PlanImport(keys, image);
    std::vector<std::string> said(keys.size() + 2);
    for (const int line : plan.longComments) said[line] = "long L" + std::to_string(line);
    for (const PlannedKey& key : plan.keys)
      said[key.key.line] = "L" + std::to_string(key.key.line) + "@" + std::to_string(key.id);
    const char* reasons[] = {":held ", ":repeated ", ":full"};
    for (const ImportSkip& skip : plan.skipped)
      said[skip.key.line] = "L" + std::to_string(skip.key.line) + reasons[static_cast<int>(skip.reason)] +
                            (skip.other < 0 ? "" : std::to_string(skip.other));
    std::string shown;
    for (const std::string& part : said)
      if (!part.empty()) shown += (shown.empty() ? "" : " ") + part;
    EXPECT_EQ(shown, row.plan);
    EXPECT_EQ(plan.Ok(), row.comment <= 85);
  }
}

}  // namespace
}  // namespace qel
