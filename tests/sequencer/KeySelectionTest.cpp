// The selection's own decisions, without a view.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "controller/KeySelection.h"
#include "tests/support/KeyImages.h"

namespace qel {
namespace {

// After the steps on records 0-3 ("Key 0" to "Key 3"), listed unfiltered with row 1 picked: "Hn"
// the key of record n held at the reader, "Kn" another key in record n, "C" a command ran,
// "text@row" a filter typed while the list selects that row (none after a bare @), the list
// refilled. Then: the highlighted row, the floors shown with row 1 selected, and the row a hidden
// pick comes back on.
TEST(KeySelection, DecidesTheHighlightTheFloorsAndTheComebackOfAHiddenPick) {
  struct Row {
    const char* name;
    std::vector<std::string> steps;
    std::optional<int> highlightedRow, floors, pickBack;
  };
  for (const Row& row : {Row{"a key held over a row", {"H2"}, 2, 2, {}},
                         Row{"another key in its record", {"H2", "K2", "@"}, {}, 1, {}},
                         Row{"a hidden pick", {"key 3@1", "@"}, {}, 1, 1},
                         Row{"after a command", {"C", "key 3@1", "@"}, {}, 1, {}},
                         Row{"its record rekeyed", {"key 3@1", "K1", "@"}, {}, 1, {}},
                         Row{"shown, then let go", {"key@1", "key 3@", "@"}, {}, 1, {}}}) {
    SCOPED_TRACE(row.name);
    KeyMemoryImage image;
    image.Replace(test::MemoryWithKeys(100, 4), 100);
    KeySelection selection;
    selection.Refill(image.BuildKeyList(), image);
    selection.Pick();
    for (const std::string& step : row.steps) {
      if (const std::size_t at = step.find('@'); at != std::string::npos) {
        const std::string selected = step.substr(at + 1);
        selection.SetFilter(step.substr(0, at),
                            selected.empty() ? std::nullopt : std::optional(std::stoi(selected)), image);
        selection.Refill(image.BuildKeyList(selection.filter()), image);
      } else if (step[0] == 'H') {
        selection.ReaderReport(true, test::EightByteCode(std::stoi(step.substr(1)) + 1), image);
      } else if (step[0] == 'K') {
        image.StoreRecord(std::stoi(step.substr(1)), test::EightByteCode(50), {}, "Key new");
      } else {
        selection.ForgetPick();
      }
    }
    EXPECT_EQ(selection.highlightedRow(), row.highlightedRow);
    EXPECT_EQ(selection.FloorsRecord(1), row.floors);
    EXPECT_EQ(selection.RowOfPick(image), row.pickBack);
  }
}

// Records 0-3 named "Žák", "Čapek", "Cyril", "Dvořák", clicked through the headers with row 1
// selected before each click and record 0's key at the reader: the IDs of the rows shown. The
// key selected and the highlighted key keep their rows, and a command hits the key a row shows.
TEST(KeySelection, SortsByTheClickedHeaderAndFollowsTheKeys) {
  struct Row {
    const char* name;
    std::vector<KeySortColumn> clicks;
    std::vector<int> ids;
  };
  using enum KeySortColumn;
  for (const Row& row : {Row{"as loaded", {}, {0, 1, 2, 3}}, Row{"by comment", {Comment}, {2, 1, 3, 0}},
                         Row{"by comment reversed", {Comment, Comment}, {0, 3, 1, 2}},
                         Row{"by ID reversed", {Id}, {3, 2, 1, 0}}, Row{"by code", {Code}, {3, 1, 2, 0}}}) {
    SCOPED_TRACE(row.name);
    KeyMemoryImage image;
    image.Replace(test::MemoryWithKeys(100, 4), 100);
    const std::vector<std::string> comments{"\x8E\xE1k", "\xC8\x61pek", "Cyril", "Dvo\xF8\xE1k"};
    for (int i = 0; i < 4; ++i)
      image.StoreRecord(i, image.KeyCodeAt(i), image.FloorsAt(i), comments[static_cast<std::size_t>(i)]);
    KeySelection selection;
    std::vector<KeyListRow> shown = selection.Refill(image.BuildKeyList(), image);
    selection.ReaderReport(true, image.KeyCodeAt(0), image);
    for (const KeySortColumn column : row.clicks) {
      const std::optional<int> selectedRecord = selection.RowToRecord(1);
      selection.SortBy(column, 1, image);
      shown = selection.Refill(image.BuildKeyList(), image);
      const std::optional<int> selectedAgain = selection.RowOfRemembered(image);
      ASSERT_TRUE(selectedAgain);
      EXPECT_EQ(selection.RowToRecord(*selectedAgain), selectedRecord);
    }
    std::vector<int> ids;
    for (const KeyListRow& listed : shown) ids.push_back(listed.id);
    EXPECT_EQ(ids, row.ids);
    EXPECT_EQ(selection.highlightedRow(), std::find(ids.begin(), ids.end(), 0) - ids.begin());
    selection.Pick();
    EXPECT_EQ(selection.Target(2, image), row.ids[2]);
    EXPECT_EQ(selection.RecordToRow(row.ids[3]), 3);
  }
}

}  // namespace
}  // namespace qel
