// Adding, editing and deleting keys against the simulated unit, which really stores and deletes:
// the bytes and their ticks, the errors of both operations, and what the commands leave behind
// when a dialog, a question or the link goes wrong.
#include <gtest/gtest.h>

#include <algorithm>

#include "link/UnitCommands.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/KeyDialogDriver.h"
#include "tests/support/KeyImages.h"
#include "tests/support/UnitRig.h"

namespace qel {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::BytesEqual;
using test::EightByteCode;

Floors FloorsOf(std::initializer_list<int> floors) {
  Floors bits{};
  for (int floor : floors) SetFloor(bits, floor, true);
  return bits;
}

// The unit stops answering at the next reader poll.
sim::Faults SilentReader() {
  sim::Faults faults;
  faults.silence = sim::Faults::Silence{unit::kReadReader, 0, 0};
  return faults;
}

// What the operator does in one key dialog.
struct Answer {
  KeyCode atReader{};
  std::string comment;
  KeyDialogEnd end = KeyDialogEnd::Ok;
  Floors floors = FloorsOf({1, 24});
};

// A connected window over a unit holding `keys` keys, with an operator who answers the key
// dialogs in turn and remembers when the last one ended.
class KeyWrite : public ::testing::Test {
 protected:
  void Connect(sim::UnitConfig config = {}, int keys = 4) {
    unit = &rig.AddUnit(1, config);
    unit->LoadMemory(test::MemoryWithKeys(config.recordSize, keys));
    ASSERT_TRUE(rig.Connect({4719, 1, 1, 1}));
    rig.view.keyDialog = [this](KeyDialog& dialog) { return Play(dialog); };
  }

  KeyDialogEnd Play(KeyDialog& dialog) {
    setups.push_back(dialog.setup());
    const Answer answer = answers.empty() ? Answer{{}, "", KeyDialogEnd::Cancel} : answers.front();
    if (!answers.empty()) answers.erase(answers.begin());
    if (answer.atReader != KeyCode{}) unit->HoldKey(answer.atReader);
    driver.OpenAndRun(dialog, 200ms);
    unit->ReleaseKey();
    if (silentFromNowOn) {
      unit->SetFaults(SilentReader());
      driver.RunFor(dialog, 11s);
    }
    lastDialogEnd = rig.clock.Now();
    rig.device.ClearWritten();
    if (answer.end == KeyDialogEnd::Cancel) return driver.Cancel(dialog);
    return driver.Accept(dialog, answer.end, answer.floors, answer.comment);
  }

  bool RunToWatchdog(std::chrono::milliseconds limit = 10min) {
    return rig.RunUntil([&] { return rig.WatchdogRuns() && rig.view.IsEnabled(Command::AddKeys); }, limit);
  }

  // Each byte written since the last dialog, with the tick it went out on in ms after that dialog.
  std::vector<std::pair<long, int>> Timeline() const {
    std::vector<std::pair<long, int>> out;
    for (const auto& w : rig.device.Written())
      out.emplace_back(
          std::chrono::duration_cast<std::chrono::milliseconds>(w.at - lastDialogEnd).count() / 100 * 100,
          w.byte);
    return out;
  }

  std::span<const std::uint8_t> UnitRecord(int id) const {
    return unit->Memory().subspan(static_cast<std::size_t>(id * unit->RecordSize()),
                                  static_cast<std::size_t>(unit->RecordSize()));
  }

