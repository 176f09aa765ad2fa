// The settings command against the simulated unit, which stores what it is sent: each setting's
// bytes and ticks, the memory rewrite after a new comment length, every error of the write, and
// what the command leaves behind when the unit or the operator goes wrong. The settings dialog
// runs its logic on the virtual clock; the operator's answers are scripted.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <tuple>

#include "files/ImageFile.h"
#include "link/UnitCommands.h"
#include "tests/files/TempFolder.h"
#include "tests/support/KeyImages.h"
#include "tests/support/UnitRig.h"

namespace qel {
namespace {

using namespace std::chrono_literals;
using test::Timeline;

constexpr std::uint8_t kNak = 0x15;
// The watchdog's first tick after an operation.
constexpr std::uint8_t kWatchdogStart = unit::kIdle;

std::string CriticalLine(int code) { return "Critical error no. " + std::to_string(code) + "!"; }

// A connected window over the default simulated unit (access time 5, comment length 85, "Lift A");
// the fixture plays the settings dialog's window.
class SettingsWrite : public ::testing::Test, public SettingsDialogWindow {
 public:
  void ShowClock(std::string_view text, bool) override { clockText = text; }
  void DisableOk() override { okDisabled = true; }
  void ShowMessage(std::string_view) override {}
  bool AskYesNo(std::string_view) override { return true; }
  std::optional<int> AskAccessCode(std::string_view) override {
    if (codes.empty()) return std::nullopt;
    const int code = codes.front();
    codes.erase(codes.begin());
    return code;
  }
  void FocusField(Field) override {}

  void Connect(sim::UnitConfig config = {}, int keys = 0) {
    ASSERT_TRUE(rig.ConnectUnit(config, keys));
    unit = rig.unit;
    rig.view.settingsDialog = [this](SettingsDialog& dialog) { return Play(dialog); };
  }
  bool Play(SettingsDialog& dialog) {
    dialog.Open(*this, rig.dialogTimers);
    const sim::SimTime end = rig.clock.Now() + dialogTime;
    while (rig.dialogTimers.AdvanceToNextTick(end)) dialog.OnTimer();
    if (!codes.empty()) dialog.ChangeAccessCode();
    const bool ok = accept && dialog.Accept(entries);
    dialog.Close();
    rig.device.ClearWritten();
    t0 = rig.clock.Now();
    return ok;
  }
  // Runs the command to the watchdog's first check.
  bool Write() {
    rig.controller.StartWriteSettings();
    if (!rig.RunUntil([&] { return rig.WatchdogRuns(); }, 7min)) return false;
    rig.RunFor(1100ms);
    return true;
  }
  // The bytes written since the dialog closed, each with the tick (ms after it) it went out on.
  Timeline Sent(std::size_t count = SIZE_MAX) const { return rig.SentSince(t0, count); }
  bool Logged(std::string_view line) const { return rig.view.Logged(line) > 0; }

