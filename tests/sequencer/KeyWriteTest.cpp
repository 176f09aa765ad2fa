// Adding, editing and deleting keys against the simulated unit, which really stores and deletes:
// the bytes and their ticks, the errors of both operations, and what the commands leave behind
// when a dialog, a question or the link goes wrong. The key dialog runs its logic on the virtual
// clock; the operator's answers are scripted.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "files/ImageFile.h"
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
using test::Timeline;

Floors FloorsOf(std::initializer_list<int> floors) {
  Floors bits{};
  for (int floor : floors) SetFloor(bits, floor, true);
  return bits;
}

// What the operator does in one key dialog.
struct Answer {
  KeyCode atReader{};
  std::string comment{};
  KeyDialogEnd end = KeyDialogEnd::Ok;
  Floors floors = FloorsOf({1, 24});
  std::string typed{};  // a code typed in manual entry
  KeyCode later{};      // held for another 200 ms, after "Read another key" when `another`
  bool another = false;
};

// A connected window over a unit holding `keys` keys; the fixture plays the key dialog's window.
class KeyWrite : public ::testing::Test, public KeyDialogWindow {
 protected:
  void ShowKeyText(std::string_view) override {}
  void DisableOk() override { okDisabledAfter = rig.clock.Now() - dialogOpened; }
  void ShowMessage(std::string_view, KeyField) override {}
  bool AskYesNo(std::string_view) override { return true; }
  void ShowStatus(std::string_view text) override { statuses.emplace_back(text); }

  void Connect(int recordSize = 100, int keys = 4) {
    ASSERT_TRUE(rig.ConnectUnit({.recordSize = recordSize}, keys));
    unit = rig.unit;
    rig.view.keyDialog = [this](KeyDialog& dialog) { return Play(dialog); };
  }
  // The reader goes silent under dialog number `silentFromDialog`, which then waits it out.
  KeyDialogEnd Play(KeyDialog& dialog) {
    setups.push_back(dialog.setup());
    const Answer answer = answers.empty() ? Answer{{}, "", KeyDialogEnd::Cancel} : answers.front();
    if (!answers.empty()) answers.erase(answers.begin());
    if (answer.atReader != KeyCode{}) unit->HoldKey(answer.atReader);
    if (setups.size() == silentFromDialog) unit->SetFaults(test::DeadAt(unit::kReadReader));
    dialogOpened = rig.clock.Now();
    dialog.Open(*this, rig.dialogTimers);
    setups.back().floors = dialog.floors();  // those ticked once open
    const sim::SimTime end = rig.clock.Now() + (setups.size() == silentFromDialog ? 11s : 200ms);
    while (rig.dialogTimers.AdvanceToNextTick(end)) dialog.OnTimer();
    if (answer.another) dialog.ReadAnotherKey();
    if (answer.later != KeyCode{}) unit->HoldKey(answer.later);
    while (answer.later != KeyCode{} && rig.dialogTimers.AdvanceToNextTick(end + 200ms)) dialog.OnTimer();
    unit->ReleaseKey();
    codes.push_back(dialog.keyCode());
    dialogEnd = rig.clock.Now();
    rig.device.ClearWritten();
    if (!answer.typed.empty()) dialog.ToggleManualEntry();
    const bool taken = answer.end != KeyDialogEnd::Cancel && dialog.Accept(answer.typed, answer.comment);
    dialog.Close(answer.floors);
    return taken ? answer.end : KeyDialogEnd::Cancel;
  }
  void Pick(int row) {
    rig.view.selected = row;
    rig.controller.OnListClicked();
  }
  // The first `count` bytes written since the last dialog, each with its tick (ms after it).
  Timeline Sent(std::size_t count) const {
    Timeline sent = rig.SentSince(dialogEnd, count);
    sent.resize(count);
    return sent;
  }
  std::span<const std::uint8_t> UnitRecord(int id) const {
    return unit->Memory().subspan(static_cast<std::size_t>(id * unit->RecordSize()),
                                  static_cast<std::size_t>(unit->RecordSize()));
  }
  // One automatic backup, named in `box`, that holds the PC's image.
  void ExpectOneBackupOfTheImageNamedIn(const std::string& box) const {
    const std::vector<std::filesystem::path> backups = rig.Backups();
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_NE(box.find(backups[0].string()), std::string::npos) << box;
    ImageBytes kept{};
    ImageSettings settings{};
    ASSERT_TRUE(LoadImageFile(backups[0], kept, settings).Ok());
    EXPECT_EQ(kept, rig.controller.image().Bytes());
  }
  // A record as the unit stores it.
  std::vector<std::uint8_t> Record(const KeyCode& code, std::vector<std::uint8_t> rest) const {
    std::vector<std::uint8_t> record(code.begin(), code.end());
    record.insert(record.end(), rest.begin(), rest.end());
    record.resize(static_cast<std::size_t>(unit->RecordSize()), 0x00);
    return record;
  }

