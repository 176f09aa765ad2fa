// The link watchdog with its reader poll, and the key list that follows the reader and the
// operator.
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
using test::Bytes;
using test::BytesEqual;
using test::EightByteCode;

std::vector<std::uint8_t> ReaderReply(std::uint8_t status, const KeyCode& code) {
  std::vector<std::uint8_t> reply(1 + code.size());
  reply[0] = status;
  std::copy(code.begin(), code.end(), reply.begin() + 1);
  return reply;
}

// A connected window resting in the watchdog, with keys 0, 2 and 3 in its image (1 deleted).
class Watchdog : public ::testing::Test, protected test::ScriptedRig {
 protected:
  Watchdog() {
    for (int i : {0, 1, 2, 3}) {
      Floors floors{};
      SetFloor(floors, i + 1, true);
      SetFloor(floors, 24, true);
      controller.image().StoreRecord(i, EightByteCode(i + 1), floors, "k");
    }
    controller.image().ZeroKeyCode(1);
    controller.RefillKeyList();
    controller.sequencer().commandEnabled = Sequencer::kConnectedCommands;
    controller.sequencer().ReturnToWatchdog(0);
  }

  // Runs one watchdog tick; `reply` is what the unit sent since the tick before.
  void TickWith(std::vector<std::uint8_t> reply = {}) {
    if (!reply.empty()) device.QueueReply(std::move(reply));
    ASSERT_EQ(Tick(), kWatchdogTimer);
  }
  // One whole cycle after the first: 'k', reader reply, 0x05, acknowledgement.
  void Cycle(std::vector<std::uint8_t> readerReply, std::vector<std::uint8_t> ackReply) {
    TickWith();
    TickWith(std::move(readerReply));
    TickWith();
    TickWith(std::move(ackReply));
  }
};

TEST_F(Watchdog, SendsIdleOnceThenPollsAndChecksInACycleOfFourTicks) {
  TickWith();  // step 0
  Cycle(ReaderReply(0, {}), {unit::kAck});
  Cycle(ReaderReply(0, {}), {unit::kAck});
  EXPECT_TRUE(BytesEqual(Bytes({unit::kIdle, unit::kReadReader, unit::kPing, unit::kReadReader, unit::kPing}),
                         device.written()));
  EXPECT_EQ(timers.PeriodOf(kWatchdogTimer), 500ms);
}

TEST_F(Watchdog, PresentedKeyIsHighlightedWithItsFloors) {
  TickWith();
  Cycle(ReaderReply(1, EightByteCode(3)), {unit::kAck});
  EXPECT_EQ(controller.highlightedRow, 1);  // record 2 is the second row
  EXPECT_EQ(view.highlighted, std::set<int>{1});
  EXPECT_EQ(view.FloorsShown(), (std::vector<int>{3, 24}));
  EXPECT_EQ(controller.TargetRecord(), 2);
}

TEST_F(Watchdog, TheHighlightTellsAKeyAtTheReaderFromTheLastOnePresented) {
  TickWith();
  const std::vector<std::pair<std::vector<std::uint8_t>, bool>> polls{
      {ReaderReply(1, EightByteCode(3)), true},   // held
      {ReaderReply(0, EightByteCode(3)), false},  // taken away: still highlighted
      {ReaderReply(1, EightByteCode(3)), true},
      {ReaderReply(1, EightByteCode(99)), false},  // an unknown key: the highlight is not its
  };
  for (const auto& [reply, atReader] : polls) {
    Cycle(reply, {unit::kAck});
    EXPECT_EQ(view.keyAtReader, atReader);
    EXPECT_EQ(view.highlighted, std::set<int>{1});
  }
}

TEST_F(Watchdog, ReplyWithNoKeyPresentedKeepsTheCodeButHighlightsNothing) {
  TickWith();
  Cycle(ReaderReply(0, EightByteCode(3)), {unit::kAck});
  EXPECT_EQ(controller.readerCode, EightByteCode(3));
  EXPECT_TRUE(view.highlighted.empty());
  EXPECT_EQ(controller.highlightedRow, -1);
}

