// Loading the unit's key memory: where the load ends, what it keeps, and the silent unit.
#include <gtest/gtest.h>

#include <optional>

#include "link/UnitCommands.h"
#include "tests/support/KeyImages.h"
#include "tests/support/ScriptedRig.h"
#include "tests/support/UnitRig.h"

namespace qel {
namespace {

using namespace std::chrono_literals;
using test::MemoryWithKeys;
using test::UnitRig;

// Every record used, none erased: the last `erasedTail` bytes erased, or with none the last
// byte odd.
std::array<std::uint8_t, kImageSize> FullMemory(std::size_t erasedTail) {
  std::array<std::uint8_t, kImageSize> memory;
  memory.fill(0x31);
  memory.back() = 0xEE;
  std::fill(memory.end() - static_cast<std::ptrdiff_t>(erasedTail), memory.end(), 0xFF);
  return memory;
}

// A load ends at the first erased record, which must have arrived whole: with 15-byte records
// the record at loadedBytes / 15 is never complete after a tick. Record sizes that leave a
// cut-short record in the image's tail (100, 250) and one that does not (128) end on erased
// bytes all the same. A full memory runs to the last byte but one, at most 950 bytes a second.
TEST(KeyLoad, EndsAtTheFirstErasedRecordAndListsTheKeys) {
  struct Row {
    int recordSize;
    int keys;  // -1: a full memory
    std::size_t erasedTail;
    std::size_t marks;
    std::size_t rows;
  };
  for (const Row& row :
       {Row{100, 3, 0, 1, 3}, Row{100, 0, 0, 1, 0}, Row{15, 10, 0, 1, 10}, Row{100, -1, 0, 69, 654},
        Row{100, -1, 128, 69, 654}, Row{128, -1, 128, 69, 511}, Row{250, -1, 128, 69, 261}}) {
    SCOPED_TRACE(testing::Message() << row.recordSize << " " << row.keys << " " << row.erasedTail);
    UnitRig rig;
    const auto memory = row.keys < 0 ? FullMemory(row.erasedTail) : MemoryWithKeys(row.recordSize, row.keys);
    rig.AddUnit(1, {.recordSize = row.recordSize}).LoadMemory(memory);
    ASSERT_TRUE(rig.Connect({4719, 1, 1, 1}));
    EXPECT_EQ(rig.view.LogLines()[0], "Loading keys completed ");
    EXPECT_EQ(rig.view.LogLines()[1], std::string(row.marks, '*'));
    const bool stopped = row.keys >= 0 || row.erasedTail > 0;
    EXPECT_EQ(rig.device.WrittenBytes().back() == unit::kStop, stopped);
    EXPECT_EQ(rig.controller.image().Bytes()[65534], memory[65534]);
    EXPECT_EQ(rig.controller.image().Bytes()[65535], 0xFF);  // never written by a load: erased
    EXPECT_EQ(rig.view.Buttons(), Sequencer::kConnectedCommands);
    ASSERT_EQ(rig.view.rows.size(), row.rows);
    if (row.keys < 0) continue;
    EXPECT_EQ(rig.controller.image().FirstFreeSlot(), row.keys);
    if (row.keys == 0) continue;
    EXPECT_EQ(rig.view.rows.back().id, row.keys - 1);
    EXPECT_EQ(rig.view.rows.back().comment, row.recordSize > 15 ? "Key " + std::to_string(row.keys - 1) : "");
  }
}

// A load cut short lists the records that came whole and says so above the list, in the language
// of the moment, until a load runs to its end.
TEST(KeyLoad, ALoadCutShortSaysSoUntilTheNextWholeLoad) {
  UnitRig rig;
  rig.AddUnit(1).LoadMemory(MemoryWithKeys(100, 20));
  rig.unit->SetFaults(test::DeadAt(unit::kReadMemory, 1010));  // in record 10
  EXPECT_FALSE(rig.Connect({4719, 1, 1, 1}));
  EXPECT_EQ(rig.view.rows.size(), 10u);
  EXPECT_EQ(rig.view.loadCutShort, "Keys shown: 10; the load was cut short: connect again to see all");
  rig.controller.ToggleLanguage();
  EXPECT_EQ(rig.view.loadCutShort,
            "Zobrazeno klíčů: 10; načítání bylo přerušeno: pro zobrazení všech se připojte znovu");
  rig.AddUnit(1).LoadMemory(MemoryWithKeys(100, 20));
  ASSERT_TRUE(rig.Connect({4719, 1, 1, 1}));
  EXPECT_EQ(rig.view.rows.size(), 20u);
  EXPECT_EQ(rig.view.loadCutShort, "");
}

// Against a scripted line, where each tick's bytes are exact.
class ScriptedLoad : public ::testing::Test, protected test::ScriptedRig {
 protected:
  // Starts a load and serves one chunk of `memory` per tick.
  void Load(const std::array<std::uint8_t, kImageSize>& memory, const std::vector<int>& chunks) {
    device.ClearWritten();
    controller.LoadKeys();
    std::size_t offset = 0;
    for (int size : chunks) {
      if (size > 0)
        device.QueueReply(std::vector<std::uint8_t>(memory.begin() + offset, memory.begin() + offset + size));
      offset += size;
      ASSERT_TRUE(TickOf(OperationKind::KeyLoad));
    }
  }
};

// Each block's whole records are listed as it arrives, after the rows before them, and the bar
// counts the keys so far against the most the memory holds; what the list showed before goes as
// the load begins.
TEST_F(ScriptedLoad, ListsEachBlocksRecordsAsTheyArrive) {
  Load(MemoryWithKeys(100, 3), {950});
  ASSERT_EQ(view.rows.size(), 3u);
  const auto memory = MemoryWithKeys(100, 20);
  controller.LoadKeys();
  EXPECT_TRUE(view.rows.empty());
  struct Step {
    int bytes;
    std::size_t rows;
    const char* bar;
  };
  std::size_t offset = 0;
  for (const Step& step :
       {Step{99, 0, "Loading keys: 0 (at most 654)"}, Step{851, 9, "Loading keys: 9 (at most 654)"},
        Step{950, 19, "Loading keys: 19 (at most 654)"}, Step{950, 20, "Loading keys: 20 (at most 654)"}}) {
    SCOPED_TRACE(step.bytes);
    device.QueueReply(
        std::vector<std::uint8_t>(memory.begin() + offset, memory.begin() + offset + step.bytes));
    offset += static_cast<std::size_t>(step.bytes);
    ASSERT_TRUE(TickOf(OperationKind::KeyLoad));
    EXPECT_EQ(view.rows.size(), step.rows);
    EXPECT_EQ(view.progress.back().what, step.bar);
  }
  EXPECT_TRUE(Runs(OperationKind::Watchdog));
  for (std::size_t i = 0; i < view.rows.size(); ++i) EXPECT_EQ(view.rows[i].id, static_cast<int>(i));
}

// In descending order the keys that arrive go ahead of those listed, and the key the view selects
// stays selected on its new row, through the load's end.
TEST_F(ScriptedLoad, InAnotherOrderTheKeysTakeTheirPlacesAndTheSelectionStays) {
  controller.SortKeyList(KeySortColumn::Id);
  ASSERT_EQ(controller.selection().order(), (KeyOrder{KeySortColumn::Id, true}));
  const auto memory = MemoryWithKeys(100, 20);
  Load(memory, {950});
  ASSERT_EQ(view.rows.size(), 9u);
  view.selected = 5;  // key 3
  for (const std::size_t offset : {950u, 1900u}) {
    device.QueueReply(std::vector<std::uint8_t>(memory.begin() + offset, memory.begin() + offset + 950));
    ASSERT_TRUE(TickOf(OperationKind::KeyLoad));
  }
  ASSERT_TRUE(Runs(OperationKind::Watchdog));
  ASSERT_FALSE(view.rows.empty());
  for (std::size_t i = 1; i < view.rows.size(); ++i) EXPECT_GT(view.rows[i - 1].id, view.rows[i].id);
  ASSERT_TRUE(view.selected);
  EXPECT_EQ(view.rows[static_cast<std::size_t>(*view.selected)].id, 3);
}

// A filter set before the load: the summary counts the keys found and those arrived as they come.
TEST_F(ScriptedLoad, TheFilterSummaryCountsTheKeysArrivedSoFar) {
  controller.SetKeyFilter("Key 1");
  Load(MemoryWithKeys(100, 20), {950, 950});
  EXPECT_EQ(view.filterSummary, "Keys shown: 10 of 19");
}

// Bytes left by an earlier load do not end the next one early; a load ends only once the erased
// record has arrived; a tick with nothing received is error 650 with the list refilled.
TEST_F(ScriptedLoad, EndsOnTheErasedRecordOfThisLoadOnlyOnceItArrived) {
  // The first load leaves records 19 to 28 erased in the image.
  Load(MemoryWithKeys(100, 19), {950, 950, 950});
  ASSERT_TRUE(Runs(OperationKind::Watchdog));
  ASSERT_EQ(view.rows.size(), 19u);
  // The second unit has 30 keys. After the second tick 1900 bytes have arrived: record 19
  // (offsets 1900 to 1999) has not, and still holds the first load's 0xFF.
  Load(MemoryWithKeys(100, 30), {950, 950, 950, 950});
  EXPECT_EQ(view.rows.size(), 30u);
  EXPECT_TRUE(Runs(OperationKind::Watchdog));
  EXPECT_EQ(device.written().back(), unit::kStop);
  // 214 bytes: record 2's first 14 bytes only. Zeros still stand where its 15th byte goes.
  const auto two = MemoryWithKeys(100, 2);
  Load(two, {214});
  EXPECT_TRUE(Runs(OperationKind::KeyLoad));
  Load(two, {215});
  EXPECT_TRUE(Runs(OperationKind::Watchdog));
  EXPECT_EQ(view.rows.size(), 2u);

  Load(MemoryWithKeys(100, 20), {950, 0});
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0].text, "Error no. 650 - QEL disconnected");
  EXPECT_EQ(view.rows.size(), 10u);  // records 0 to 8 whole, record 9 up to its comment
  EXPECT_EQ(timers.RunningCount(), 0);
  EXPECT_EQ(view.Buttons(), Sequencer::kDisconnectedCommands);
  EXPECT_FALSE(device.IsOpen());
  EXPECT_EQ(view.LogLines()[1], "**");
}

}  // namespace
}  // namespace qel