  test::UnitRig rig;
  sim::SimulatedUnit* unit = nullptr;
  std::vector<Answer> answers;
  std::vector<KeyDialogSetup> setups;
  std::vector<std::string> statuses;
  std::vector<KeyCode> codes;  // what each dialog held when the operator answered
  std::size_t silentFromDialog = 0;
  std::optional<sim::SimTime> okDisabledAfter;
  sim::SimTime dialogOpened{}, dialogEnd{};
};

TEST_F(KeyWrite, DeletingIdThreeHundredSendsItsBytesAndWaitsForTheUnit) {
  Connect(100, 301);
  rig.device.ClearWritten();
  dialogEnd = rig.clock.Now();
  rig.controller.DeleteKey(300);
  ASSERT_TRUE(rig.RunToWatchdog());
  rig.RunFor(600ms);
  EXPECT_EQ(Sent(4), (Timeline{{0, unit::kDeleteKey}, {200, 0x01}, {400, 0x2C}, {4700, unit::kIdle}}));
  EXPECT_EQ(rig.view.questions.at(0).text, "Do you really want to delete key with ID 300 (Key 300, " +
                                               KeyCodeToText(EightByteCode(301)) + ")?");
  EXPECT_EQ(rig.view.LogLines().front(), "Key with ID 300 was deleted");
  EXPECT_TRUE(BytesEqual(std::vector<std::uint8_t>(12, 0x00), UnitRecord(300).first(12)));
  EXPECT_EQ(rig.view.rows.size(), 300u);
  EXPECT_EQ(rig.view.progress.front().what, "Deleting key with ID 300");
}

// A cancelled edit rests at one second and needs a new pick; a taken one deletes and saves under the
// same ID without a deletion line.
TEST_F(KeyWrite, AnEditDeletesAndSavesUnderTheSameIdWithoutADeletionLine) {
  Connect();
  Pick(0);
  rig.controller.EditKey(rig.Target().value());
  EXPECT_EQ(rig.timers.PeriodOf(Sequencer::kTimerId), 1000ms);
  EXPECT_EQ(rig.device.WrittenBytes(), Bytes({}));
  EXPECT_EQ(rig.Target(), std::nullopt);
  Pick(2);
  answers = {{{}, "Nový nájemník", KeyDialogEnd::Ok, FloorsOf({5})}};
  rig.controller.EditKey(rig.Target().value());
  ASSERT_FALSE(setups.at(1).addMode);
  ASSERT_TRUE(rig.RunToWatchdog());
  EXPECT_EQ(rig.device.WrittenBytes().at(0), unit::kDeleteKey);
  EXPECT_EQ(UnitRecord(2)[0], EightByteCode(3)[0]);
  EXPECT_EQ(UnitRecord(2)[12], 0x10);
  EXPECT_EQ(rig.view.rows[2].comment, "Nový nájemník");
  EXPECT_EQ(rig.view.Logged("Key with ID 2 was deleted"), 0);
  EXPECT_EQ(rig.view.Logged("Key saved"), 1);
}