TEST_F(Watchdog, ReaderRepliesOfTheWrongLengthAreIgnored) {
  TickWith();
  std::vector<std::uint8_t> shortReply = ReaderReply(1, EightByteCode(3));
  shortReply.pop_back();
  std::vector<std::uint8_t> longReply = ReaderReply(1, EightByteCode(3));
  longReply.push_back(0x00);
  Cycle(shortReply, {unit::kAck});
  Cycle(longReply, {unit::kAck});
  EXPECT_EQ(controller.readerCode, KeyCode{});
  EXPECT_TRUE(view.highlighted.empty());
  EXPECT_EQ(controller.missedAcks, 0);
}

TEST_F(Watchdog, AnAcknowledgementAnywhereInTheReplyCounts) {
  TickWith();
  Cycle({}, {});
  EXPECT_EQ(controller.missedAcks, 1);
  Cycle({}, {0x15, 0x00, unit::kAck, 0x42});
  EXPECT_EQ(controller.missedAcks, 0);
}

TEST_F(Watchdog, FiveMissedChecksAreForgivenTheSixthDropsTheLink) {
  TickWith();
  for (int i = 0; i < 5; ++i) Cycle({}, {});
  Cycle({}, {unit::kAck});
  EXPECT_EQ(controller.missedAcks, 0);
  EXPECT_TRUE(view.boxes.empty());

  for (int i = 0; i < 5; ++i) Cycle({}, {0x15});
  EXPECT_TRUE(view.boxes.empty());
  device.ClearWritten();
  Cycle({}, {});
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0].text, "Error no. 600 - QEL disconnected");
  EXPECT_EQ(view.LogLines().front(), "Error no. 600 - QEL disconnected");
  EXPECT_EQ(device.written().back(), unit::kHangUp);
  EXPECT_FALSE(device.IsOpen());
  EXPECT_EQ(timers.RunningCount(), 0);
  EXPECT_EQ(view.Buttons(), Sequencer::kDisconnectedCommands);
}

// --- The key list ---------------------------------------------------------------------------

TEST_F(Watchdog, ListShowsUsedRecordsOnlyAndARowMapsToItsRecord) {
  ASSERT_EQ(view.rows.size(), 3u);
  EXPECT_EQ(view.rows[1].id, 2);
  EXPECT_EQ(controller.image().FirstFreeSlot(), 1);
  view.selected = 1;
  controller.OnListClicked();
  EXPECT_EQ(view.FloorsShown(), (std::vector<int>{3, 24}));
  EXPECT_EQ(controller.rowPicked, 1);
}

TEST_F(Watchdog, PresentedKeyTakesTheHighlightFromTheSelectedRow) {
  view.selected = 2;
  controller.OnListClicked();
  TickWith();
  Cycle(ReaderReply(1, EightByteCode(1)), {unit::kAck});
  EXPECT_EQ(view.highlighted, std::set<int>{0});
  EXPECT_EQ(view.selected, 0);
  EXPECT_EQ(view.FloorsShown(), (std::vector<int>{1, 24}));
}

TEST_F(Watchdog, ClickOnAnotherRowRemovesTheReaderHighlight) {
  TickWith();
  Cycle(ReaderReply(1, EightByteCode(1)), {unit::kAck});
  view.selected = 2;
  controller.OnListClicked();
  EXPECT_TRUE(view.highlighted.empty());
  EXPECT_EQ(controller.highlightedRow, -1);
  EXPECT_EQ(view.FloorsShown(), (std::vector<int>{4, 24}));
  EXPECT_EQ(controller.TargetRecord(), 3);
}

TEST_F(Watchdog, KeyPressShowsTheFloorsOfTheRowItMovedToAndRemovesTheHighlight) {
  TickWith();
  // Where the keyboard left the selection: on the highlighted row, or on row 2.
  for (const auto& [movedTo, floors] : {std::pair{std::optional<int>(), std::vector<int>{}},
                                        std::pair{std::optional<int>(2), std::vector<int>{4, 24}}}) {
    Cycle(ReaderReply(1, EightByteCode(1)), {unit::kAck});
    if (movedTo) view.selected = movedTo;
    controller.OnListKeyPressed();
    EXPECT_EQ(view.FloorsShown(), floors);
    EXPECT_TRUE(view.highlighted.empty());
    EXPECT_EQ(controller.highlightedRow, -1);
    EXPECT_EQ(controller.TargetRecord(), std::nullopt);  // nothing picked by the operator yet
  }
}