  test::UnitRig rig;
  sim::SimulatedUnit* unit = nullptr;
  test::KeyDialogDriver driver{rig.clock};
  std::vector<Answer> answers;
  std::vector<KeyDialogSetup> setups;
  bool silentFromNowOn = false;
  sim::SimTime lastDialogEnd{};
};

TEST_F(KeyWrite, SavingOneKeyTakesFifteenSecondsOnTheProtocolsOwnTicks) {
  Connect();
  const KeyCode code = EightByteCode(77);
  answers = {{code, "Ab", KeyDialogEnd::Ok, FloorsOf({1, 2, 24})}};
  rig.controller.AddKeys();
  ASSERT_TRUE(RunToWatchdog());

  std::vector<std::pair<long, int>> expected{{2400, unit::kSaveKey}, {2600, 0x00}, {2800, 0x04}};
  for (int i = 0; i < 12; ++i) expected.emplace_back(3000 + 200 * i, code[static_cast<std::size_t>(i)]);
  for (int i = 0; i < 3; ++i) expected.emplace_back(5400 + 200 * i, i == 0 ? 0x03 : i == 1 ? 0x00 : 0x80);
  expected.insert(expected.end(), {{10200, 'A'}, {10400, 'b'}, {10600, 0x00}, {15000, unit::kIdle}});
  std::vector<std::pair<long, int>> sent = Timeline();
  sent.resize(expected.size());
  EXPECT_EQ(sent, expected);
  EXPECT_EQ(rig.timers.PeriodOf(kWatchdogTimer), 500ms);

  std::vector<std::uint8_t> record(code.begin(), code.end());
  record.insert(record.end(), {0x03, 0x00, 0x80, 'A', 'b'});
  record.resize(100, 0x00);
  EXPECT_TRUE(BytesEqual(record, UnitRecord(4)));
  const std::vector<std::string> log = rig.view.LogLines();
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 6),
            (std::vector<std::string>{"Key saved", "**********", "Saving key with ID 4", "***", "1",
                                      "Key recorded"}));
  EXPECT_EQ(rig.view.progress.front().what, "Saving key 1 of 1 (ID 4)");
  EXPECT_EQ(rig.view.progress.front().timeLeft, "0:15 left");
  EXPECT_EQ(rig.view.progress.back().percent, 100);
  EXPECT_FALSE(rig.view.progressShown);
}

TEST_F(KeyWrite, DeletingIdThreeHundredSendsItsBytesAndWaitsForTheUnit) {
  Connect({}, 301);
  rig.device.ClearWritten();
  rig.view.selected = 300;
  rig.controller.OnListClicked();
  rig.controller.DeleteKey();
  lastDialogEnd = rig.clock.Now();
  ASSERT_TRUE(RunToWatchdog());
  rig.RunFor(600ms);
  std::vector<std::pair<long, int>> sent = Timeline();
  sent.resize(4);
  EXPECT_EQ(sent, (std::vector<std::pair<long, int>>{
                      {0, unit::kDeleteKey}, {200, 0x01}, {400, 0x2C}, {4700, unit::kIdle}}));
  EXPECT_EQ(rig.view.questions.at(0).text, "Do you really want to delete key with ID 300?");
  EXPECT_EQ(rig.view.LogLines().front(), "Key with ID 300 was deleted");
  EXPECT_TRUE(
      std::all_of(UnitRecord(300).begin(), UnitRecord(300).begin() + 12, [](auto b) { return b == 0; }));
  EXPECT_EQ(rig.view.rows.size(), 300u);
  EXPECT_EQ(rig.view.progress.front().what, "Deleting key with ID 300");
}

TEST_F(KeyWrite, ThreeKeysInOneRunAreSavedInTurnWithOneReturnToTheWatchdog) {
  Connect();
  answers = {{EightByteCode(70), "x", KeyDialogEnd::NextKey},
             {EightByteCode(71), "", KeyDialogEnd::NextKey},
             {EightByteCode(72), "z", KeyDialogEnd::Ok}};
  rig.controller.AddKeys();
  EXPECT_EQ(rig.view.LogLines()[1], "3");
  EXPECT_EQ(rig.view.rows.size(), 7u);
  ASSERT_TRUE(RunToWatchdog());
  const std::vector<std::string> log = rig.view.LogLines();
  EXPECT_EQ(std::count(log.begin(), log.end(), "Key saved"), 3);
  for (int id : {4, 5, 6})
    EXPECT_EQ(unit->Memory()[static_cast<std::size_t>(id * 100)], EightByteCode(id + 66)[0]);
  EXPECT_EQ(rig.view.progress.back().what, "Saving key 3 of 3 (ID 6)");
}