// From the list's menu or from the edit dialog; confirmed or not.
struct ReplaceCase {
  bool fromEditDialog;
  bool confirmed;
  bool clashFirst = false;  // the code of key 1 is typed first
};

class KeyWriteReplace : public KeyWrite, public ::testing::WithParamInterface<ReplaceCase> {};

TEST_P(KeyWriteReplace, TheLostKeysIdFloorsAndCommentGoToTheNewCodeOnceConfirmed) {
  Connect();
  const std::vector<std::uint8_t> lost(UnitRecord(2).begin(), UnitRecord(2).end());
  const KeyCode fresh = EightByteCode(90);
  answers = {{fresh, "Key 2", KeyDialogEnd::Ok, FloorsOf({3})}};
  if (GetParam().clashFirst)
    answers.insert(answers.begin(),
                   {{}, "Lost", KeyDialogEnd::Ok, FloorsOf({5}), KeyCodeToText(EightByteCode(2))});
  rig.view.yesAnswer = GetParam().confirmed;
  if (GetParam().fromEditDialog) {
    answers.insert(answers.begin(), Answer{{}, "Key 2", KeyDialogEnd::Replace, FloorsOf({3})});
    rig.controller.EditKey(2);
  } else {
    rig.controller.ReplaceKey(2);
  }
  ASSERT_TRUE(setups.back().replacing && setups.back().addMode);
  // Refused, the code is asked for again with what the operator entered.
  EXPECT_EQ(setups.back().floors, FloorsOf({GetParam().clashFirst ? 5 : 3}));
  EXPECT_EQ(setups.back().commentText, GetParam().clashFirst ? "Lost" : "Key 2");
  EXPECT_EQ(rig.view.questions.back().text,
            "The key with ID 2 (Key 2, " + KeyCodeToText(EightByteCode(3)) + ") gets the new code " +
                KeyCodeToText(fresh) + ", and the old key will no longer open the lift. Replace it?");
  ASSERT_TRUE(rig.RunToWatchdog());
  EXPECT_TRUE(
      BytesEqual(GetParam().confirmed ? Record(fresh, {0x04, 0x00, 0x00, 'K', 'e', 'y', ' ', '2'}) : lost,
                 UnitRecord(2)));
  const std::vector<std::uint8_t> sent = rig.device.WrittenBytes();
  EXPECT_EQ(!sent.empty() && sent[0] == unit::kDeleteKey, GetParam().confirmed);
}

INSTANTIATE_TEST_SUITE_P(Ways, KeyWriteReplace,
                         ::testing::Values(ReplaceCase{false, true}, ReplaceCase{true, true},
                                           ReplaceCase{false, false}, ReplaceCase{true, true, true}));

enum class Write { Add, Edit, Delete };

struct Fault {
  int error;
  std::uint8_t command;
  int index;  // of the reply byte
  std::vector<std::uint8_t> bytes;
  Write write = Write::Add;
  int recordSize = 100;
  std::string comment = "Ab";
};

class KeyWriteFault : public KeyWrite, public ::testing::WithParamInterface<Fault> {};

