#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <ranges>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "files/CsvExport.h"
#include "files/ImageFile.h"
#include "keystore/FloorList.h"
#include "link/UnitCommands.h"
#include "sim/VirtualSerialDevice.h"
#include "tests/cli/ControlFixture.h"
#include "tests/files/TempFolder.h"
#include "tests/support/FixedLocalClock.h"
#include "tests/support/KeyImages.h"
#include "tests/support/UnitRig.h"
#include "tests/support/VirtualTime.h"
#include "texts/Cp1250.h"

namespace qel::test {
namespace {

using namespace std::chrono_literals;

// One session after another, each command changing only what it names.
TEST_F(ControlTest, CommandsInTurnChangeOnlyWhatTheyName) {
  const std::vector<std::uint8_t> before(unit.Memory().begin(), unit.Memory().end());
  Ok({"backup", File("lift.kym")});
  Ok({"clear-keys", "--yes"});
  EXPECT_EQ(ImageOf(unit).FindKeyCode(EightByteCode(1)), std::nullopt);
  Ok({"restore", File("lift.kym"), "--yes"});
  EXPECT_TRUE(std::equal(before.begin(), before.end(), unit.Memory().begin()));
  EXPECT_EQ(unit.RecordSize(), kDefaultRecordSize);

  const std::string info = Ok({"info", "--json"});
  EXPECT_NE(info.find("\"name\": \"Lift A\""), std::string::npos) << info;
  EXPECT_NE(info.find("\"keyCount\": 20}"), std::string::npos) << info;
  std::string expected;
  for (int i = 0; i < 20; ++i)
    expected += std::to_string(i) + '\t' + KeyCodeToText(EightByteCode(i + 1)) + '\t' +
                std::to_string(i + 1) + "\tKey " + std::to_string(i) + '\n';
  EXPECT_EQ(Ok({"list"}), expected);

  EXPECT_EQ(Ok({"add", "123456789AB0", "--floors", "1-3", "--comment", "Novák"}),
            "Key 123456789AB0 saved as ID 20.\n");
  Ok({"edit", "3", "--floors", "2,24", "--comment", "Dvořák"});
  KeyMemoryImage image = ImageOf(unit);
  EXPECT_EQ(KeyCodeToText(image.KeyCodeAt(20)), "123456789AB0");
  EXPECT_EQ(FloorListText(image.FloorsAt(20)), "1-3");
  EXPECT_EQ(image.CommentText(20), "Nov\xE1k");
  EXPECT_EQ(FloorListText(image.FloorsAt(3)), "2,24");
  EXPECT_EQ(image.CommentText(3), "Dvo\xF8\xE1k");
  EXPECT_EQ(image.KeyCodeAt(3), EightByteCode(4));
  EXPECT_EQ(image.CommentText(4), "Key 4");
  Ok({"delete", "3"});
  image = ImageOf(unit);
  EXPECT_FALSE(image.IsUsed(3));
  EXPECT_TRUE(image.IsUsed(2) && image.IsUsed(4));

  // A smaller comment length is written only once confirmed.
  EXPECT_EQ(Run({"set", "--comment-length", "20"}, "n\n").status, 2);
  EXPECT_EQ(unit.RecordSize(), kDefaultRecordSize);
  const sim::SimTime given = clock.Now();
  Ok({"set", "--comment-length", "20", "--access-time", "9", "--clock", "2028-02-29 03:04:05"}, "y\n");
  // The given time runs on from the start, and the unit's clock ends within half a second of it.
  const LocalTime pc = Advanced({2028, 2, 29, 3, 4, 5},
                                std::chrono::duration_cast<std::chrono::milliseconds>(clock.Now() - given));
  EXPECT_LE(std::chrono::abs(ClockOffset(unit, clock.Now(), pc)), 500ms);
  EXPECT_EQ(unit.RecordSize(), 35);
  EXPECT_EQ(ImageOf(unit).CommentText(19), "Key 19");
  const std::string set = Ok({"info"});
  EXPECT_NE(set.find("Access time: 9 s"), std::string::npos) << set;
  EXPECT_NE(set.find("Clock: 2028-02-29 03:"), std::string::npos) << set;
}

// The commands that take data send the dialog mark and their first write on the tick the window's
// dialog path does: the watchdog held and the line read as often as the dialogs read it. `next` is
// the byte `after` places behind the mark.
TEST_F(ControlTest, CommandsKeepTheDialogPathsPacing) {
  struct Row {
    std::vector<std::string> words;
    std::uint8_t next;
    long ms;
    std::ptrdiff_t after = 1;
  };
  const Row rows[] = {
      {{"add", "123456789AB0", "--floors", "1"}, unit::kSaveKey, 2430},
      {{"edit", "3", "--floors", "2"}, unit::kDeleteKey, 20},
      {{"edit", "5", "--comment", std::string(86, 'c')}, unit::kHangUp, 10},
      {{"set", "--access-time", "9"}, unit::kSetAccessTime, 430},
      {{"add", "--from-reader", "--timeout", "1", "--floors", "1"}, unit::kReadReader, 70},
      // The timeout runs from after the opening read, as the dialog's does; ten polls come first.
      {{"add", "--from-reader", "--timeout", "1", "--floors", "1"}, unit::kHangUp, 1020, 11},
      {{"set", "--clock", "now"}, unit::kGetClock, 520},
      {{"set", "--clock", "now"}, unit::kSetClock, 2040, 2},
  };
  for (const Row& row : rows) {
    device.ClearWritten();
    Run(row.words);
    const auto& written = device.Written();
    const auto mark = std::find_if(written.begin(), written.end(),
                                   [](const auto& sent) { return sent.byte == unit::kDialogMark; });
    ASSERT_TRUE(mark != written.end() && written.end() - mark > row.after) << row.words[0];
    EXPECT_EQ(mark[row.after].byte, row.next) << row.words[0];
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::milliseconds>(mark[row.after].at - mark->at).count(),
              row.ms)
        << row.words[0] << ' ' << row.words[1];
  }
}

// A unit whose clock does not run is given no time and nothing else, as the settings dialog
// offers the PC's time only once it shows the clock running.
TEST_F(ControlTest, SetClockWritesNothingWhileTheUnitsClockStands) {
  sim::Faults faults;
  for (int occurrence = 0; occurrence < 20; ++occurrence)
    for (int index = 0; index < unit::kClockReplyLength; ++index)
      faults.wrongReplies.push_back({unit::kGetClock, occurrence, index, {0}});
  unit.SetFaults(faults);
  const Outcome outcome = Run({"set", "--clock", "now", "--name", "Lift B"});
  EXPECT_EQ(outcome.status, 2);
  EXPECT_NE(outcome.err.find("QEL's clock does not run"), std::string::npos) << outcome.err;
  EXPECT_EQ(unit.Name(), "Lift A");
  EXPECT_TRUE(std::none_of(device.Written().begin(), device.Written().end(),
                           [](const auto& sent) { return sent.byte == unit::kSetClock; }));
}

// A CSV line of the export's shape for a key with floor 24 alone.
std::string CsvLine(int id, const KeyCode& code, const std::string& comment) {
  std::string text = std::to_string(id) + ';' + comment + ';' + KeyCodeToText(code) + ";o";
  for (int floor = 23; floor >= 1; --floor) text += ";x";
  return text + ";;\r\n";
}

// The export's header as a spreadsheet saves it in UTF-8, with the byte-order mark.
std::string CsvHeader() { return "\xEF\xBB\xBF" + std::string(CsvExportHeader(Language::Czech)) + "\r\n"; }

// 103 new keys need more than one run of saves (at most 101 each). A comment of 85 Windows-1250
// bytes fills the unit's comment length.
TEST_F(ControlTest, ImportSkipsKnownAndRepeatedKeysAndStoresTheRestInRuns) {
  std::string novak = "Novák ";
  for (int i = 0; i < 79; ++i) novak += "ř";
  std::ofstream csv(File("keys.csv"), std::ios::binary);
  csv << CsvHeader() << CsvLine(0, EightByteCode(1), "held") << CsvLine(1, EightByteCode(500), novak)
      << CsvLine(2, EightByteCode(500), "again");
  for (int i = 3; i < 105; ++i) csv << CsvLine(i, EightByteCode(1000 + i), "K" + std::to_string(i));
  csv.close();
  const Outcome outcome = Run({"import", File("keys.csv")});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_NE(outcome.err.find("Line 2:"), std::string::npos);
  EXPECT_NE(outcome.err.find("Line 4:"), std::string::npos);
  KeyMemoryImage image = ImageOf(unit);
  EXPECT_EQ(image.BuildKeyList().size(), 123U);
  ASSERT_TRUE(image.FindKeyCode(EightByteCode(500)) && image.FindKeyCode(EightByteCode(1104)));
  EXPECT_EQ(image.CommentText(*image.FindKeyCode(EightByteCode(500))), Utf8ToCp1250(novak).bytes);
  EXPECT_EQ(image.CommentText(122), "K104");
  EXPECT_EQ(FloorListText(image.FloorsAt(*image.FindKeyCode(EightByteCode(1104)))), "24");
}

// What each outcome exits with, and whether the unit heard anything at all. The words are split
// at spaces, "_" stands for a space within a word and "@name" is a file in the test's folder:
// "@code" holds the unit's access code, "@bad" 12345.
struct StatusRow {
  const char* name;
  std::string words;
  int status;
  std::string said;
  bool sendsNothing;
  std::optional<std::string> variable = std::nullopt;  // QEL_ACCESS_CODE
  KeyCode atReader{};                                  // held there throughout
  friend void PrintTo(const StatusRow& row, std::ostream* out) { *out << row.name; }
};

class ControlStatusTest : public ControlTest, public ::testing::WithParamInterface<StatusRow> {};

TEST_P(ControlStatusTest, ExitsWithItsStatus) {
  const StatusRow& row = GetParam();
  std::ofstream(File("taken.kym"), std::ios::binary) << "x";
  for (const std::string name : {"code", "bad"})
    std::ofstream(File(name), std::ios::binary) << (name == "bad" ? "12345" : "4719\r\n1\n");
  std::filesystem::permissions(File("code"), std::filesystem::perms::owner_read);
  std::ofstream(File("bad.csv"), std::ios::binary)
      << CsvHeader() << CsvLine(0, EightByteCode(600), "Muñoz") << "1;ok\r\n"
      << CsvLine(2, EightByteCode(601), "ok");
  std::ofstream(File("long.csv"), std::ios::binary)
      << CsvHeader() << CsvLine(0, EightByteCode(600), std::string(86, 'a'))
      << CsvLine(1, EightByteCode(601), "ok") << CsvLine(2, EightByteCode(602), std::string(90, 'b'));
  sim::Faults faults;
  // A unit that refuses every code, unless the row's code is to be refused for being wrong.
  faults.refuseAccessCode = row.status == 3 && !row.variable;
  if (row.status == 1) faults.silence = sim::Faults::Silence{unit::kDeleteKey, 1, 1};
  unit.SetFaults(faults);
  if (row.atReader != KeyCode{}) unit.HoldKey(row.atReader);
  std::vector<std::string> words;
  for (const auto word : std::views::split(row.words, ' ')) words.emplace_back(word.begin(), word.end());
  for (std::string& word : words) {
    std::replace(word.begin(), word.end(), '_', ' ');
    if (word.starts_with("@")) word = File(word.substr(1));
  }
  environment.accessCodeVariable = row.variable;
  const Outcome outcome = Run(words);
  EXPECT_EQ(outcome.status, row.status) << outcome.err;
  EXPECT_NE(outcome.err.find(row.said), std::string::npos) << outcome.err;
  EXPECT_EQ(outcome.err.find("chmod 600"), std::string::npos);
  EXPECT_EQ(device.WrittenBytes().empty(), row.sendsNothing);
  // Input judged without the unit is refused before the port is opened.
  if (row.sendsNothing && row.status == 2) {
    EXPECT_TRUE(device.OpenAttempts().empty());
  }
  if (row.status == 2) {
    EXPECT_EQ(ImageOf(unit).KeyCodeAt(7), EightByteCode(8));
  }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Outcomes, ControlStatusTest,
    ::testing::Values(
        StatusRow{"UnknownCommand", "frobnicate", 2, "Unknown command frobnicate", true},
        StatusRow{"OptionOfAnotherCommand", "delete 7 --floors 1", 2, "--floors is not", true},
        StatusRow{"CheckDigitWrong", "add 123456789AB1 --floors 1", 2, "not a valid key code", true},
        StatusRow{"FloorOutOfRange", "add 123456789AB0 --floors 1,25", 2, "1,25 is not", true},
        StatusRow{"CommentUnstorable", "edit 7 --comment a\tb", 2, "U+0009", true},
        StatusRow{"OutputExists", "backup @taken.kym", 2, "--force", true},
        StatusRow{"DamagedImage", "restore @taken.kym --yes", 2, "taken.kym", true},
        StatusRow{"NoTerminalToConfirm", "clear-keys", 2, "--yes", true},
        StatusRow{"NothingToSet", "set", 2, "at least one setting", true},
        StatusRow{"NoLeapDay", "set --clock 2027-02-29_12:00:00", 2, "2027-02-29", true},
        StatusRow{"ImportNamesEveryBadLine", "import @bad.csv", 2, "Line 3 of", true},
        StatusRow{"ImportFileUnreadable", "import @none.csv", 2, "none.csv cannot be read", true},
        StatusRow{"IdOutOfRange", "edit 4369 --floors 1", 2, "ID: 4369 is not a whole number from 0 to 4368", true},
        StatusRow{"AccessTimeOutOfRange", "set --access-time 121", 2, "Please enter a whole number between 3 and 120.",
                  true},
        StatusRow{"CommentLengthOutOfRange", "set --comment-length 4", 2, "between 5 and 235.", true},
        StatusRow{"NameTooLong", "set --name " + std::string(50, 'n'), 2, "at most 49 characters", true},
        StatusRow{"NameUnstorable", "set --name Lift\tB", 2, "The elevator name contains the character U+0009",
                  true},
        StatusRow{"CommentLongerThanAnyUnitHolds", "add 123456789AB0 --floors 1 --comment " + std::string(236, 'c'),
                  2, "maximum comment length is 235 characters", true},
        StatusRow{"CommentLongerThanTheUnitHolds", "edit 7 --comment " + std::string(86, 'c'), 2,
                  "maximum comment length is 85 characters", false},
        StatusRow{"NoSuchKey", "delete 30", 2, "no key with ID 30", false},
        StatusRow{"ClearKeysBacksUpFirst", "--yes --backup-dir @b clear-keys", 0, "Automatic backup saved: ", false},
        StatusRow{"NoBackupNoNewCommentLength", "--yes --backup-dir @taken.kym/b set --comment-length 20", 1,
                  "so nothing was started", false},
        StatusRow{"ImportNamesEveryLongComment", "import @long.csv", 2,
                  "Line 4: the comment is longer than QEL holds (85", false},
        StatusRow{"KeyHeldAlready", "add " + KeyCodeToText(EightByteCode(8)) + " --floors 1", 2, "ID 7",
                  false},
        StatusRow{"KeyHeldAtReader", "add --from-reader --timeout 1 --floors 1", 2,
                  "Key 7 (Key 7) presented: already in QEL\nNo new key", false, std::nullopt, EightByteCode(8)},
        StatusRow{"NewKeyAtReader", "add --from-reader --floors 1", 0,
                  "Present the new key at the reader\nKey 123456789AB0 presented: a new key, captured\n", false,
                  std::nullopt, *KeyCodeFromText("123456789AB0")},
        StatusRow{"AccessCodeRefused", "info", 3, "QEL not connected", false},
        StatusRow{"CodeOptionFirst", "--code 4719 --code-file @bad info", 0, "", false, "1"},
        StatusRow{"CodeFileBeforeVariable", "--code-file @code info", 0, "", false, "1"},
        StatusRow{"CodeVariableBeforeDefault", "info", 3, "QEL not connected", false, "1"},
        StatusRow{"CodeFileBad", "--code-file @bad info", 2, "the first line is not", true},
        StatusRow{"CodeFileMissing", "--code-file @none info", 2, "No such file", true, "4719"},
        StatusRow{"CodeVariableBad", "--lang cs info", 2, "QEL_ACCESS_CODE: hodnota není", true, "12 3"},
        StatusRow{"CodeVariableEmpty", "info", 2, "QEL_ACCESS_CODE: the value is not", true, ""},
        StatusRow{"NoSuchPort", "list --device /dev/ttyNone", 3, "/dev/ttyNone", true},
        StatusRow{"UnitFallsSilent", "delete 7", 1, "To put key with ID 7 right: qelctl --device /dev/ttyQEL delete 7", false}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// After a key load cut short, list and info give the keys that came, say so and exit 1.
TEST_F(ControlTest, ListAndInfoAfterALoadCutShortShowThePartAndSaySo) {
  for (const auto& [words, shown] :
       {std::pair{std::vector<std::string>{"list"}, "\tKey 9\n"},
        std::pair{std::vector<std::string>{"info", "--json"}, "\"keyCount\": 10}\n"}}) {
    sim::SimulatedUnit cut;  // the stream stops in record 10, which is not listed
    cut.LoadMemory(MemoryWithKeys(kDefaultRecordSize, 20));
    cut.SetFaults({.silence = sim::Faults::Silence{unit::kReadMemory, 0, 1010}, .wrongReplies = {}});
    device.AttachUnit(kDevice, cut);
    const Outcome outcome = Run(words);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_TRUE(outcome.out.ends_with(shown)) << outcome.out;
    EXPECT_NE(outcome.err.find("Keys shown: 10; the load was cut short: connect again to see all\n"),
              std::string::npos)
        << outcome.err;
  }
}

// A restore the unit refuses half-way fails with the advice and the backup of what the unit held.
TEST_F(ControlTest, ARefusedRestoreExitsOneAndSaysHowToRecover) {
  ASSERT_TRUE(SaveImageFile(File("lift.kym"), MemoryWithKeys(50, 3), {5, 50, 0, 0}).Ok());
  unit.SetFaults(WrongReply(unit::kWriteMemory[0], 3, {0x15}));
  const Outcome outcome = Run({"--backup-dir", File("backups"), "--yes", "restore", File("lift.kym")});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.out, "");
  EXPECT_NE(outcome.err.find("copy the file to QEL again"), std::string::npos) << outcome.err;
  EXPECT_NE(outcome.err.find(File("backups")), std::string::npos) << outcome.err;
}

// Where ports are named COM1, COM2, ... a --device of that form is the port of that number and
// opens the port table's device for it; any other name is a path, tried as it is.
TEST_F(ControlTest, ADeviceNamedAsAComPortIsThatPortWhereThePortsAreNamedSo) {
  PortTable ports;
  ports.Scan();
  const std::optional<std::string> com3 = ports.PathOf(3);
  const struct {
    const char* device;
    bool comPortNames;
    bool path;
  } rows[] = {{"COM3", true, false},
              {"\\\\.\\com3", true, false},
              {"COM71", true, true},
              {"COM3x", true, true},
              {"COM3", false, true}};
  for (const auto& row : rows) {
    environment.comPortNames = row.comPortNames;
    sim::VirtualSerialDevice line{clock};
    const Outcome outcome = RunWith({line, time, localClock}, row.device, {"info"}, "", environment);
    EXPECT_EQ(outcome.status, 3) << row.device;
    std::vector<std::string> tried{row.device};
    if (!row.path) tried = com3 ? std::vector{*com3} : std::vector<std::string>{};
    EXPECT_EQ(line.OpenAttempts(), tried) << row.device;
  }
}

// The operator presses Ctrl+C `presses` times once `byte` has gone out after the key load began.
class ImpatientTime final : public TickLoop::TimeSource {
 public:
  ImpatientTime(sim::VirtualClock& clock, const sim::VirtualSerialDevice& device, std::uint8_t byte,
                int presses)
      : time_(clock), device_(device), byte_(byte), presses_(presses) {}
  TickLoop::Clock::time_point Now() override { return time_.Now(); }
  void SleepUntil(TickLoop::Clock::time_point until) override {
    time_.SleepUntil(until);
    const std::vector<std::uint8_t> sent = device_.WrittenBytes();
    const auto load = std::find(sent.begin(), sent.end(), unit::kReadMemory);
    if (!pressed_ && load != sent.end() && std::find(load, sent.end(), byte_) != sent.end()) {
      pressed_ = true;
      for (int i = 0; i < presses_; ++i) TickLoop::CountInterrupt();
    }
  }

 private:
  VirtualTime time_;
  const sim::VirtualSerialDevice& device_;
  std::uint8_t byte_;
  int presses_;
  bool pressed_ = false;
};

struct StopRow {
  const char* name;
  std::string words;
  std::uint8_t byte;
  std::string said;  // on stderr, as a regular expression
  int presses = 2;
  friend void PrintTo(const StopRow& row, std::ostream* out) { *out << row.name; }
};

class ControlStopTest : public ControlTest, public ::testing::WithParamInterface<StopRow> {};

// A second Ctrl+C stops a write with status 130 and says what the unit holds now; each run in a
// process of its own, since Ctrl+C stays counted for the rest of a run.
TEST_P(ControlStopTest, ASecondCtrlCMidWriteSaysWhatTheUnitHoldsNow) {
  const StopRow& row = GetParam();
  ASSERT_TRUE(SaveImageFile(File("lift.kym"), MemoryWithKeys(50, 3), {5, 50, 0, 0}).Ok());
  std::ofstream many(File("many.csv"), std::ios::binary);  // two runs of keys
  many << CsvHeader();
  for (int i = 0; i < 102; ++i) many << CsvLine(i, EightByteCode(600 + i), "new");
  many.close();
  std::vector<std::string> words{"--backup-dir", File("backups"), "--yes"};
  for (const auto word : std::views::split(row.words, ' ')) {
    const std::string text(word.begin(), word.end());
    words.push_back(text.starts_with('@') ? File(text.substr(1)) : text);
  }
  EXPECT_EXIT(
      {
        ImpatientTime impatient(clock, device, row.byte, row.presses);
        const Outcome outcome = RunWith({device, impatient, localClock}, kDevice, words);
        // Matched here: GoogleTest on Windows knows only simple expressions.
        const bool said = std::regex_search(outcome.err, std::regex(row.said));
        std::cerr << outcome.err << (said ? "\nsaid as expected" : "\nnot said: " + row.said);
        std::exit(outcome.status);
      },
      ::testing::ExitedWithCode(130), "said as expected");
}

INSTANTIATE_TEST_SUITE_P(
    Writes, ControlStopTest,
    ::testing::Values(
        StopRow{
            "EditWhileSaving", "edit 1 --comment X", unit::kSaveKey,
            "Key with ID 1 was deleted in QEL and not stored again: code " + KeyCodeToText(EightByteCode(2)) +
                ", floors 2, comment X(.|\n)*automatic backup (.|\n)*backups[/\\\\]Lift A (.|\n)*To put key "
                "with ID 1 right: qelctl "
                "--device /dev/ttyQEL --backup-dir (.|\n)*backups'? add " +
                KeyCodeToText(EightByteCode(2)) + " --floors 2 --comment X"},
        StopRow{"EditWhileDeleting", "edit 1 --comment X", unit::kDeleteKey,
                "Key with ID 1: deletion not confirmed, QEL may still hold the key(.|\n)*qelctl (.|\n)* edit "
                "1 --floors 2"},
        StopRow{"DeleteWhileDeleting", "delete 1", unit::kDeleteKey,
                "deletion not confirmed, QEL may still hold the key: code " +
                    KeyCodeToText(EightByteCode(2)) +
                    "(.|\n)*To put key with ID 1 right: qelctl (.|\n)* delete 1"},
        StopRow{"Settings", "set --access-time 9", unit::kSetAccessTime,
                "may not have been written: Access time"},
        StopRow{"ImportBetweenRuns", "import @many.csv", unit::kSaveKey,
                "Import stopped with Ctrl[+]C: 101 keys stored, 1 not stored", 1},
        StopRow{"ClearKeys", "clear-keys", unit::kDeleteAllKeys[0],
                "deletion of all keys stopped before its end(.|\n)*automatic backup "
                "(.|\n)*backups[/\\\\]Lift A "},
        StopRow{"Restore", "restore @lift.kym", unit::kWriteMemory[0],
                "key memory is half written(.|\n)*automatic backup (.|\n)*backups[/\\\\]Lift A "}),
    [](const auto& info) { return std::string(info.param.name); });

struct Tick {
  int id;
  long long atMs;
  bool operator==(const Tick&) const = default;
};

class TickLoopTest : public ::testing::Test {
 protected:
  long long NowMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(clock.Now()).count();
  }
  TickLoop::Stop RunTo(long long ms) {
    return loop.RunUntil([] { return false; }, TickLoop::Clock::time_point(std::chrono::milliseconds(ms)));
  }

  sim::VirtualClock clock;
  VirtualTime time{clock};
  TickLoop loop{time};
  std::vector<Tick> ticks;
  TickLoop::Timers timers{loop, [this](int id) { ticks.push_back({id, NowMs()}); }};
};

TEST_F(TickLoopTest, TimersTickOnTheGridOfTheirPeriodsARestartBeginsANewGridAndTheLoopStopsWhenDoneOrIdle) {
  EXPECT_EQ(loop.RunUntil([] { return false; }), TickLoop::Stop::Idle);
  timers.StartTimer(1, 50ms);
  timers.StartTimer(2, 120ms);
  EXPECT_EQ(RunTo(250), TickLoop::Stop::Deadline);
  timers.StartTimer(1, 70ms);
  EXPECT_EQ(loop.RunUntil([this] { return ticks.size() == 8; }), TickLoop::Stop::Done);
  timers.StopTimer(1);
  timers.StopTimer(2);
  EXPECT_EQ(loop.RunUntil([] { return false; }), TickLoop::Stop::Idle);
  EXPECT_EQ(NowMs(), 320);
  EXPECT_EQ(ticks, (std::vector<Tick>{
                       {1, 50}, {1, 100}, {2, 120}, {1, 150}, {1, 200}, {2, 240}, {1, 250}, {1, 320}}));
}

TEST_F(TickLoopTest, AnOverdueTickComesAtOnceWithoutABurstOfTheMissedOnes) {
  // The first tick takes 130 ms: the ticks due at 100 and 150 are one late tick, then the grid
  // starts anew from it.
  TickLoop::Timers slow{loop, [this](int id) {
                          ticks.push_back({id, NowMs()});
                          if (ticks.size() == 1) clock.Advance(130ms);
                        }};
  slow.StartTimer(9, 50ms);
  EXPECT_EQ(RunTo(300), TickLoop::Stop::Deadline);
  EXPECT_EQ(ticks, (std::vector<Tick>{{9, 50}, {9, 180}, {9, 230}, {9, 280}}));
}

// Ctrl+C while the unit is written: the first press waits for the write, the second (here from
// another thread, as Windows' console handler counts it) stops the loop. In a process of its own,
// since a press stays counted for the rest of a run.
TEST_F(TickLoopTest, AFirstInterruptWaitsForTheWriteAndASecondStopsIt) {
  EXPECT_EXIT(
      {
        int warnings = 0;
        loop.DeferInterrupts([] { return true; }, [&warnings] { ++warnings; });
        timers.StartTimer(1, 10ms);
        TickLoop::CountInterrupt();
        const bool waited = RunTo(30) == TickLoop::Stop::Deadline;
        std::thread(TickLoop::CountInterrupt).join();
        const bool stopped = RunTo(60) == TickLoop::Stop::Interrupted;
        std::cerr << "waited " << waited << ", warned " << warnings << ", " << ticks.size()
                  << " ticks, stopped " << stopped;
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "waited 1, warned 1, 3 ticks, stopped 1");
}

}  // namespace
}  // namespace qel::test