TEST_F(KeyWrite, AnEditDeletesAndSavesUnderTheSameIdWithoutADeletionLine) {
  Connect();
  rig.view.selected = 2;
  rig.controller.OnListDoubleClicked();
  ASSERT_EQ(rig.view.keyDialogs, 0);  // nothing picked yet
  rig.controller.OnListClicked();
  answers = {{{}, "Nový nájemník", KeyDialogEnd::Ok, FloorsOf({5})}};
  rig.controller.OnListDoubleClicked();
  ASSERT_FALSE(setups.at(0).addMode);
  EXPECT_EQ(setups[0].keyCode, EightByteCode(3));
  ASSERT_TRUE(RunToWatchdog());
  EXPECT_EQ(rig.device.WrittenBytes().at(0), unit::kDeleteKey);
  EXPECT_EQ(UnitRecord(2)[12], 0x10);
  EXPECT_EQ(UnitRecord(2)[0], EightByteCode(3)[0]);
  EXPECT_EQ(rig.view.rows[2].comment, "Nový nájemník");
  const std::vector<std::string> log = rig.view.LogLines();
  EXPECT_EQ(std::count(log.begin(), log.end(), "Key with ID 2 was deleted"), 0);
  EXPECT_EQ(log.front(), "Key saved");
}

struct Fault {
  int error;
  std::uint8_t command;
  int index;
  std::vector<std::uint8_t> bytes;
  int recordSize = 100;
  std::string comment = "Ab";
};

class KeyWriteFault : public KeyWrite, public ::testing::WithParamInterface<Fault> {};

TEST_P(KeyWriteFault, IsACriticalErrorThatStopsEverything) {
  const Fault& f = GetParam();
  Connect({.recordSize = f.recordSize});
  sim::Faults faults;
  faults.wrongReplies = {{f.command, 0, f.index, f.bytes}};
  unit->SetFaults(faults);
  if (f.command == unit::kDeleteKey) {
    rig.view.selected = 1;
    rig.controller.OnListClicked();
    rig.controller.DeleteKey();
  } else {
    answers = {{EightByteCode(50), f.comment}};
    rig.controller.AddKeys();
  }
  rig.RunFor(30s);
  ASSERT_EQ(rig.view.boxes.size(), 1u);
  EXPECT_EQ(rig.view.boxes[0].text, "Critical error no. " + std::to_string(f.error) +
                                        "!\r\nPlease turn QEL and this program off and on again.");
  EXPECT_EQ(rig.timers.RunningCount(), 0);
  EXPECT_EQ(rig.view.Buttons(), (std::array<int, kCommandCount>{}));
  EXPECT_FALSE(rig.view.progressShown);
  const std::vector<std::string> log = rig.view.LogLines();
  EXPECT_EQ(std::count(log.begin(), log.end(), "Key saved"), 0);
}

// Save replies: 17 echoes (0-16), the acknowledgement after the floors (17) and after the comment (18).
INSTANTIATE_TEST_SUITE_P(
    Save, KeyWriteFault,
    ::testing::Values(Fault{101, unit::kSaveKey, 16, {0x55}}, Fault{102, unit::kSaveKey, 17, {0x15}},
                      Fault{103, unit::kSaveKey, 17, {}}, Fault{104, unit::kSaveKey, 18, {0x15}},
                      Fault{105, unit::kSaveKey, 18, {}},
                      // A comment filling its field is judged too.
                      Fault{104, unit::kSaveKey, 18, {0x15}, 20, "12345"},
                      Fault{201, unit::kDeleteKey, 1, {0x00}}, Fault{202, unit::kDeleteKey, 2, {0x15}},
                      Fault{203, unit::kDeleteKey, 1, {}}));

struct CommentCase {
  int recordSize;
  std::string comment;
  std::vector<std::uint8_t> sent;  // after the floors
  long lastTick;                   // the 0x7A, in ms after the dialog
};

class KeyWriteComment : public KeyWrite, public ::testing::WithParamInterface<CommentCase> {};