// A failed write is a critical error; the key it had in hand stays listed and marked, is named
// with what the unit holds of it now, and is kept in the automatic backup. Only Connect remains;
// it lets the halted unit go and connects afresh, which reads everything again.
TEST_P(KeyWriteFault, IsACriticalErrorThatSaysWhatTheUnitHoldsNowUntilConnect) {
  const Fault& f = GetParam();
  Connect(f.recordSize);
  unit->SetFaults(test::WrongReply(f.command, f.index, f.bytes));
  answers = {{EightByteCode(50), f.comment, KeyDialogEnd::Ok, FloorsOf({1, 5, 6, 7})}};
  if (f.write == Write::Add) rig.controller.AddKeys();
  if (f.write == Write::Edit) rig.controller.EditKey(1);
  if (f.write == Write::Delete) rig.controller.DeleteKey(1);
  rig.RunFor(30s);
  ASSERT_EQ(rig.view.boxes.size(), 2u);
  EXPECT_EQ(rig.view.boxes[0].text, "Critical error no. " + std::to_string(f.error) +
                                        "!\r\nPlease turn QEL off and on again, then press Connect QEL: "
                                        "the program connects afresh and reads everything again.");
  EXPECT_EQ(rig.timers.RunningCount(), 0);
  EXPECT_EQ(rig.view.Buttons(), Sequencer::kDisconnectedCommands);
  EXPECT_EQ(rig.view.connectText, "&Connect QEL");
  EXPECT_FALSE(rig.view.progressShown);
  EXPECT_EQ(rig.view.Logged("Key saved"), 0);

  const int id = f.write == Write::Add ? 4 : 1;
  const std::string code = KeyCodeToText(EightByteCode(f.write == Write::Add ? 50 : 2));
  const std::string said =
      f.write == Write::Add
          ? "Key with ID 4 was not stored in QEL: code " + code + ", floors 1,5-7, comment " + f.comment
      : f.write == Write::Edit
          ? f.command == unit::kDeleteKey
                ? "Key with ID 1: deletion not confirmed, QEL may still hold the key: code " + code +
                      ", floors 1,5-7, comment Ab"
                : "Key with ID 1 was deleted in QEL and not stored again: code " + code +
                      ", floors 1,5-7, comment Ab"
          : "Key with ID 1: deletion not confirmed, QEL may still hold the key: code " + code +
                ", floors 2, comment Key 1";
  EXPECT_NE(rig.view.boxes[1].text.find(said), std::string::npos) << rig.view.boxes[1].text;
  EXPECT_EQ(rig.view.Logged(said), 1);
  const KeyMark mark = f.command == unit::kDeleteKey ? KeyMark::DeletionNotConfirmed
                       : f.write == Write::Edit      ? KeyMark::DeletedNotStored
                                                     : KeyMark::NotStored;
  ASSERT_EQ(rig.view.rows.size(), f.write == Write::Add ? 5u : 4u);
  EXPECT_EQ(rig.view.rows[static_cast<std::size_t>(id)].mark, mark);
  EXPECT_EQ(rig.view.rows[static_cast<std::size_t>(id)].keyCode, code);
  ExpectOneBackupOfTheImageNamedIn(rig.view.boxes[1].text);
  // The operator turns QEL off and on, as the message asks, and presses Connect.
  std::array<std::uint8_t, kImageSize> memory;
  std::copy(unit->Memory().begin(), unit->Memory().end(), memory.begin());
  rig.AddUnit(1, {.recordSize = f.recordSize}).LoadMemory(memory);
  rig.device.ClearWritten();
  rig.controller.ConnectButton();
  ASSERT_TRUE(rig.RunToWatchdog()) << rig.view.log;
  EXPECT_EQ(rig.device.WrittenBytes().at(0), unit::kHangUp);
  EXPECT_EQ(rig.view.Logged("QEL disconnected from COM1."), 1);
  EXPECT_EQ(rig.view.connectPrompts.size(), 2u);
  EXPECT_EQ(rig.view.Logged("Loading keys completed "), 2);
  EXPECT_EQ(rig.view.Buttons(), Sequencer::kConnectedCommands);
  EXPECT_TRUE(std::all_of(rig.view.rows.begin(), rig.view.rows.end(),
                          [](const KeyListRow& row) { return row.mark == KeyMark::None; }));
}

