// Loading the unit's key memory: where the load ends, what it keeps, and the silent unit.
#include <gtest/gtest.h>

#include <algorithm>

#include "link/UnitCommands.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/KeyImages.h"
#include "tests/support/ScriptedRig.h"
#include "tests/support/UnitRig.h"

namespace qel {
namespace {

using namespace std::chrono_literals;
using test::MemoryWithKeys;
using test::UnitRig;

// --- Against the simulated unit -------------------------------------------------------------

TEST(KeyLoad, EndsAtTheFirstErasedRecordAndListsTheKeys) {
  UnitRig rig;
  rig.AddUnit(1).LoadMemory(MemoryWithKeys(100, 3));
  ASSERT_TRUE(rig.Connect({4719, 1, 1, 1}));

  ASSERT_EQ(rig.view.rows.size(), 3u);
  EXPECT_EQ(rig.view.rows[2].id, 2);
  EXPECT_EQ(rig.view.rows[2].comment, "Key 2");
  EXPECT_EQ(rig.view.LogLines()[0], "Loading keys completed ");
  EXPECT_EQ(rig.view.LogLines()[1], "*");
  EXPECT_EQ(rig.device.WrittenBytes().back(), unit::kStop);
  EXPECT_EQ(rig.controller.image().FirstFreeSlot(), 3);
  EXPECT_EQ(rig.view.Buttons(), Sequencer::kConnectedCommands);
}

TEST(KeyLoad, AUnitWithNoKeysEndsOnTheFirstTick) {
  UnitRig rig;
  rig.AddUnit(1);
  ASSERT_TRUE(rig.Connect({4719, 1, 1, 1}));
  EXPECT_TRUE(rig.view.rows.empty());
  EXPECT_EQ(rig.view.LogLines()[1], "*");
}

TEST(KeyLoad, FifteenByteRecordsEndAtTheErasedRecordToo) {
  // With 15-byte records the record at loadedBytes / 15 is never complete after a tick, so
  // only a record that has arrived can tell where the keys end.
  UnitRig rig;
  rig.AddUnit(1, {.recordSize = 15}).LoadMemory(MemoryWithKeys(15, 10));
  ASSERT_TRUE(rig.Connect({4719, 1, 1, 1}));
  EXPECT_EQ(rig.view.rows.size(), 10u);
  EXPECT_EQ(rig.view.LogLines()[1], "*");
}

TEST(KeyLoad, FullMemoryRunsToTheLastByteButOneAndSendsNoStop) {
  UnitRig rig;
  std::array<std::uint8_t, kImageSize> memory;
  memory.fill(0x31);  // every record used, none erased
  memory.back() = 0xEE;
  rig.AddUnit(1).LoadMemory(memory);
  ASSERT_TRUE(rig.Connect({4719, 1, 1, 1}));

  EXPECT_EQ(rig.view.rows.size(), 654u);
  EXPECT_EQ(rig.controller.image().Bytes()[65534], 0x31);
  EXPECT_EQ(rig.controller.image().Bytes()[65535], 0xFF);  // never written by a load: erased
  EXPECT_NE(rig.device.WrittenBytes().back(), unit::kStop);
  const std::string marks = rig.view.LogLines()[1];
  // At most 950 bytes a second: no fewer ticks than the byte count needs, and no more.
  EXPECT_EQ(marks.size(), 69u);
  EXPECT_EQ(marks.find_first_not_of('*'), std::string::npos);
}

TEST(KeyLoad, FullMemoryEndingInErasedBytesSendsTheStop) {
  // Record sizes that leave a cut-short record in the image's tail (100, 250) and one that does
  // not (128): either way the load ends on erased bytes.
  for (const int recordSize : {100, 128, 250}) {
    UnitRig rig;
    std::array<std::uint8_t, kImageSize> memory;
    memory.fill(0x31);
    std::fill(memory.end() - 128, memory.end(), 0xFF);
    rig.AddUnit(1, {.recordSize = recordSize}).LoadMemory(memory);
    ASSERT_TRUE(rig.Connect({4719, 1, 1, 1})) << recordSize;
    EXPECT_EQ(rig.device.WrittenBytes().back(), unit::kStop) << recordSize;
    EXPECT_EQ(rig.view.LogLines()[1].size(), 69u) << recordSize;
  }
}

TEST(KeyLoad, SilentUnitPartWayDropsTheLinkWithTheKeysReceivedSoFar) {
  UnitRig rig;
  sim::Faults faults;
  faults.silence = sim::Faults::Silence{unit::kReadMemory, 0, 2000};
  sim::SimulatedUnit& unit = rig.AddUnit(1);
  unit.LoadMemory(MemoryWithKeys(100, 40));
  unit.SetFaults(faults);
  EXPECT_FALSE(rig.Connect({4719, 1, 1, 1}, 30s));

  ASSERT_EQ(rig.view.boxes.size(), 1u);
  EXPECT_EQ(rig.view.boxes[0].text, "Error no. 650 - QEL disconnected");
  EXPECT_EQ(rig.view.rows.size(), 20u);
  EXPECT_EQ(rig.view.Buttons(), Sequencer::kDisconnectedCommands);
}

// --- Against a scripted line, where each tick's bytes are exact ----------------------------

class ScriptedLoad : public ::testing::Test, protected test::ScriptedRig {
 protected:
  // Starts a load and serves one chunk of `memory` per tick.
  void Load(const std::array<std::uint8_t, kImageSize>& memory, const std::vector<int>& chunks) {
    device.ClearWritten();
    controller.StartKeyLoad();
    std::size_t offset = 0;
    for (int size : chunks) {
      if (size > 0) {
        device.QueueReply(std::vector<std::uint8_t>(memory.begin() + offset, memory.begin() + offset + size));
        offset += size;
      }
      ASSERT_EQ(Tick(), kKeyLoadTimer);
    }
  }
};

TEST_F(ScriptedLoad, BytesLeftByAnEarlierLoadDoNotEndTheNextOneEarly) {
  // The first load leaves records 19 to 28 erased in the image.
  Load(MemoryWithKeys(100, 19), {950, 950, 950});
  ASSERT_TRUE(timers.IsRunning(kWatchdogTimer));
  ASSERT_EQ(view.rows.size(), 19u);

  // The second unit has 30 keys. After the second tick 1900 bytes have arrived: record 19
  // (offsets 1900 to 1999) has not, and still holds the first load's 0xFF.
  Load(MemoryWithKeys(100, 30), {950, 950, 950, 950});
  EXPECT_EQ(view.rows.size(), 30u);
  EXPECT_TRUE(timers.IsRunning(kWatchdogTimer));
  EXPECT_EQ(device.written().back(), unit::kStop);
}

TEST_F(ScriptedLoad, EndsOnlyOnceTheErasedRecordHasArrived) {
  const auto memory = MemoryWithKeys(100, 2);
  // 214 bytes: record 2's first 14 bytes only. Zeros still stand where its 15th byte goes.
  Load(memory, {214});
  EXPECT_TRUE(timers.IsRunning(kKeyLoadTimer));
  Load(memory, {215});
  EXPECT_TRUE(timers.IsRunning(kWatchdogTimer));
  EXPECT_EQ(view.rows.size(), 2u);
}

TEST_F(ScriptedLoad, NothingReceivedIsErrorSixFiftyWithTheListRefilled) {
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