TEST_P(KeyWriteComment, GoesOutUpToItsEndAndIsStored) {
  const CommentCase& c = GetParam();
  Connect({.recordSize = c.recordSize}, 2);
  answers = {{EightByteCode(9), c.comment}};
  rig.controller.AddKeys();
  ASSERT_TRUE(RunToWatchdog());
  std::vector<std::uint8_t> sent = rig.device.WrittenBytes();
  sent.erase(sent.begin(), sent.begin() + 18);
  sent.resize(c.sent.size() + 1);
  std::vector<std::uint8_t> expected = c.sent;
  expected.push_back(unit::kIdle);
  EXPECT_TRUE(BytesEqual(expected, sent));
  EXPECT_EQ(Timeline().at(18 + c.sent.size()).first, c.lastTick);
  const auto stored = UnitRecord(2).subspan(std::min<std::size_t>(kCommentOffset, UnitRecord(2).size()));
  EXPECT_EQ(std::string(stored.begin(), std::find(stored.begin(), stored.end(), 0x00)), c.comment);
  EXPECT_EQ(rig.view.LogLines().front(), "Key saved");
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, KeyWriteComment,
    ::testing::Values(CommentCase{100, "", {0x00}, 14600},
                      CommentCase{20, "12345", {'1', '2', '3', '4', '5', 0x00}, 15200},
                      // No comment field: only the closing 0x00, never the next record's first byte.
                      CommentCase{15, "", {0x00}, 14600}));

TEST_F(KeyWrite, TheHundredAndFirstKeyOfARunOffersNoNextKeyAndEndsTheRun) {
  Connect({.recordSize = 40}, 0);
  for (int i = 0; i < 101; ++i)
    answers.push_back({EightByteCode(100 + i), "", i < 100 ? KeyDialogEnd::NextKey : KeyDialogEnd::Ok});
  rig.controller.AddKeys();
  ASSERT_EQ(setups.size(), 101u);
  EXPECT_TRUE(setups[99].nextKeyAllowed);
  EXPECT_FALSE(setups[100].nextKeyAllowed);
  EXPECT_EQ(rig.controller.keysAdded, 101);
  EXPECT_EQ(rig.controller.saveQueue[100], 100);
  EXPECT_EQ(rig.controller.saveQueue[101], -1);
}

struct Refusal {
  KeyCode code;
  int error;
  std::string text;
};

class KeyWriteRefusal : public KeyWrite, public ::testing::WithParamInterface<Refusal> {};

TEST_P(KeyWriteRefusal, OffersTheSameIdAgain) {
  Connect();
  answers = {{GetParam().code, "x"}, {{}, "", KeyDialogEnd::Cancel}};
  rig.controller.AddKeys();
  ASSERT_EQ(setups.size(), 2u);
  EXPECT_EQ(setups[1].keyId, setups[0].keyId);
  EXPECT_EQ(rig.view.boxes.at(0).text, GetParam().text);
  EXPECT_EQ(rig.view.LogLines()[1],
            "Error no. " + std::to_string(GetParam().error) + " - " + GetParam().text);
  EXPECT_EQ(rig.view.LogLines()[0], "0");
  EXPECT_EQ(rig.timers.PeriodOf(kWatchdogTimer), 500ms);
  EXPECT_EQ(rig.view.rows.size(), 4u);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, KeyWriteRefusal,
    ::testing::Values(Refusal{KeyCode{}, 110, "Wrong key number"},  // a bad reader code reads as none
                      Refusal{[] {
                                KeyCode c = EightByteCode(3);
                                c[7] ^= 1;
                                return c;
                              }(),
                              110, "Wrong key number"},
                      Refusal{EightByteCode(3), 112, "This key has been already saved"}));

TEST_F(KeyWrite, CancellingAnEditRestartsTheWatchdogAtOneSecond) {
  Connect();
  rig.view.selected = 0;
  rig.controller.OnListClicked();
  rig.controller.EditKey();
  EXPECT_EQ(rig.timers.PeriodOf(kWatchdogTimer), 1000ms);
  EXPECT_EQ(rig.device.WrittenBytes(), Bytes({}));
  rig.controller.EditKey();
  EXPECT_EQ(rig.view.LogLines().front(), "No key chosen");
}