// A save's replies: 17 echoes (0-16), the acknowledgement after the floors (17) and after the
// comment (18); a delete's: two echoes and the acknowledgement.
INSTANTIATE_TEST_SUITE_P(
    Replies, KeyWriteFault,
    ::testing::Values(
        Fault{101, unit::kSaveKey, 16, {0x55}}, Fault{102, unit::kSaveKey, 17, {0x15}},
        Fault{103, unit::kSaveKey, 17, {}}, Fault{104, unit::kSaveKey, 18, {0x15}},
        Fault{105, unit::kSaveKey, 18, {}},
        Fault{104, unit::kSaveKey, 18, {0x15}, Write::Add, 20, "12345"},  // a comment filling its field
        Fault{201, unit::kDeleteKey, 1, {0x00}, Write::Delete},
        Fault{202, unit::kDeleteKey, 2, {0x15}, Write::Delete},
        Fault{203, unit::kDeleteKey, 1, {}, Write::Delete},
        Fault{101, unit::kSaveKey, 16, {0x55}, Write::Edit},
        Fault{202, unit::kDeleteKey, 2, {0x15}, Write::Edit}));

struct Closing {
  std::chrono::milliseconds after;  // the edit's OK
  const char* said;
  KeyMark mark;
};

class KeyWriteClosed : public KeyWrite, public ::testing::WithParamInterface<Closing> {};

// Closing mid-edit says what the unit holds of the key, marks it and keeps it in a backup.
TEST_P(KeyWriteClosed, SaysWhatTheUnitHoldsOfTheKeyAndKeepsABackup) {
  const Closing& c = GetParam();
  Connect();
  answers = {{{}, "X", KeyDialogEnd::Ok, FloorsOf({1, 5, 6, 7})}};
  rig.controller.EditKey(1);
  rig.RunFor(c.after);
  ASSERT_TRUE(rig.controller.MayClose());
  EXPECT_EQ(rig.view.questionDefaults, std::vector<DefaultAnswer>{DefaultAnswer::No});
  const std::string line =
      std::string(c.said) + ": code " + KeyCodeToText(EightByteCode(2)) + ", floors 1,5-7, comment X";
  ASSERT_EQ(rig.view.boxes.size(), 1u);
  EXPECT_NE(rig.view.boxes[0].text.find(line), std::string::npos) << rig.view.boxes[0].text;
  EXPECT_EQ(rig.view.rows.at(1).mark, c.mark);
  ExpectOneBackupOfTheImageNamedIn(rig.view.boxes[0].text);
}

INSTANTIATE_TEST_SUITE_P(
    Moments, KeyWriteClosed,
    ::testing::Values(Closing{2s, "Key with ID 1: deletion not confirmed, QEL may still hold the key",
                              KeyMark::DeletionNotConfirmed},
                      Closing{8s, "Key with ID 1 was deleted in QEL and not stored again",
                              KeyMark::DeletedNotStored}));

struct SaveCase {
  int recordSize;
  std::string comment;
  Floors floors;
  std::vector<std::uint8_t> floorBytes;
  long closedAt;  // the comment's closing 0x00's tick, ms after the dialog
  long savedAt;   // the 0x7A's
};

class KeyWriteSave : public KeyWrite, public ::testing::WithParamInterface<SaveCase> {};

