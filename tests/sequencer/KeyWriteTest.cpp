// Adding, editing and deleting keys against the simulated unit, which really stores and deletes:
// the bytes and their ticks, the errors of both operations, and what the commands leave behind
// when a dialog, a question or the link goes wrong. The key dialog runs its logic on the virtual
// clock; the operator's answers are scripted.
#include <gtest/gtest.h>

#include <algorithm>

#include "link/UnitCommands.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/KeyImages.h"
#include "tests/support/UnitRig.h"

namespace qel {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::BytesEqual;
using test::EightByteCode;
using Timeline = std::vector<std::pair<long, int>>;

Floors FloorsOf(std::initializer_list<int> floors) {
  Floors bits{};
  for (int floor : floors) SetFloor(bits, floor, true);
  return bits;
}

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

// A connected window over a unit holding `keys` keys; the fixture plays the key dialog's window.
class KeyWrite : public ::testing::Test, public KeyDialogWindow {
 protected:
  void ShowKeyText(std::string_view) override {}
  void DisableOk() override { okDisabled = true; }
  void ShowMessage(std::string_view) override {}

  void Connect(int recordSize = 100, int keys = 4) {
    unit = &rig.AddUnit(1, {.recordSize = recordSize});
    unit->LoadMemory(test::MemoryWithKeys(recordSize, keys));
    ASSERT_TRUE(rig.Connect({4719, 1, 1, 1}));
    rig.view.keyDialog = [this](KeyDialog& dialog) { return Play(dialog); };
  }

  KeyDialogEnd Play(KeyDialog& dialog) {
    setups.push_back(dialog.setup());
    const Answer answer = answers.empty() ? Answer{{}, "", KeyDialogEnd::Cancel} : answers.front();
    if (!answers.empty()) answers.erase(answers.begin());
    if (answer.atReader != KeyCode{}) unit->HoldKey(answer.atReader);
    if (setups.size() == silentFromDialog) unit->SetFaults(SilentReader());
    dialog.Open(*this, dialogTimers);
    const sim::SimTime end = rig.clock.Now() + (setups.size() == silentFromDialog ? 11s : 200ms);
    while (dialogTimers.AdvanceToNextTick(end)) dialog.OnTimer();
    unit->ReleaseKey();
    dialogEnd = rig.clock.Now();
    rig.device.ClearWritten();
    const bool taken = answer.end != KeyDialogEnd::Cancel && dialog.Accept("", answer.comment);
    dialog.Close(answer.floors);
    return taken ? answer.end : KeyDialogEnd::Cancel;
  }

  bool RunToWatchdog() {
    return rig.RunUntil([&] { return rig.WatchdogRuns() && rig.view.IsEnabled(Command::AddKeys); }, 10min);
  }
  void Pick(int row) {
    rig.view.selected = row;
    rig.controller.OnListClicked();
  }
  // The first `count` bytes written since the last dialog, each with the tick (ms after that
  // dialog) it went out on.
  Timeline Sent(std::size_t count) const {
    Timeline out;
    for (const auto& w : rig.device.Written())
      out.emplace_back(
          std::chrono::duration_cast<std::chrono::milliseconds>(w.at - dialogEnd).count() / 100 * 100,
          w.byte);
    out.resize(count);
    return out;
  }
  std::span<const std::uint8_t> UnitRecord(int id) const {
    return unit->Memory().subspan(static_cast<std::size_t>(id * unit->RecordSize()),
                                  static_cast<std::size_t>(unit->RecordSize()));
  }
  long Count(std::string_view line) const {
    const std::vector<std::string> log = rig.view.LogLines();
    return std::count(log.begin(), log.end(), line);
  }