TEST_F(KeyWrite, TheReaderHighlightFollowsItsKeyAcrossRefills) {
  Connect();
  rig.controller.image().ZeroKeyCode(1);
  rig.controller.RefillKeyList();
  unit->HoldKey(EightByteCode(4));  // record 3
  rig.RunFor(2s);
  unit->ReleaseKey();
  ASSERT_EQ(rig.controller.highlightedRow, 2);
  answers = {{EightByteCode(60), ""}};  // takes the free record 1: rows shift down
  rig.controller.AddKeys();
  EXPECT_EQ(rig.controller.highlightedRow, 3);
  EXPECT_EQ(rig.view.highlighted, std::set<int>{3});
  EXPECT_EQ(rig.controller.TargetRecord(), 3);
  ASSERT_TRUE(RunToWatchdog());
  rig.controller.DeleteKey();
  EXPECT_EQ(rig.view.questions.back().text, "Do you really want to delete key with ID 3?");
  EXPECT_EQ(rig.controller.highlightedRow, -1);
  EXPECT_EQ(rig.controller.TargetRecord(), std::nullopt);
}

TEST_F(KeyWrite, AReaderSilentUnderTheDialogStartsNothingAndChangesNothing) {
  Connect();
  const ImageBytes before = rig.controller.image().Bytes();
  answers = {{EightByteCode(70), "", KeyDialogEnd::NextKey}, {EightByteCode(71), "", KeyDialogEnd::NextKey}};
  rig.view.keyDialog = [this](KeyDialog& dialog) {
    silentFromNowOn = setups.size() == 1;
    return Play(dialog);
  };
  rig.controller.AddKeys();
  EXPECT_TRUE(driver.okDisabled);
  ASSERT_EQ(rig.view.boxes.size(), 1u);
  EXPECT_EQ(rig.view.boxes[0].text, "Error no. 501 - QEL disconnected");
  EXPECT_EQ(rig.timers.RunningCount(), 0);
  EXPECT_TRUE(rig.controller.image().Bytes() == before);
  EXPECT_EQ(rig.view.rows.size(), 4u);
  EXPECT_EQ(rig.view.Buttons(), Sequencer::kDisconnectedCommands);
  EXPECT_EQ(rig.device.WrittenBytes(), Bytes({}));
}

TEST_F(KeyWrite, ALinkLostUnderTheDeleteQuestionDeletesNothing) {
  Connect();
  rig.view.selected = 1;
  rig.controller.OnListClicked();
  rig.view.whileAsking = [this] {
    unit->SetFaults(SilentReader());
    rig.RunUntil([&] { return rig.timers.RunningCount() == 0; }, 1min);
  };
  rig.controller.DeleteKey();
  EXPECT_EQ(rig.view.boxes.size(), 1u);
  EXPECT_TRUE(rig.controller.image().IsUsed(1));
  EXPECT_EQ(rig.timers.RunningCount(), 0);
  EXPECT_EQ(rig.view.Buttons(), Sequencer::kDisconnectedCommands);
}

TEST(KeyLoadAfterAnotherUnit, ListsOnlyTheNewUnitsKeys) {
  test::UnitRig rig;
  sim::SimulatedUnit& first = rig.AddUnit(1);
  first.LoadMemory(test::MemoryWithKeys(100, 30));
  rig.AddUnit(2).LoadMemory(test::MemoryWithKeys(100, 5));
  ASSERT_TRUE(rig.Connect({4719, 1, 1, 1}));
  first.SetFaults(SilentReader());
  ASSERT_TRUE(rig.RunUntil([&] { return rig.timers.RunningCount() == 0; }, 1min));
  ASSERT_TRUE(rig.Connect({4719, 1, 1, 2}));
  EXPECT_EQ(rig.view.rows.size(), 5u);
  EXPECT_TRUE(rig.controller.image().IsErased(5));
}

}  // namespace
}  // namespace qel