  test::UnitRig rig;
  sim::SimulatedUnit* unit = nullptr;
  SettingsEntries entries{"5", "85", "Lift A"};
  std::chrono::milliseconds dialogTime = 1200ms;
  std::vector<int> codes;
  bool accept = true;
  std::string clockText;
  bool okDisabled = false;
  sim::SimTime t0{};
};

struct OneChange {
  const char* name;
  sim::UnitConfig unit;
  std::function<void(SettingsWrite&)> change;
  Timeline sent;  // the first bytes after the dialog, ending with the watchdog's first check
  const char* logLine;
  std::function<bool(SettingsWrite&)> stored;
  friend void PrintTo(const OneChange& c, std::ostream* out) { *out << c.name; }
};

class EachChangeAlone : public SettingsWrite, public ::testing::WithParamInterface<OneChange> {};

TEST_P(EachChangeAlone, SendsItsBytesOnItsTicksAndTheUnitStoresIt) {
  const OneChange& c = GetParam();
  Connect(c.unit);
  c.change(*this);
  ASSERT_TRUE(Write());
  EXPECT_EQ(Sent(c.sent.size()), c.sent);
  EXPECT_TRUE(*c.logLine == '\0' || Logged(c.logLine)) << rig.view.log;
  EXPECT_TRUE(c.stored(*this));
}

const sim::UnitConfig kPermanent{.accessTime = 0, .relaySetup = 0x80};

auto Change(void (*change)(SettingsEntries&)) {
  return [change](SettingsWrite& t) { change(t.entries); };
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Settings, EachChangeAlone, ::testing::Values(
    OneChange{"Nothing", {}, Change([](auto&) {}), {{1700, kWatchdogStart}}, "",
              [](auto& t) { return t.unit->AccessTime() == 5 && t.unit->Name() == "Lift A"; }},
    OneChange{"AccessTime", {}, Change([](auto& e) { e.accessTime = "8"; }),
              {{400, 0x1F}, {600, 8}, {2100, kWatchdogStart}}, "New access time set",
              [](auto& t) { return t.unit->AccessTime() == 8; }},
    OneChange{"PermanentOn", {}, Change([](auto& e) { e.permanentAccess = true; }),
              {{400, 0x1F}, {600, 0}, {1000, 0x19}, {1200, 0x80}, {2500, kWatchdogStart}}, "New relay settings set",
              [](auto& t) { return t.unit->AccessTime() == 0 && t.unit->RelaySetup() == 0x80; }},
    // Leaving permanent access clears bit 7 of the relay byte, or the lift stays open to every key.
    OneChange{"PermanentOff", kPermanent, Change([](auto& e) { e.accessTime = "10"; }),
              {{400, 0x1F}, {600, 10}, {1000, 0x19}, {1200, 0x00}, {2500, kWatchdogStart}}, "New access time set",
              [](auto& t) { return t.unit->AccessTime() == 10 && t.unit->RelaySetup() == 0x00; }},
    OneChange{"RelayInversion", {}, Change([](auto& e) { e.relayInversion = true; }),
              {{600, 0x19}, {800, 0x07}, {2100, kWatchdogStart}}, "New relay settings set",
              [](auto& t) { return t.unit->RelaySetup() == 0x07; }},
    OneChange{"BothInversionsPermanent", kPermanent,
              Change([](auto& e) { e.permanentAccess = e.relayInversion = e.mainRelayInversion = true; }),
              {{600, 0x19}, {800, 0xBF}, {2100, kWatchdogStart}}, "New relay settings set",
              [](auto& t) { return t.unit->RelaySetup() == 0xBF; }},
    OneChange{"Name", {}, Change([](auto& e) { e.elevatorName = "B"; }),
              {{200, 0x1E}, {400, 'B'}, {600, 0xFF}, {2500, kWatchdogStart}}, "Elevator name saved",
              [](auto& t) { return t.unit->Name() == "B"; }},
    OneChange{"AccessCode", {}, [](auto& t) { t.codes = {4719, 1234, 1234}; },
              {{800, 0x20}, {1000, 0x04}, {1200, 0xD2}, {2300, kWatchdogStart}}, "New password set",
              [](auto& t) { return t.unit->AccessCode() == 1234 && t.rig.controller.settings().accessCode == 1234; }},
    OneChange{"Clock", {}, [](auto& t) { t.entries.setClock = true; t.rig.localClock.now = {2013, 6, 25, 14, 5, 9}; },
              {{1000, 0x24}, {1200, 13}, {1400, 6}, {1600, 25}, {1800, 14}, {2000, 5}, {2200, 10}, {5100, kWatchdogStart}},
              "Current time set", [](auto& t) {
                const sim::CivilTime now = t.unit->ClockAt(t.rig.clock.Now());
                // The settings line no longer calls the clock wrong.
                return now.year == 2013 && now.month == 6 && now.day == 25 && now.hour == 14 && now.minute == 5 &&
                       t.rig.view.summary.find("clock") == std::string::npos;
              }}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// What changed is what goes out; permanent access is bit 7 of the relay byte, so entering or
// leaving it sends that byte too.
TEST(SettingsDiff, SendsWhatChangedAndTheRelayByteWhenPermanentAccessChanges) {
  const auto unit = [](int accessTime, int recordSize, int relayInversion, int mainRelayInversion) {
    return ImageSettings{accessTime, recordSize, relayInversion, mainRelayInversion};
  };
  const ImageSettings kUnit = unit(5, 100, 0, 1), kPermanent = unit(0, 100, 0, 1);
  const struct {
    const char* name;
    ImageSettings before, after;
    SettingsChanges expected;
  } kRows[] = {
      // clang-format off
      {"nothing",                  kUnit,      kUnit,              {}},
      {"access time",              kUnit,      unit(8, 100, 0, 1), {.accessTimeChanged = true}},
      {"into permanent access",    kUnit,      kPermanent,         {.accessTimeChanged = true, .relayChanged = true}},
      {"out of permanent access",  kPermanent, unit(10, 100, 0, 1), {.accessTimeChanged = true, .relayChanged = true}},
      {"inversions, permanent",    kPermanent, unit(0, 100, 1, 0), {.relayChanged = true}},
      {"comment length",           kUnit,      unit(5, 50, 0, 1),  {.recordSizeChanged = true}},
      // clang-format on
  };
  for (const auto& row : kRows)
    EXPECT_TRUE(Diff(row.before, {.values = row.after}) == row.expected) << row.name;
  // The name, the code and the clock go as the dialog said.
  EXPECT_TRUE((Diff(kUnit, {kUnit, true, true, true}) ==
               SettingsChanges{.nameChanged = true, .accessCodeChanged = true, .setClock = true}));
}

struct Relayout {
  int keys;
  const char* commentLength;
  const char* logLine;
};

class NewCommentLength : public SettingsWrite, public ::testing::WithParamInterface<Relayout> {};

TEST_P(NewCommentLength, RewritesTheWholeMemoryOnItsTicksAndLogsTheLosses) {
  Connect({}, GetParam().keys);
  const auto expected = std::make_unique<KeyMemoryImage>(rig.controller.image());
  const auto loaded = std::make_unique<ImageBytes>(rig.controller.image().Bytes());
  entries.commentLength = GetParam().commentLength;
  const int newSize = std::stoi(entries.commentLength) + 15;
  expected->RelayoutKeyMemory(newSize);
  rig.controller.StartWriteSettings();
  ASSERT_TRUE(rig.RunUntil([&] { return rig.view.progressShown; }, 3s));
  // Mid-rewrite, closing asks first and names what is at stake.
  rig.view.yesAnswer = false;
  EXPECT_FALSE(rig.controller.MayClose());
  EXPECT_NE(rig.view.questions.back().text.find("half rewritten"), std::string::npos);
  EXPECT_EQ(rig.view.questionDefaults.back(), DefaultAnswer::No);
  // The rewrite began with a backup of the old layout; a Yes saves the PC's image and names it.
  rig.view.yesAnswer = true;
  EXPECT_TRUE(rig.controller.MayClose());
  const std::vector<std::filesystem::path> backups = rig.Backups();
  ASSERT_EQ(backups.size(), 2u);
  ImageBytes before{};
  ImageSettings settings{};
  ASSERT_TRUE(LoadImageFile(backups[0], before, settings).Ok());
  EXPECT_EQ(before, *loaded);
  EXPECT_EQ(settings.recordSize, 100);
  EXPECT_NE(rig.view.boxes.back().text.find("half written"), std::string::npos);
  EXPECT_NE(rig.view.boxes.back().text.find(backups[1].string()), std::string::npos);
  ASSERT_TRUE(rig.RunUntil([&] { return rig.WatchdogRuns(); }, 7min));
  rig.RunFor(600ms);

  // 0x23, the size and 0x1D 0x07 0x1A on 200 ms ticks, then 512 blocks and the last reply on 750 ms ticks.
  const Timeline head{{200, 0x23}, {400, newSize}, {1600, 0x1D}, {1600, 0x07}, {1600, 0x1A}};
  EXPECT_EQ(Sent(head.size()), head);
  const Timeline all = Sent();
  ASSERT_GT(all.size(), head.size() + kImageSize);
  EXPECT_EQ(all[head.size()].first, 2700);
  EXPECT_EQ(all[head.size() + kImageSize - 1].first, 2000 + 750 * 512);
  // The last block's reply has a tick of its own; then the watchdog.
  EXPECT_EQ(all[head.size() + kImageSize], (std::pair<long, int>{387200, kWatchdogStart}));
  EXPECT_TRUE(std::equal(unit->Memory().begin(), unit->Memory().end(), expected->Bytes().begin()));
  EXPECT_EQ(unit->RecordSize(), newSize);
  EXPECT_TRUE(Logged(GetParam().logLine) && Logged("Done")) << rig.view.log;
  EXPECT_EQ(rig.view.progress.back().percent, 100);
  EXPECT_FALSE(rig.view.progressShown);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, NewCommentLength,
    ::testing::Values(
        Relayout{12, "5", "Comment length changed from 85 to 5: 0 keys dropped, 2 comments cut."},
        Relayout{300, "235", "Comment length changed from 85 to 235: 38 keys dropped, 0 comments cut."}));

// A new comment length without a backup on the disk starts nothing.
TEST_F(SettingsWrite, ANewCommentLengthNeedsABackupFirst) {
  Connect({}, 5);
  test::WriteWhole(rig.files / "blocked", "");
  rig.controller.backups().SetFolder(rig.files / "blocked" / "backups");
  entries.commentLength = "20";
  ASSERT_TRUE(Write());
  EXPECT_EQ(Sent(1), (Timeline{{0, unit::kIdle}}));
  EXPECT_EQ(unit->RecordSize(), 100);
  EXPECT_EQ(rig.controller.image().RecordSize(), 100);
  ASSERT_EQ(rig.view.boxes.size(), 1u);
  EXPECT_NE(rig.view.boxes[0].text.find("so nothing was started"), std::string::npos);
}

struct Failure {
  int code;
  std::uint8_t command;
  int replyIndex;
  std::vector<std::uint8_t> reply;  // what the unit sends instead; none leaves the reply out
  std::function<void(SettingsEntries&, std::vector<int>&)> change;
};

class WriteFailure : public SettingsWrite, public ::testing::WithParamInterface<Failure> {};

// Every error stops the write for good; a new record size is backed up before it starts and the
// PC's image again once it fails, and the access code stays the old one until the unit has
// confirmed the new.
TEST_P(WriteFailure, StopsForGoodAndLeavesTheOperatorAWayBack) {
  const Failure& f = GetParam();
  Connect();
  unit->SetFaults(test::WrongReply(f.command, f.replyIndex, f.reply));
  f.change(entries, codes);
  const bool rewrite = entries.commentLength != "85";
  rig.controller.StartWriteSettings();
  rig.RunUntil([&] { return rig.timers.RunningCount() == 0; }, 7min);

  EXPECT_TRUE(Logged(CriticalLine(f.code))) << rig.view.log;
  EXPECT_EQ(rig.view.Buttons(), Sequencer::kDisconnectedCommands);
  EXPECT_EQ(rig.controller.settings().accessCode, 4719);
  const bool codeChange = f.command == unit::kSetAccessCode;
  EXPECT_EQ(rig.view.log.find("Old code: 4719, new code: 1234") != std::string::npos, codeChange);
  const std::vector<std::filesystem::path> backups = rig.Backups();
  ASSERT_EQ(backups.size(), rewrite ? 2u : 0u);
  if (rewrite) {
    ImageBytes before{}, after{};
    ImageSettings settingsBefore{}, settingsAfter{};
    ASSERT_TRUE(LoadImageFile(backups[0], before, settingsBefore).Ok());
    ASSERT_TRUE(LoadImageFile(backups[1], after, settingsAfter).Ok());
    EXPECT_EQ(settingsBefore.recordSize, 100);
    EXPECT_EQ(after, rig.controller.image().Bytes());
    EXPECT_EQ(settingsAfter.recordSize, 50);
    EXPECT_NE(rig.view.boxes.back().text.find("half written"), std::string::npos);
    EXPECT_NE(rig.view.boxes.back().text.find(backups[1].string()), std::string::npos);
  }
  // Nothing runs any more, so closing asks nothing.
  rig.view.yesAnswer = false;
  EXPECT_TRUE(rig.controller.MayClose());
}

const auto kNewLength = [](SettingsEntries& e, std::vector<int>&) { e.commentLength = "35"; };
const auto kNewCode = [](SettingsEntries&, std::vector<int>& c) { c = {4719, 1234, 1234}; };
const auto kAccessTime = [](SettingsEntries& e, std::vector<int>&) { e.accessTime = "9"; };
const auto kRelay = [](SettingsEntries& e, std::vector<int>&) { e.mainRelayInversion = true; };
const auto kClock = [](SettingsEntries& e, std::vector<int>&) { e.setClock = true; };

constexpr std::uint8_t kSize = unit::kSetRecordSize, kTime = unit::kSetAccessTime,
                       kCode = unit::kSetAccessCode, kMemory = unit::kWriteMemory[0];

// clang-format off
INSTANTIATE_TEST_SUITE_P(Settings, WriteFailure, ::testing::Values(
    Failure{302, kSize, 0, {kNak}, kNewLength},           Failure{303, kSize, 0, {}, kNewLength},
    Failure{304, kTime, 0, {kNak}, kAccessTime},          Failure{305, kTime, 0, {}, kAccessTime},
    Failure{306, unit::kSetRelay, 0, {kNak}, kRelay},     Failure{307, unit::kSetRelay, 0, {}, kRelay},
    Failure{308, kCode, 0, {0x05}, kNewCode},             Failure{309, kCode, 0, {0x04, 0x04}, kNewCode},
    Failure{310, kCode, 1, {0xD3}, kNewCode},             Failure{311, kCode, 2, {}, kNewCode},
    Failure{312, kCode, 2, {kNak}, kNewCode},             Failure{320, unit::kSetClock, 5, {0x08}, kClock},
    Failure{321, unit::kSetClock, 6, {kNak}, kClock},     Failure{322, unit::kSetClock, 6, {}, kClock},
    Failure{230, kMemory, 0, {}, kNewLength},             Failure{231, kMemory, 0, {0x41}, kNewLength},
    Failure{532, kMemory, 3, {kNak}, kNewLength},         Failure{533, kMemory, 3, {}, kNewLength},
    // The last block's reply is judged like every other.
    Failure{532, kMemory, 512, {kNak}, kNewLength}));
// clang-format on

// The PC's clock is read once, at the '$' tick, and runs on; the unit takes the six fields as one
// time when the seconds arrive, 1.2 s later. They carry that instant, whole and to the nearest
// second, so the unit's clock ends within half a second of the PC's, across the new year too.
TEST_F(SettingsWrite, TheClockGoesOutAsThePcsTimeWhenItsSecondsArrive) {
  Connect();
  const struct {
    LocalTime pc;  // at the reading
    std::uint8_t year, month, day, hour, minute, second;
  } kCases[] = {
      {{2026, 12, 31, 23, 59, 59, 250}, 27, 1, 1, 0, 0, 0},
      {{2026, 12, 31, 23, 59, 59, 500}, 27, 1, 1, 0, 0, 1},
      {{2028, 2, 28, 23, 59, 59, 0}, 28, 2, 29, 0, 0, 0},
  };
  for (const auto& c : kCases) {
    entries.setClock = true;
    rig.localClock.now = c.pc;
    rig.localClock.runsFrom.reset();
    rig.controller.StartWriteSettings();
    ASSERT_TRUE(rig.RunUntil(
        [&] {
          if (!Sent().empty() && !rig.localClock.runsFrom) {
            rig.localClock.clock = &rig.clock;
            rig.localClock.runsFrom = rig.lastTickAt;
          }
          return rig.WatchdogRuns();
        },
        1min));
    EXPECT_EQ(Sent(7), (Timeline{{1000, 0x24},
                                 {1200, c.year},
                                 {1400, c.month},
                                 {1600, c.day},
                                 {1800, c.hour},
                                 {2000, c.minute},
                                 {2200, c.second}}));
    const auto offset = test::ClockOffset(*unit, rig.clock.Now(), rig.localClock.Now());
    EXPECT_LE(std::chrono::abs(offset), 500ms) << offset.count() << " ms at " << c.pc.second;
  }
}

// After the end mark the unit echoes it and sends its own: a wrong echo, a wrong or a missing end
// mark leaves the name unconfirmed.
TEST_F(SettingsWrite, ANameWriteTheUnitDoesNotConfirmIsLoggedAndTheWriteGoesOn) {
  Connect();
  entries.accessTime = "9";
  long unconfirmed = 0;
  for (const auto& [name, index, bytes] : {std::tuple{"B", 1, std::vector<std::uint8_t>{0x41}},
                                           std::tuple{"C", 2, std::vector<std::uint8_t>{0x41}},
                                           std::tuple{"D", 2, std::vector<std::uint8_t>{}}}) {
    unit->SetFaults(test::WrongReply(unit::kSetName, index, bytes));
    entries.elevatorName = name;
    ASSERT_TRUE(Write());
    EXPECT_EQ(rig.view.Logged("QEL did not confirm the elevator name."), ++unconfirmed) << name;
  }
  EXPECT_TRUE(Logged("New access time set")) << rig.view.log;
}

TEST_F(SettingsWrite, CancelLeavesEverythingAndASilentClockDropsTheLinkWithNothingStarted) {
  Connect();
  accept = false;
  entries.accessTime = "9";
  ASSERT_TRUE(Write());
  EXPECT_EQ(Sent(2), (Timeline{{0, unit::kIdle}, {1000, unit::kIdle}}));
  EXPECT_EQ(unit->AccessTime(), 5);
  EXPECT_EQ(clockText.substr(0, 16), "2026-3-14 09:26:");

  unit->SetFaults(test::DeadAt(unit::kGetClock));
  dialogTime = 4s;
  rig.controller.StartWriteSettings();
  EXPECT_TRUE(okDisabled);
  EXPECT_EQ(rig.view.boxes.back().text, "Error no. 600 - QEL disconnected");
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(rig.timers.RunningCount(), 0);
}

// The settings dialog's judge alone, over a unit whose name holds a byte it cannot be sent: each
// box's texts refused with the box the focus goes to, a name judged by characters, not bytes, and
// only when it changes.
struct JudgeRow {
  const char* name;
  SettingsEntries entries;
  std::string message;  // empty: taken
  SettingsDialogWindow::Field field = SettingsDialogWindow::Field::AccessTime;
  friend void PrintTo(const JudgeRow& row, std::ostream* out) { *out << row.name; }
};

class SettingsJudge : public ::testing::TestWithParam<JudgeRow> {};

TEST_P(SettingsJudge, RefusesWithTheMessageAndTheBoxToFocus) {
  const JudgeRow& row = GetParam();
  const SettingsDialogSetup setup{.elevatorName = "Lift\x01"};
  const SettingsVerdict verdict = SettingsDialog::Judge(row.entries, setup);
  EXPECT_EQ(verdict.message, row.message);
  if (!row.message.empty()) {
    EXPECT_EQ(verdict.field, row.field);
  }
}

using Field = SettingsDialogWindow::Field;
INSTANTIATE_TEST_SUITE_P(
    Boxes, SettingsJudge,
    ::testing::Values(
        JudgeRow{"Lowest", {"3", "5", "Lift\x01"}, ""},
        JudgeRow{"Highest", {"120", "235", "\xC5\xBE" + std::string(48, 'z')}, ""},
        JudgeRow{"AccessTimeHigh", {"121", "85", ""}, "Please enter a whole number between 3 and 120."},
        JudgeRow{"AccessTimeSigned", {"+9", "85", ""}, "Please enter a whole number between 3 and 120."},
        JudgeRow{"CommentLengthLow",
                 {"5", "4", ""},
                 "Please enter a whole number between 5 and 235.",
                 Field::CommentLength},
        JudgeRow{"NameLong",
                 {"5", "85", std::string(50, 'z')},
                 "The elevator name can have at most 49 characters.",
                 Field::ElevatorName},
        JudgeRow{"NameChangedUnstorable",
                 {"5", "85", "Lift\x02"},
                 "The elevator name contains the character U+0002, which QEL cannot store.",
                 Field::ElevatorName}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qel