// Fifteen seconds on the protocol's own ticks: the command, the ID and the code on 200 ms ticks,
// a pause, the floors, a pause, the comment up to its end (never into the next record) and a
// pause before the idle byte; then the watchdog rests again.
TEST_P(KeyWriteSave, SendsItsBytesOnTheProtocolsOwnTicksAndTheUnitStoresThem) {
  const SaveCase& c = GetParam();
  Connect(c.recordSize);
  const KeyCode code = EightByteCode(77);
  answers = {{code, c.comment, KeyDialogEnd::Ok, c.floors}};
  rig.controller.AddKeys();
  ASSERT_TRUE(rig.RunToWatchdog());
  Timeline expected{{2400, unit::kSaveKey}, {2600, 0x00}, {2800, 0x04}};
  for (int i = 0; i < 12; ++i) expected.emplace_back(3000 + 200 * i, code[static_cast<std::size_t>(i)]);
  for (int i = 0; i < 3; ++i)
    expected.emplace_back(5400 + 200 * i, c.floorBytes[static_cast<std::size_t>(i)]);
  for (std::size_t i = 0; i < c.comment.size(); ++i) expected.emplace_back(10200 + 200 * i, c.comment[i]);
  expected.emplace_back(c.closedAt, 0x00);
  expected.emplace_back(c.savedAt, unit::kIdle);
  EXPECT_EQ(Sent(expected.size()), expected);
  // The progress bar's whole time is the time to the 0x7A.
  EXPECT_EQ(SaveKeysOperation::Duration(rig.controller.image(), 4), std::chrono::milliseconds{c.savedAt});
  EXPECT_EQ(rig.timers.PeriodOf(Sequencer::kTimerId), 500ms);
  std::vector<std::uint8_t> rest = c.floorBytes;
  rest.insert(rest.end(), c.comment.begin(), c.comment.end());
  EXPECT_TRUE(BytesEqual(Record(code, rest), UnitRecord(4)));
  const std::vector<std::string> log = rig.view.LogLines();
  EXPECT_EQ(log[0], "Key saved");
  EXPECT_EQ(std::vector<std::string>(log.begin() + 2, log.begin() + 6),
            (std::vector<std::string>{"Saving key with ID 4", "***", "1", "Key recorded"}));
  EXPECT_EQ(rig.view.progress.front().what + ", " + rig.view.progress.front().timeLeft,
            "Saving key 1 of 1 (ID 4), 0:15 left");
  EXPECT_EQ(rig.view.progress.back().percent, 100);
  EXPECT_FALSE(rig.view.progressShown);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Comments, KeyWriteSave, ::testing::Values(
    SaveCase{100, "Ab", FloorsOf({1, 2, 24}), {0x03, 0x00, 0x80}, 10600, 15000},
    SaveCase{100, "", FloorsOf({1, 24}), {0x01, 0x00, 0x80}, 10200, 14600},
    // A comment filling its field, and no comment field at all.
    SaveCase{20, "12345", FloorsOf({1, 24}), {0x01, 0x00, 0x80}, 11000, 15200},
    SaveCase{15, "", FloorsOf({1, 24}), {0x01, 0x00, 0x80}, 10200, 14600}));
// clang-format on

// The keys of one run are saved in turn with one return to the watchdog.
TEST_F(KeyWrite, TheHundredAndFirstKeyOfARunOffersNoNextKeyAndEndsTheRun) {
  Connect(40, 0);
  for (int i = 0; i < 101; ++i)
    answers.push_back({EightByteCode(100 + i), "", i < 100 ? KeyDialogEnd::NextKey : KeyDialogEnd::Ok});
  rig.controller.AddKeys();
  ASSERT_EQ(setups.size(), 101u);
  EXPECT_TRUE(setups[99].nextKeyAllowed);
  EXPECT_FALSE(setups[100].nextKeyAllowed);
  EXPECT_EQ(rig.view.LogLines()[1], "101");
  ASSERT_TRUE(rig.RunToWatchdog(30min));
  EXPECT_EQ(rig.view.Logged("Key saved"), 101);
  for (int id = 0; id < 101; ++id) EXPECT_TRUE(BytesEqual(EightByteCode(100 + id), UnitRecord(id).first(12)));
  EXPECT_EQ(rig.view.progress.back().what, "Saving key 101 of 101 (ID 100)");
}

