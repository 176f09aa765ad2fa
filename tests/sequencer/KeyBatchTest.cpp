// Several keys written one after another against the simulated unit: the deletes and the floor
// changes keep each key's bytes and ticks, one bar covers them, the operator's stop ends after the
// key in hand, and a failure names the keys done, the one in hand and those never begun.
#include <gtest/gtest.h>

#include <algorithm>

#include "files/ImageFile.h"
#include "link/UnitCommands.h"
#include "tests/support/KeyImages.h"
#include "tests/support/UnitRig.h"

namespace qel {
namespace {

using namespace std::chrono_literals;
using test::Timeline;

Floors FloorsOf(std::initializer_list<int> floors) {
  Floors bits{};
  for (int floor : floors) SetFloor(bits, floor, true);
  return bits;
}

// The unit's keys 0-5: key i opens floor i + 1.
class KeyBatchTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(rig.ConnectUnit({.recordSize = 100}, 6)); }
  bool UnitHolds(int id) const { return rig.unit->Memory()[static_cast<std::size_t>(id * 100)] != 0x00; }
  Floors UnitFloors(int id) const {
    const auto at = rig.unit->Memory().begin() + id * 100 + static_cast<int>(kFloorsOffset);
    return {at[0], at[1], at[2]};
  }

  test::UnitRig rig;
};

struct Judged {
  std::size_t keys;
  Floors add, remove;
  const char* refusal;
};

TEST(FloorChange, IsJudgedBeforeAByteGoesOut) {
  for (const Judged& c :
       {Judged{0, FloorsOf({5}), {}, "No key chosen."},
        Judged{3, {}, {}, "Tick the floors to add or to take away."},
        Judged{3, FloorsOf({2, 7}), FloorsOf({7}), "Floor 7 cannot be both added and taken away."},
        Judged{1, FloorsOf({24}), {}, ""}, Judged{2, {}, FloorsOf({1}), ""}})
    EXPECT_EQ(JudgeFloorChange(c.keys, {c.add, c.remove}, Language::English), c.refusal) << c.refusal;
  EXPECT_EQ(ChangedFloors(FloorsOf({1, 3, 9}), {FloorsOf({2, 24}), FloorsOf({3, 4})}),
            FloorsOf({1, 2, 9, 24}));
}

// One question names the keys; each delete then sends the single delete's bytes on its ticks, the
// next one starting as the one before is judged, under one bar; the watchdog rests after the last.
TEST_F(KeyBatchTest, ThreeDeletesAskOnceAndSendEachKeysBytesOnItsTicks) {
  rig.device.ClearWritten();
  const sim::SimTime mark = rig.clock.Now();
  rig.controller.DeleteKeys({1, 3, 4});
  ASSERT_TRUE(rig.RunToWatchdog());
  ASSERT_EQ(rig.view.questions.size(), 1u);
  EXPECT_EQ(rig.view.questions[0].text, "Do you really want to delete these 3 keys?\nID 1 (Key 1, " +
                                            KeyCodeToText(test::EightByteCode(2)) + ")\nID 3 (Key 3, " +
                                            KeyCodeToText(test::EightByteCode(4)) + ")\nID 4 (Key 4, " +
                                            KeyCodeToText(test::EightByteCode(5)) + ")");
  EXPECT_EQ(rig.view.questionDefaults, std::vector<DefaultAnswer>{DefaultAnswer::No});
  // The keys as they were, on the disk before the first delete.
  ASSERT_EQ(rig.Backups().size(), 1u);
  ImageBytes saved{};
  ImageSettings settings;
  ASSERT_TRUE(LoadImageFile(rig.Backups()[0], saved, settings).Ok());
  for (int id : {1, 3, 4}) EXPECT_NE(saved[static_cast<std::size_t>(id * 100)], 0x00) << id;
  const Timeline sent = rig.SentSince(mark, 9);
  const int ids[] = {1, 3, 4};
  for (long i = 0; i < 3; ++i)
    EXPECT_EQ(Timeline(sent.begin() + i * 3, sent.begin() + i * 3 + 3),
              (Timeline{{i * 4200, unit::kDeleteKey}, {i * 4200 + 200, 0}, {i * 4200 + 400, ids[i]}}));
  for (int id : {1, 2, 3, 4}) EXPECT_EQ(UnitHolds(id), id == 2) << id;
  EXPECT_EQ(rig.view.progress.front().timeLeft, "0:13 left");
  EXPECT_EQ(rig.view.progress.back().what, "Deleting key 3 of 3 (ID 4)");
  EXPECT_EQ(rig.view.LogLines().front(), "Keys deleted (ID): 1, 3, 4");
}