  test::UnitRig rig;
  test::VirtualTimerHost dialogTimers{rig.clock};
  sim::SimulatedUnit* unit = nullptr;
  std::vector<Answer> answers;
  std::vector<KeyDialogSetup> setups;
  std::size_t silentFromDialog = 0;
  bool okDisabled = false;
  sim::SimTime dialogEnd{};
};

TEST_F(KeyWrite, SavingOneKeyTakesFifteenSecondsOnTheProtocolsOwnTicks) {
  Connect();
  const KeyCode code = EightByteCode(77);
  answers = {{code, "Ab", KeyDialogEnd::Ok, FloorsOf({1, 2, 24})}};
  rig.controller.AddKeys();
  ASSERT_TRUE(RunToWatchdog());

  Timeline expected{{2400, unit::kSaveKey}, {2600, 0x00}, {2800, 0x04}};
  for (int i = 0; i < 12; ++i) expected.emplace_back(3000 + 200 * i, code[static_cast<std::size_t>(i)]);
  expected.insert(expected.end(), {{5400, 0x03},
                                   {5600, 0x00},
                                   {5800, 0x80},
                                   {10200, 'A'},
                                   {10400, 'b'},
                                   {10600, 0x00},
                                   {15000, unit::kIdle}});
  EXPECT_EQ(Sent(expected.size()), expected);
  EXPECT_EQ(rig.timers.PeriodOf(kWatchdogTimer), 500ms);
  std::vector<std::uint8_t> record(code.begin(), code.end());
  record.insert(record.end(), {0x03, 0x00, 0x80, 'A', 'b'});
  record.resize(100, 0x00);
  EXPECT_TRUE(BytesEqual(record, UnitRecord(4)));
  const std::vector<std::string> log = rig.view.LogLines();
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 6),
            (std::vector<std::string>{"Key saved", "**********", "Saving key with ID 4", "***", "1",
                                      "Key recorded"}));
  EXPECT_EQ(rig.view.progress.front().what + ", " + rig.view.progress.front().timeLeft,
            "Saving key 1 of 1 (ID 4), 0:15 left");
  EXPECT_EQ(rig.view.progress.back().percent, 100);
  EXPECT_FALSE(rig.view.progressShown);
}

TEST_F(KeyWrite, DeletingIdThreeHundredSendsItsBytesAndWaitsForTheUnit) {
  Connect(100, 301);
  rig.device.ClearWritten();
  Pick(300);
  rig.controller.DeleteKey();
  dialogEnd = rig.clock.Now();
  ASSERT_TRUE(RunToWatchdog());
  rig.RunFor(600ms);
  EXPECT_EQ(Sent(4), (Timeline{{0, unit::kDeleteKey}, {200, 0x01}, {400, 0x2C}, {4700, unit::kIdle}}));
  EXPECT_EQ(rig.view.questions.at(0).text, "Do you really want to delete key with ID 300 (Key 300, " +
                                               KeyCodeToText(EightByteCode(301)) + ")?");
  EXPECT_EQ(rig.view.LogLines().front(), "Key with ID 300 was deleted");
  EXPECT_TRUE(BytesEqual(std::vector<std::uint8_t>(12, 0x00), UnitRecord(300).first(12)));
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
  ASSERT_TRUE(RunToWatchdog());
  EXPECT_EQ(Count("Key saved"), 3);
  for (int id : {4, 5, 6}) EXPECT_EQ(UnitRecord(id)[0], EightByteCode(id + 66)[0]);
  EXPECT_EQ(rig.view.progress.back().what, "Saving key 3 of 3 (ID 6)");
}

TEST_F(KeyWrite, AnEditDeletesAndSavesUnderTheSameIdWithoutADeletionLine) {
  Connect();
  Pick(2);
  answers = {{{}, "Nový nájemník", KeyDialogEnd::Ok, FloorsOf({5})}};
  rig.controller.OnListDoubleClicked();
  ASSERT_FALSE(setups.at(0).addMode);
  ASSERT_TRUE(RunToWatchdog());
  EXPECT_EQ(rig.device.WrittenBytes().at(0), unit::kDeleteKey);
  EXPECT_EQ(UnitRecord(2)[0], EightByteCode(3)[0]);
  EXPECT_EQ(UnitRecord(2)[12], 0x10);
  EXPECT_EQ(rig.view.rows[2].comment, "Nový nájemník");
  EXPECT_EQ(Count("Key with ID 2 was deleted"), 0);
  EXPECT_EQ(Count("Key saved"), 1);
}

// From the list's menu or from the edit dialog; confirmed or not.
struct ReplaceCase {
  bool fromEditDialog;
  bool confirmed;
};

class KeyWriteReplace : public KeyWrite, public ::testing::WithParamInterface<ReplaceCase> {};

