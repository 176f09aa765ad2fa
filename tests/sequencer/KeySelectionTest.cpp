// The selection's own decisions, without a view.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace qel