TEST_F(Watchdog, UnknownPresentedKeyChangesNothing) {
  view.selected = 1;
  controller.OnListClicked();
  TickWith();
  Cycle(ReaderReply(1, EightByteCode(77)), {unit::kAck});
  EXPECT_TRUE(view.highlighted.empty());
  EXPECT_EQ(view.FloorsShown(), (std::vector<int>{3, 24}));
}

TEST(KeyListBeyondTheListedRecords, PresentedKeyShowsItsFloorsButNoRow) {
  test::ScriptedRig rig;
  KeyMemoryImage& image = rig.controller.image();
  image.SetRecordSize(16);
  Floors floors{};
  SetFloor(floors, 7, true);
  // Record 4090 lies in the last 128 bytes: searched, but never listed.
  image.StoreRecord(4090, EightByteCode(5), floors, "");
  rig.controller.RefillKeyList();
  rig.controller.readerCode = EightByteCode(5);
  rig.controller.SelectPresentedKey();
  EXPECT_TRUE(rig.view.highlighted.empty());
  EXPECT_EQ(rig.controller.highlightedRow, -1);
  EXPECT_EQ(rig.view.FloorsShown(), std::vector<int>{7});
}

// --- End to end against the simulated unit --------------------------------------------------

TEST(WatchdogWithUnit, KeyHeldAtTheReaderIsHighlighted) {
  test::UnitRig rig;
  sim::SimulatedUnit& unit = rig.AddUnit(1);
  unit.LoadMemory(test::MemoryWithKeys(100, 5));
  ASSERT_TRUE(rig.Connect({4719, 1, 1, 1}));
  unit.HoldKey(EightByteCode(4));
  rig.RunFor(3s);
  EXPECT_EQ(rig.view.highlighted, std::set<int>{3});
  EXPECT_EQ(rig.view.FloorsShown(), std::vector<int>{4});
}

TEST(WatchdogWithUnit, UnitThatStopsAnsweringIsDroppedAtTheSixthMissedCheck) {
  test::UnitRig rig;
  sim::SimulatedUnit& unit = rig.AddUnit(1);
  ASSERT_TRUE(rig.Connect({4719, 1, 1, 1}));
  rig.RunFor(5s);
  sim::Faults faults;
  faults.silence = sim::Faults::Silence{unit::kPing, 0, 0};
  unit.SetFaults(faults);
  const sim::SimTime silentFrom = rig.clock.Now();
  ASSERT_TRUE(rig.RunUntil([&] { return !rig.view.boxes.empty(); }, 30s));
  EXPECT_EQ(rig.view.boxes[0].text, "Error no. 600 - QEL disconnected");
  // Six checks of a 2-second cycle.
  EXPECT_GT(rig.clock.Now() - silentFrom, 10s);
  EXPECT_LT(rig.clock.Now() - silentFrom, 13s);
}

TEST(WatchdogWithUnit, ANewLinkStartsWithACleanCountOfMissedChecks) {
  test::UnitRig rig;
  sim::SimulatedUnit& first = rig.AddUnit(1);
  ASSERT_TRUE(rig.Connect({4719, 1, 1, 1}));
  sim::Faults silent;
  silent.silence = sim::Faults::Silence{unit::kPing, 0, 0};
  first.SetFaults(silent);
  ASSERT_TRUE(rig.RunUntil([&] { return !rig.view.boxes.empty(); }, 30s));

  sim::SimulatedUnit& second = rig.AddUnit(1);
  ASSERT_TRUE(rig.Connect({4719, 1, 1, 1}));
  sim::Faults oneMiss;
  oneMiss.wrongReplies.push_back({unit::kPing, 0, 0, {0x15}});
  second.SetFaults(oneMiss);
  rig.RunFor(2500ms);
  second.SetFaults({});
  rig.RunFor(10s);
  EXPECT_EQ(rig.view.boxes.size(), 1u);
  EXPECT_TRUE(rig.WatchdogRuns());
}

}  // namespace
}  // namespace qel