TEST_P(KeyWriteReplace, TheLostKeysIdFloorsAndCommentGoToTheNewCodeOnceConfirmed) {
  Connect();
  const auto before = UnitRecord(2);
  const std::vector<std::uint8_t> lost(before.begin(), before.end());
  const KeyCode fresh = EightByteCode(90);
  Pick(2);
  answers = {{fresh, "Key 2", KeyDialogEnd::Ok, FloorsOf({3})}};
  rig.view.yesAnswer = GetParam().confirmed;
  if (GetParam().fromEditDialog) {
    answers.insert(answers.begin(), Answer{{}, "Key 2", KeyDialogEnd::Replace, FloorsOf({3})});
    rig.controller.EditKey();
  } else {
    rig.controller.ReplaceKey();
  }
  ASSERT_TRUE(setups.back().replacing && setups.back().addMode);
  EXPECT_EQ(setups.back().floors, FloorsOf({3}));
  EXPECT_EQ(setups.back().commentText, "Key 2");
  EXPECT_EQ(rig.view.questions.back().text,
            "The key with ID 2 (Key 2, " + KeyCodeToText(EightByteCode(3)) + ") gets the new code " +
                KeyCodeToText(fresh) + ", and the old key will no longer open the lift. Replace it?");
  ASSERT_TRUE(RunToWatchdog());
  std::vector<std::uint8_t> replaced(fresh.begin(), fresh.end());
  replaced.insert(replaced.end(), {0x04, 0x00, 0x00, 'K', 'e', 'y', ' ', '2'});
  replaced.resize(100, 0x00);
  EXPECT_TRUE(BytesEqual(GetParam().confirmed ? replaced : lost, UnitRecord(2)));
  const std::vector<std::uint8_t> sent = rig.device.WrittenBytes();
  EXPECT_EQ(!sent.empty() && sent[0] == unit::kDeleteKey, GetParam().confirmed);
}

INSTANTIATE_TEST_SUITE_P(Ways, KeyWriteReplace,
                         ::testing::Values(ReplaceCase{false, true}, ReplaceCase{true, true},
                                           ReplaceCase{false, false}));

struct Fault {
  int error;
  std::uint8_t command;
  int index;  // of the reply byte
  std::vector<std::uint8_t> bytes;
  int recordSize = 100;
  std::string comment = "Ab";
};

class KeyWriteFault : public KeyWrite, public ::testing::WithParamInterface<Fault> {};

TEST_P(KeyWriteFault, IsACriticalErrorThatStopsEverything) {
  const Fault& f = GetParam();
  Connect(f.recordSize);
  sim::Faults faults;
  faults.wrongReplies = {{f.command, 0, f.index, f.bytes}};
  unit->SetFaults(faults);
  answers = {{EightByteCode(50), f.comment}};
  Pick(1);
  f.command == unit::kDeleteKey ? rig.controller.DeleteKey() : rig.controller.AddKeys();
  rig.RunFor(30s);
  ASSERT_EQ(rig.view.boxes.size(), 1u);
  EXPECT_EQ(rig.view.boxes[0].text, "Critical error no. " + std::to_string(f.error) +
                                        "!\r\nPlease turn QEL and this program off and on again.");
  EXPECT_EQ(rig.timers.RunningCount(), 0);
  EXPECT_EQ(rig.view.Buttons(), (std::array<int, kCommandCount>{}));
  EXPECT_FALSE(rig.view.progressShown);
  EXPECT_EQ(Count("Key saved"), 0);
}

// A save's replies: 17 echoes (0-16), the acknowledgement after the floors (17) and after the
// comment (18); a delete's: two echoes and the acknowledgement.
INSTANTIATE_TEST_SUITE_P(
    Replies, KeyWriteFault,
    ::testing::Values(Fault{101, unit::kSaveKey, 16, {0x55}}, Fault{102, unit::kSaveKey, 17, {0x15}},
                      Fault{103, unit::kSaveKey, 17, {}}, Fault{104, unit::kSaveKey, 18, {0x15}},
                      Fault{105, unit::kSaveKey, 18, {}},
                      Fault{104, unit::kSaveKey, 18, {0x15}, 20, "12345"},  // a comment filling its field
                      Fault{201, unit::kDeleteKey, 1, {0x00}}, Fault{202, unit::kDeleteKey, 2, {0x15}},
                      Fault{203, unit::kDeleteKey, 1, {}}));