// A refused code is offered the same ID again and a cancelled run rests at half a second; closing
// while the unit is written asks first.
TEST_F(KeyWrite, ARefusedCodeIsOfferedTheSameIdAgainAndClosingMidSaveAsksFirst) {
  Connect();
  KeyCode badCheck = EightByteCode(3);
  badCheck[7] ^= 1;  // shown as no key, so taken as all zero
  answers = {{badCheck, "x", KeyDialogEnd::Ok, FloorsOf({2})},
             {{}, "y", KeyDialogEnd::Ok, FloorsOf({7}), KeyCodeToText(EightByteCode(3))},
             {{}, "", KeyDialogEnd::Cancel}};
  rig.controller.AddKeys();
  ASSERT_EQ(setups.size(), 3u);
  EXPECT_TRUE(setups[1].keyId == 4 && setups[2].keyId == 4);
  // Each dialog after a refusal keeps the comment and floors entered in the one before.
  EXPECT_EQ(setups[1].commentText + setups[2].commentText, "xy");
  EXPECT_TRUE(setups[1].floors == FloorsOf({2}) && setups[2].floors == FloorsOf({7}));
  ASSERT_EQ(rig.view.boxes.size(), 2u);
  const std::string clash = "This key has been already saved: it is key 2 (Key 2).";
  EXPECT_EQ(rig.view.boxes[0].text + "|" + rig.view.boxes[1].text, "Wrong key number|" + clash);
  const std::vector<std::string> log = rig.view.LogLines();
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 3),
            (std::vector<std::string>{"0", "Error no. 112 - " + clash, "Error no. 110 - Wrong key number"}));
  EXPECT_EQ(rig.timers.PeriodOf(Sequencer::kTimerId), 500ms);
  EXPECT_EQ(rig.view.rows.size(), 4u);

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
  ASSERT_TRUE(rig.RunToWatchdog());
  EXPECT_EQ(rig.view.Logged("Key saved"), 1);  // No let the save finish
}

// An add-keys dialog with keys presented in turn; key 2 (comment "Key 2") is in QEL.
struct ReaderCase {
  const char* name;
  Answer answer;
  KeyCode taken;
  std::string status;  // the last one
  friend void PrintTo(const ReaderCase& row, std::ostream* out) { *out << row.name; }
};

class KeyWriteReader : public KeyWrite, public ::testing::WithParamInterface<ReaderCase> {};

TEST_P(KeyWriteReader, TheCapturedCodeStaysAndAKeyInQelIsNeverTaken) {
  Connect();
  answers = {GetParam().answer};
  rig.controller.AddKeys();
  ASSERT_TRUE(codes.size() == 1 && !statuses.empty());
  EXPECT_TRUE(BytesEqual(GetParam().taken, codes[0]));
  EXPECT_EQ(statuses.back(), GetParam().status);
}