// A change of floors writes each key exactly as an edit of its floors would.
TEST_F(KeyBatchTest, AFloorChangeWritesEachKeyAsItsEditAndSkipsThoseItLeaves) {
  test::UnitRig single;
  ASSERT_TRUE(single.ConnectUnit({.recordSize = 100}, 6));
  single.device.ClearWritten();
  const sim::SimTime singleMark = single.clock.Now();
  single.controller.EditKey(0, KeyChange{FloorsOf({1, 2}), std::nullopt});
  ASSERT_TRUE(single.RunToWatchdog());
  const Timeline edit = single.SentSince(singleMark, SIZE_MAX, 1);

  rig.device.ClearWritten();
  const sim::SimTime mark = rig.clock.Now();
  ASSERT_TRUE(rig.controller.ChangeFloors({0, 1, 2}, {FloorsOf({2}), FloorsOf({3})}));
  ASSERT_TRUE(rig.RunToWatchdog());
  const Timeline sent = rig.SentSince(mark, SIZE_MAX, 1);
  for (int id : {0, 1, 2})
    EXPECT_EQ(rig.view.Logged("Saving key with ID " + std::to_string(id)), id == 1 ? 0 : 1) << id;
  // The first key's bytes and ticks are the edit's, up to the watchdog's first byte.
  ASSERT_GT(sent.size(), edit.size());
  EXPECT_EQ(Timeline(sent.begin(), sent.begin() + static_cast<long>(edit.size()) - 1),
            Timeline(edit.begin(), edit.end() - 1));
  for (int id : {0, 1, 2}) EXPECT_EQ(UnitFloors(id), FloorsOf({id == 0 ? 1 : 2, 2})) << id;
  EXPECT_EQ(rig.view.Logged("Key with ID 1 already has these floors: skipped"), 1);
  EXPECT_EQ(rig.view.Logged("Keys changed (ID): 0, 2"), 1);
  EXPECT_EQ(rig.view.progress.back().what, "Saving key 2 of 2 (ID 2)");
  EXPECT_FALSE(rig.controller.ChangeFloors({1}, {FloorsOf({2}), {}}));
  EXPECT_EQ(rig.view.boxes.back().text, "None of the chosen keys would change: nothing is written.");
}

struct Stopping {
  bool deletes;
  const char* done;
};

class KeyBatchStop : public KeyBatchTest, public ::testing::WithParamInterface<Stopping> {};

// Stop during the first key: it is written to its end, the others are not begun, and a box says so.
TEST_P(KeyBatchStop, EndsAfterTheKeyInHandAndSaysWhichKeysWereWritten) {
  if (GetParam().deletes)
    rig.controller.DeleteKeys({1, 2, 3});
  else
    rig.controller.ChangeFloors({1, 2, 3}, {FloorsOf({9}), {}});
  EXPECT_TRUE(rig.view.stopShown);
  rig.RunFor(1s);
  rig.controller.StopBatch();
  EXPECT_FALSE(rig.view.stopShown);
  ASSERT_TRUE(rig.RunToWatchdog());
  ASSERT_EQ(rig.view.boxes.size(), 1u);
  EXPECT_EQ(rig.view.boxes[0].text, "Stopped after the key being written.\n" + std::string(GetParam().done) +
                                        "1\nKeys not written, QEL holds them as before (ID): 2, 3");
  EXPECT_EQ(UnitHolds(1), !GetParam().deletes);
  EXPECT_EQ(UnitFloors(2), FloorsOf({3}));
  EXPECT_FALSE(rig.controller.batch().Running());
}

INSTANTIATE_TEST_SUITE_P(Kinds, KeyBatchStop,
                         ::testing::Values(Stopping{true, "Keys deleted (ID): "},
                                           Stopping{false, "Keys changed (ID): "}));

// The unit falls silent at the second key: the box names the key in hand with what the unit holds,
// the key done and the key never begun; the key in hand stays listed, marked.
TEST_F(KeyBatchTest, ALinkLostMidwayNamesTheKeysDoneInHandAndNeverBegun) {
  rig.controller.DeleteKeys({1, 2, 3});
  rig.RunFor(4300ms);
  rig.unit->SetFaults(test::DeadAt(unit::kDeleteKey));
  rig.RunFor(10s);
  ASSERT_EQ(rig.view.boxes.size(), 2u);
  const std::string& box = rig.view.boxes[1].text;
  EXPECT_NE(box.find("Key with ID 2: deletion not confirmed, QEL may still hold the key"), std::string::npos)
      << box;
  EXPECT_NE(box.find("\nKeys deleted (ID): 1\nKeys not written, QEL holds them as before (ID): 3"),
            std::string::npos)
      << box;
  ASSERT_EQ(rig.view.rows.size(), 5u);
  EXPECT_EQ(rig.view.rows[1].mark, KeyMark::DeletionNotConfirmed);
}

}  // namespace
}  // namespace qel