struct CommentCase {
  int recordSize;
  std::string comment;
  std::vector<std::uint8_t> sent;  // after the floors
  long savedAt;                    // the 0x7A's tick, ms after the dialog
};

class KeyWriteComment : public KeyWrite, public ::testing::WithParamInterface<CommentCase> {};

TEST_P(KeyWriteComment, GoesOutUpToItsEndAndIsStored) {
  const CommentCase& c = GetParam();
  Connect(c.recordSize, 2);
  answers = {{EightByteCode(9), c.comment}};
  rig.controller.AddKeys();
  ASSERT_TRUE(RunToWatchdog());
  const Timeline sent = Sent(19 + c.sent.size());
  std::vector<std::uint8_t> bytes;
  for (auto it = sent.begin() + 18; it != sent.end(); ++it)
    bytes.push_back(static_cast<std::uint8_t>(it->second));
  std::vector<std::uint8_t> expected = c.sent;
  expected.push_back(unit::kIdle);
  EXPECT_TRUE(BytesEqual(expected, bytes));
  EXPECT_EQ(sent.back().first, c.savedAt);
  const auto stored = UnitRecord(2).subspan(std::min<std::size_t>(kCommentOffset, UnitRecord(2).size()));
  EXPECT_EQ(std::string(stored.begin(), std::find(stored.begin(), stored.end(), 0x00)), c.comment);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, KeyWriteComment,
    ::testing::Values(CommentCase{100, "", {0x00}, 14600},
                      CommentCase{20, "12345", {'1', '2', '3', '4', '5', 0x00}, 15200},
                      // No comment field: the closing 0x00 alone, never the next record's byte.
                      CommentCase{15, "", {0x00}, 14600}));

TEST_F(KeyWrite, TheHundredAndFirstKeyOfARunOffersNoNextKeyAndEndsTheRun) {
  Connect(40, 0);
  for (int i = 0; i < 101; ++i)
    answers.push_back({EightByteCode(100 + i), "", i < 100 ? KeyDialogEnd::NextKey : KeyDialogEnd::Ok});
  rig.controller.AddKeys();
  ASSERT_EQ(setups.size(), 101u);
  EXPECT_TRUE(setups[99].nextKeyAllowed);
  EXPECT_FALSE(setups[100].nextKeyAllowed);
  EXPECT_EQ(rig.view.LogLines()[1], "101");
  EXPECT_EQ(rig.controller.saveQueue[100], 100);
  EXPECT_EQ(rig.controller.saveQueue[101], -1);
}

TEST_F(KeyWrite, ARefusedCodeIsOfferedTheSameIdAgainAndACancelledRunRestsAtHalfASecond) {
  Connect();
  KeyCode badCheck = EightByteCode(3);
  badCheck[7] ^= 1;  // shown as no key, so taken as all zero
  answers = {{badCheck, "x"}, {EightByteCode(3), "x"}, {{}, "", KeyDialogEnd::Cancel}};
  rig.controller.AddKeys();
  ASSERT_EQ(setups.size(), 3u);
  EXPECT_TRUE(setups[1].keyId == 4 && setups[2].keyId == 4);
  ASSERT_EQ(rig.view.boxes.size(), 2u);
  EXPECT_EQ(rig.view.boxes[0].text + "|" + rig.view.boxes[1].text,
            "Wrong key number|This key has been already saved");
  const std::vector<std::string> log = rig.view.LogLines();
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 3),
            (std::vector<std::string>{"0", "Error no. 112 - This key has been already saved",
                                      "Error no. 110 - Wrong key number"}));
  EXPECT_EQ(rig.timers.PeriodOf(kWatchdogTimer), 500ms);
  EXPECT_EQ(rig.view.rows.size(), 4u);
}

TEST_F(KeyWrite, ClosingWhileTheUnitIsWrittenAsksFirst) {
  Connect();
  EXPECT_TRUE(rig.controller.MayClose());
  answers = {{EightByteCode(70), ""}};
  rig.controller.AddKeys();
  for (const auto stop : {1s, 5s, 11s}) {  // the save's ticks, its pauses, after its comment
    rig.RunFor(stop - 1s);
    rig.view.yesAnswer = false;
    EXPECT_FALSE(rig.controller.MayClose()) << stop.count();
  }
  rig.view.yesAnswer = true;
  EXPECT_TRUE(rig.controller.MayClose());
  EXPECT_EQ(rig.view.questions.size(), 4u);
  EXPECT_EQ(rig.view.questions[0].text,
            "QEL is being written to. If the program closes now, a key may be left half-written in the unit. "
            "Close anyway?");
  ASSERT_TRUE(RunToWatchdog());
  EXPECT_EQ(Count("Key saved"), 1);  // No let the save finish
}