const KeyCode kNewA = EightByteCode(50), kNewB = EightByteCode(51), kInQel = EightByteCode(3);
// clang-format off
INSTANTIATE_TEST_SUITE_P(Presented, KeyWriteReader, ::testing::Values(
    ReaderCase{"KeyPresentedLaterIsNotTaken", {.atReader = kNewA, .end = KeyDialogEnd::Cancel, .later = kNewB}, kNewA,
               "Key " + KeyCodeToText(kNewB) + " presented: not taken, the captured key stays"},
    ReaderCase{"KeyInQel", {.atReader = kInQel, .end = KeyDialogEnd::Cancel}, {}, "Key 2 (Key 2) presented: already in QEL"},
    ReaderCase{"ReadAnotherKey", {.atReader = kNewA, .end = KeyDialogEnd::Cancel, .later = kNewB, .another = true}, kNewB,
               "Key " + KeyCodeToText(kNewB) + " presented: a new key, captured"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// Under a filter the floors, edit and delete take the key of the row shown, and a hidden pick comes
// back.
TEST_F(KeyWrite, UnderAFilterTheRowShownIsTheTargetAndAHiddenPickComesBack) {
  Connect(100, 12);
  rig.controller.SetKeyFilter("KEY 1");  // records 1, 10 and 11
  EXPECT_EQ(rig.view.filterSummary, "Keys shown: 3 of 12");
  Pick(1);
  EXPECT_EQ(rig.view.FloorsShown(), std::vector<int>{11});
  rig.controller.DeleteKey(rig.Target().value());
  ASSERT_TRUE(rig.RunToWatchdog());
  EXPECT_EQ(UnitRecord(10)[0], 0x00);
  Pick(1);
  answers = {{{}, "Lobby"}};
  rig.controller.EditKey(rig.Target().value());
  ASSERT_TRUE(rig.RunToWatchdog());
  EXPECT_EQ(UnitRecord(11)[kCommentOffset], 'L');
  // Both refills kept the filter, which no longer finds the renamed key.
  EXPECT_EQ(rig.view.rows.size(), 1u);
  EXPECT_EQ(rig.view.filterSummary, "Keys shown: 1 of 11");

  rig.controller.SetKeyFilter("");
  Pick(1);
  rig.controller.SetKeyFilter("key 9");
  EXPECT_EQ(rig.Target(), std::nullopt);
  rig.controller.SetKeyFilter("");
  EXPECT_EQ(rig.view.filterSummary, "");
  EXPECT_EQ(rig.view.selected, 1);
  EXPECT_EQ(rig.view.FloorsShown(), std::vector<int>{2});

  // A hidden key at the reader shows its floors while it is there, and the pick stays the target.
  rig.controller.SetKeyFilter("key 9");
  Pick(0);                          // record 9
  unit->HoldKey(EightByteCode(3));  // record 2
  rig.RunFor(2s);
  unit->ReleaseKey();
  EXPECT_TRUE(rig.view.highlighted.empty() && rig.view.selected == 0);
  EXPECT_EQ(rig.view.FloorsShown(), std::vector<int>{3});
  // Shown again, the key last presented is highlighted and the pick keeps its selection.
  rig.controller.SetKeyFilter("");
  EXPECT_EQ(rig.view.highlighted, std::set<int>{2});
  EXPECT_EQ(rig.view.selected, 9);
  EXPECT_EQ(rig.Target(), 9);

  // A floor lists its keys and says so.
  rig.controller.SetKeyFilter("patro 3");  // record 2
  EXPECT_EQ(rig.view.filterSummary, "Floor 3: keys shown: 1 of 11");
}

class KeyWriteLinkLost : public KeyWrite, public ::testing::WithParamInterface<bool> {};

// The reader goes silent under the second dialog of a run (false), or the link is lost while the
// delete question is open (true).
TEST_P(KeyWriteLinkLost, StartsNothingAndChangesNothing) {
  Connect();
  const ImageBytes before = rig.controller.image().Bytes();
  if (GetParam()) {
    rig.view.whileAsking = [this] {
      unit->SetFaults(test::DeadAt(unit::kReadReader));
      rig.RunUntil([&] { return rig.timers.RunningCount() == 0; }, 1min);
    };
    rig.controller.DeleteKey(1);
  } else {
    answers = {{EightByteCode(70), "", KeyDialogEnd::NextKey},
               {EightByteCode(71), "", KeyDialogEnd::NextKey}};
    silentFromDialog = 2;
    rig.controller.AddKeys();
    // The poll's 'k', then more than 200 silent ticks of 50 ms (each a little longer for its read).
    ASSERT_TRUE(okDisabledAfter);
    EXPECT_GE(*okDisabledAfter, 10100ms);
    EXPECT_LT(*okDisabledAfter, 10150ms);
    EXPECT_EQ(rig.view.boxes.at(0).text, "Error no. 501 - QEL disconnected");
    EXPECT_EQ(rig.device.WrittenBytes(), Bytes({}));
  }
  EXPECT_EQ(rig.view.boxes.size(), 1u);
  EXPECT_EQ(rig.timers.RunningCount(), 0);
  EXPECT_TRUE(rig.controller.image().Bytes() == before);
  EXPECT_EQ(rig.view.rows.size(), 4u);
  EXPECT_EQ(rig.view.Buttons(), Sequencer::kDisconnectedCommands);
}

INSTANTIATE_TEST_SUITE_P(UnderTheDeleteQuestion, KeyWriteLinkLost, ::testing::Bool());

}  // namespace
}  // namespace qel
