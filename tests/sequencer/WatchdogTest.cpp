// The link watchdog with its reader poll, and the key list that follows the reader and the
// operator.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "link/UnitCommands.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/KeyImages.h"
#include "tests/support/ScriptedRig.h"
#include "tests/support/UnitRig.h"

namespace qel {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::EightByteCode;
using Reply = std::vector<std::uint8_t>;
using FloorList = std::vector<int>;

Reply ReaderReply(std::uint8_t status, const KeyCode& code) {
  Reply reply(code.size() + 1, status);
  std::copy(code.begin(), code.end(), reply.begin() + 1);
  return reply;
}

// A connected window resting in the watchdog, with keys 0, 2 and 3 in its image (1 deleted):
// rows 0, 1 and 2. Record i opens floors i + 1 and 24.
struct WatchdogRig : test::ScriptedRig {
  WatchdogRig() {
    for (int i : {0, 1, 2, 3}) {
      Floors floors{};
      SetFloor(floors, i + 1, true);
      SetFloor(floors, 24, true);
      controller.image().StoreRecord(i, EightByteCode(i + 1), floors, "k");
    }
    controller.image().ZeroKeyCode(1);
    controller.RefillKeyList();
    controller.sequencer().LinkAccepted();
    controller.sequencer().Rest();
    Step();  // sends the idle byte once
  }
  // Runs one watchdog tick; `reply` is what the unit sent since the tick before.
  void Step(Reply reply = {}) {
    if (!reply.empty()) device.QueueReply(std::move(reply));
    ASSERT_TRUE(TickOf(OperationKind::Watchdog));
  }
  // One whole cycle: 'k', reader reply, 0x05, acknowledgement.
  void Cycle(Reply readerReply, Reply ackReply = {unit::kAck}) {
    Step();
    Step(std::move(readerReply));
    Step();
    Step(std::move(ackReply));
  }
  void Click(int row) {
    view.selected = row;
    controller.OnListClicked();
  }
};

class Watchdog : public ::testing::Test, protected WatchdogRig {};

// The idle byte once, then a cycle of four ticks: poll, read, check, judge. An acknowledgement
// anywhere in the reply counts; five missed checks are forgiven, the sixth drops the link.
TEST_F(Watchdog, PollsAndChecksInACycleOfFourTicksAndDropsTheLinkAtTheSixthMissedCheck) {
  Cycle(ReaderReply(0, {}));
  Cycle(ReaderReply(0, {}));
  EXPECT_TRUE(
      test::BytesEqual(Bytes({unit::kIdle, unit::kReadReader, unit::kPing, unit::kReadReader, unit::kPing}),
                       device.written()));
  EXPECT_EQ(timers.PeriodOf(Sequencer::kTimerId), 500ms);
  for (int i = 0; i < 5; ++i) Cycle({}, {});
  EXPECT_EQ(controller.missedAcks(), 5);
  Cycle({}, {0x15, 0x00, unit::kAck, 0x42});
  EXPECT_EQ(controller.missedAcks(), 0);
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

// What the operator picked, what the reader replied in turn, and what the list then shows: the
// highlight tells a key at the reader from the last one presented and never moves the pick; a
// reply that presents no key keeps the code but highlights nothing; replies of the wrong length
// are ignored.
TEST(WatchdogPoll, TheListFollowsThePresentedKey) {
  const KeyCode three = EightByteCode(3);
  Reply shortReply = ReaderReply(1, three), longReply = ReaderReply(1, three);
  shortReply.pop_back();
  longReply.push_back(0x00);
  struct Row {
    const char* name;
    std::optional<int> clicked;
    std::vector<Reply> replies;
    std::optional<int> highlighted;
    bool atReader;
    KeyCode code;
    FloorList floors;
    std::optional<int> target;
  };
  // clang-format off
  for (const Row& row : {
      Row{"a known key", {}, {ReaderReply(1, three)}, 1, true, three, {3, 24}, 2},
      Row{"taken away", {}, {ReaderReply(1, three), ReaderReply(0, three)}, 1, false, three, {3, 24}, 2},
      Row{"then an unknown key", {}, {ReaderReply(1, three), ReaderReply(1, EightByteCode(99))}, 1, false,
          EightByteCode(99), {3, 24}, 2},
      Row{"no key presented", {}, {ReaderReply(0, three)}, {}, false, three, {}, {}},
      Row{"wrong lengths", {}, {shortReply, longReply}, {}, false, {}, {}, {}},
      Row{"a key other than the picked one", 2, {ReaderReply(1, EightByteCode(1))}, 0, true, EightByteCode(1), {1, 24}, 3},
      Row{"then taken away", 2, {ReaderReply(1, EightByteCode(1)), ReaderReply(0, EightByteCode(1))}, 0, false,
          EightByteCode(1), {4, 24}, 3},
      Row{"an unknown key over a pick", 1, {ReaderReply(1, EightByteCode(77))}, {}, false, EightByteCode(77), {3, 24}, 2},
  }) {
    // clang-format on
    SCOPED_TRACE(row.name);
    WatchdogRig fresh;
    if (row.clicked) fresh.Click(*row.clicked);
    for (const Reply& reply : row.replies) fresh.Cycle(reply);
    EXPECT_EQ(fresh.view.highlighted, row.highlighted ? std::set<int>{*row.highlighted} : std::set<int>{});
    EXPECT_EQ(fresh.controller.selection().highlightedRow(), row.highlighted);
    EXPECT_EQ(fresh.view.selected, row.clicked);
    EXPECT_EQ(fresh.view.keyAtReader, row.atReader);
    EXPECT_EQ(fresh.controller.selection().readerCode(), row.code);
    EXPECT_EQ(fresh.view.FloorsShown(), row.floors);
    EXPECT_EQ(fresh.Target(), row.target);
    EXPECT_EQ(fresh.controller.missedAcks(), 0);
  }
}

// The list shows used records only and a row maps to its record while that is used. After a
// presented key, a click on another row or a key press (with no row selected, or with the keyboard
// on row 2, which it picks) removes the highlight.
TEST_F(Watchdog, TheOperatorTakesTheListBackFromTheReader) {
  ASSERT_EQ(view.rows.size(), 3u);
  EXPECT_EQ(view.rows[1].id, 2);
  EXPECT_EQ(controller.image().FirstFreeSlot(), 1);
  struct Row {
    bool click;
    std::optional<int> movedTo;
    FloorList floors;
    std::optional<int> target;
  };
  for (const Row& row : {Row{false, {}, {}, {}}, Row{false, 2, {4, 24}, 3}, Row{true, 2, {4, 24}, 3}}) {
    Cycle(ReaderReply(1, EightByteCode(1)));
    ASSERT_EQ(view.highlighted, std::set<int>{0});
    if (row.movedTo) view.selected = row.movedTo;
    row.click ? controller.OnListClicked() : controller.OnListKeyPressed();
    EXPECT_EQ(view.FloorsShown(), row.floors);
    EXPECT_TRUE(view.highlighted.empty());
    EXPECT_EQ(controller.selection().highlightedRow(), std::nullopt);
    EXPECT_EQ(Target(), row.target);
  }
  Click(1);
  EXPECT_EQ(view.FloorsShown(), (FloorList{3, 24}));
  EXPECT_EQ(Target(), 2);
  controller.image().ZeroKeyCode(2);  // deleted behind the list's back
  EXPECT_EQ(Target(), std::nullopt);
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
  rig.controller.ReaderReport(true, EightByteCode(5));
  EXPECT_TRUE(rig.view.highlighted.empty());
  EXPECT_EQ(rig.controller.selection().highlightedRow(), std::nullopt);
  EXPECT_EQ(rig.view.FloorsShown(), FloorList{7});
}

// Select ID 4 and a resident presents key 14: Delete key asks about ID 4, with No as its default.
// The reader's key is the target only with no row selected; afterwards a row left selected from
// before the command (the delete answered No) is no target, and keeps the reader's key out too.
TEST(KeyListWithUnit, EditAndDeleteActOnTheSelectedRowAndOnTheReadersKeyOnlyWithoutOne) {
  struct Row {
    const char* name;
    std::optional<int> picked, held;  // the row (= ID) picked, the ID whose key is presented
    std::optional<int> target, afterwards;
  };
  for (const Row& row :
       {Row{"a resident's key over a pick", 4, 14, 4, {}}, Row{"the picked key", 14, 14, 14, {}},
        Row{"nothing picked", {}, 14, 14, 14}, Row{"neither", {}, {}, {}, {}}}) {
    SCOPED_TRACE(row.name);
    test::UnitRig rig;
    ASSERT_TRUE(rig.ConnectUnit({}, 16));
    rig.view.selected = row.picked;
    if (row.picked) rig.controller.OnListClicked();
    if (row.held) rig.unit->HoldKey(EightByteCode(*row.held + 1));
    rig.RunFor(2s);
    EXPECT_EQ(rig.view.selected, row.picked);
    rig.view.yesAnswer = false;
    const std::optional<int> target = rig.Target();
    EXPECT_EQ(target, row.target);
    if (target) rig.controller.DeleteKey(*target);
    EXPECT_EQ(rig.view.questionDefaults, std::vector(row.target ? 1u : 0u, DefaultAnswer::No));
    EXPECT_EQ(rig.Target(), row.afterwards);
  }
}

// A key held at the reader is highlighted. A unit that stops answering is dropped at the sixth
// missed check of a 2-second cycle; the next link starts with a clean count.
TEST(WatchdogWithUnit, HighlightsTheHeldKeyDropsASilentUnitAndStartsANewLinkClean) {
  test::UnitRig rig;
  ASSERT_TRUE(rig.ConnectUnit({}, 5));
  rig.unit->HoldKey(EightByteCode(4));
  rig.RunFor(3s);
  EXPECT_EQ(rig.view.highlighted, std::set<int>{3});
  EXPECT_EQ(rig.view.FloorsShown(), FloorList{4});
  rig.RunFor(2s);
  rig.unit->SetFaults(test::DeadAt(unit::kPing));
  const sim::SimTime silentFrom = rig.clock.Now();
  ASSERT_TRUE(rig.RunUntil([&] { return !rig.view.boxes.empty(); }, 30s));
  EXPECT_EQ(rig.view.boxes[0].text, "Error no. 600 - QEL disconnected");
  EXPECT_GT(rig.clock.Now() - silentFrom, 10s);
  EXPECT_LT(rig.clock.Now() - silentFrom, 13s);
  sim::SimulatedUnit& second = rig.AddUnit(1);
  ASSERT_TRUE(rig.Connect({4719, 1, 1, 1}));
  second.SetFaults(test::WrongReply(unit::kPing, 0, {0x15}));
  rig.RunFor(2500ms);
  second.SetFaults({});
  rig.RunFor(10s);
  EXPECT_EQ(rig.view.boxes.size(), 1u);
  EXPECT_TRUE(rig.WatchdogRuns());
}

}  // namespace
}  // namespace qel