TEST_F(KeyWrite, ACancelledEditRestsAtOneSecondAndNeedsANewPick) {
  Connect();
  Pick(0);
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
  unit->HoldKey(EightByteCode(4));  // record 3, row 2
  rig.RunFor(2s);
  unit->ReleaseKey();
  ASSERT_EQ(rig.controller.highlightedRow, 2);
  answers = {{EightByteCode(60), ""}};  // takes the free record 1: the rows after it move down
  rig.controller.AddKeys();
  EXPECT_EQ(rig.view.highlighted, std::set<int>{3});
  EXPECT_EQ(rig.controller.TargetRecord(), 3);
  ASSERT_TRUE(RunToWatchdog());
  rig.controller.DeleteKey();
  EXPECT_EQ(rig.view.questions.back().text,
            "Do you really want to delete key with ID 3 (Key 3, " + KeyCodeToText(EightByteCode(4)) + ")?");
  EXPECT_EQ(rig.controller.highlightedRow, -1);
  EXPECT_EQ(rig.controller.TargetRecord(), std::nullopt);
}

TEST_F(KeyWrite, UnderAFilterTheFloorsEditAndDeleteTakeTheKeyOfTheRowShown) {
  Connect(100, 12);
  rig.controller.SetKeyFilter("KEY 1");  // records 1, 10 and 11
  EXPECT_EQ(rig.view.filterSummary, "Keys shown: 3 of 12");
  Pick(1);
  EXPECT_EQ(rig.view.FloorsShown(), std::vector<int>{11});
  rig.controller.DeleteKey();
  ASSERT_TRUE(RunToWatchdog());
  EXPECT_EQ(UnitRecord(10)[0], 0x00);
  Pick(1);
  answers = {{{}, "Lobby"}};
  rig.controller.EditKey();
  ASSERT_TRUE(RunToWatchdog());
  EXPECT_EQ(UnitRecord(11)[kCommentOffset], 'L');
  // Both refills kept the filter, which no longer finds the renamed key.
  EXPECT_EQ(rig.view.rows.size(), 1u);
  EXPECT_EQ(rig.view.filterSummary, "Keys shown: 1 of 11");
}

TEST_F(KeyWrite, AKeyHiddenByTheFilterStaysTheTargetAndAHiddenPickComesBack) {
  Connect(100, 12);
  Pick(1);
  rig.controller.SetKeyFilter("key 11");
  EXPECT_EQ(rig.controller.TargetRecord(), std::nullopt);
  rig.controller.SetKeyFilter("");
  EXPECT_EQ(rig.view.filterSummary, "");
  EXPECT_EQ(rig.view.selected, 1);
  EXPECT_EQ(rig.view.FloorsShown(), std::vector<int>{2});

  rig.controller.SetKeyFilter("key 11");
  Pick(0);                          // record 11
  unit->HoldKey(EightByteCode(3));  // record 2
  rig.RunFor(2s);
  unit->ReleaseKey();
  EXPECT_TRUE(rig.view.highlighted.empty() && !rig.view.selected);
  EXPECT_EQ(rig.view.FloorsShown(), std::vector<int>{3});
  EXPECT_EQ(rig.controller.TargetRecord(), 2);
  // Shown again, the key at the reader takes the selection; the earlier pick does not return.
  rig.controller.SetKeyFilter("");
  EXPECT_EQ(rig.view.highlighted, std::set<int>{2});
  EXPECT_EQ(rig.view.selected, 2);
}

TEST_F(KeyWrite, AReaderSilentUnderTheDialogStartsNothingAndChangesNothing) {
  Connect();
  const ImageBytes before = rig.controller.image().Bytes();
  answers = {{EightByteCode(70), "", KeyDialogEnd::NextKey}, {EightByteCode(71), "", KeyDialogEnd::NextKey}};
  silentFromDialog = 2;
  rig.controller.AddKeys();
  EXPECT_TRUE(okDisabled);
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
  Pick(1);
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
