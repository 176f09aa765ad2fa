// The settings read after login: each value, each fault 401-405 with its text, the clock line
// and the summary line.
#include <gtest/gtest.h>

#include <algorithm>

#include "link/UnitCommands.h"
#include "sequencer/UnitSettings.h"
#include "tests/support/UnitRig.h"

namespace qel {
namespace {

using namespace std::chrono_literals;
using sim::Faults;
using test::UnitRig;

bool LogHas(const test::RecordingView& view, const std::string& line) {
  const auto lines = view.LogLines();
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Connects to a unit with `config` and `faults` and runs the read to the start of the key load.
void ReadSettings(UnitRig& rig, sim::UnitConfig config, Faults faults = {}) {
  rig.AddUnit(1, std::move(config)).SetFaults(std::move(faults));
  rig.view.connectAnswer = ConnectChoice{4719, 1, 1, 1};
  rig.controller.ConnectCommand();
  ASSERT_TRUE(rig.RunUntil([&] { return rig.timers.IsRunning(kKeyLoadTimer); }, 10s)) << rig.view.log;
}

Faults DropReplyTo(std::uint8_t command, int index = 0) {
  Faults f;
  f.wrongReplies.push_back({command, 0, index, {}});
  return f;
}

Faults ReplaceReplyTo(std::uint8_t command, std::uint8_t value) {
  Faults f;
  f.wrongReplies.push_back({command, 0, 0, {value}});
  return f;
}

TEST(SettingsRead, StoresEveryValueLogsEachAndBuildsTheSummary) {
  UnitRig rig;
  ReadSettings(rig, {.recordSize = 40,
                     .accessTime = 0,
                     .relaySetup = 0x08,
                     .name = "Lift B",
                     .firmware = "QEL 2.14",
                     .clock = {2099, 12, 31, 23, 59, 30}});

  EXPECT_EQ(rig.controller.settings().accessTime, 0);
  EXPECT_EQ(rig.controller.image().RecordSize(), 40);
  EXPECT_EQ(rig.controller.settings().relayInversion, 0);
  EXPECT_EQ(rig.controller.settings().mainRelayInversion, 1);
  EXPECT_EQ(rig.controller.settings().elevatorName, "Lift B");
  const std::vector<std::string> expected{"",
                                          "QEL firmware version: QEL 2.14",
                                          "QEL current time: 2099-12-31 23:59",
                                          "Relay setup loaded",
                                          "Comment length loaded",
                                          "Access time loaded"};
  auto lines = rig.view.LogLines();
  lines.resize(expected.size());
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(
      rig.view.summary,
      "Permanent access,     Comment length: 25,     Relay inversion: no,     Main relay inversion: yes");
  EXPECT_EQ(rig.view.elevatorName, "Lift B");
}

TEST(SettingsRead, TakesAboutFourSecondsAtItsTwoPaces) {
  UnitRig rig;
  rig.AddUnit(1);
  rig.view.connectAnswer = ConnectChoice{4719, 1, 1, 1};
  rig.controller.ConnectCommand();
  ASSERT_TRUE(rig.RunUntil([&] { return rig.timers.IsRunning(kSettingsReadTimer); }, 1s));
  const sim::SimTime start = rig.lastTickAt;
  ASSERT_TRUE(rig.RunUntil([&] { return rig.timers.IsRunning(kKeyLoadTimer); }, 10s));
  // Three steps at 100 ms, then four at 1000 ms; each period runs from its timer's start,
  // which comes after the reads of its tick.
  EXPECT_GE(rig.lastTickAt - start, 4300ms);
  EXPECT_LT(rig.lastTickAt - start, 4350ms);
}

TEST(SettingsRead, CzechClockLineAndSummary) {
  UnitRig rig(Language::Czech);
  ReadSettings(rig,
               {.recordSize = 15, .accessTime = 7, .relaySetup = 0x09, .clock = {2099, 12, 31, 23, 59, 30}});
  EXPECT_TRUE(LogHas(rig.view, "Čas ve QEL: 31. 12. 2099 23:59")) << rig.view.log;
  EXPECT_EQ(
      rig.view.summary,
      "Čas přístupu: 7,     Počet znaků komentáře: 0,     Inverze relé: ano,     Inverze hlavniho relé: ano");
}

TEST(SettingsRead, ClockDecodingTakesTheTensFromTheirOwnBits) {
  const std::array<std::uint8_t, 7> reply{0x30, 0x59, 0x23, 0x05, 0x31, 0x12, 0x99};
  EXPECT_EQ(DecodeUnitClock(reply), (UnitClock{30, 59, 23, 31, 12, 99}));
  // Bit 7 of the seconds and the bits above bit 4 of the month are not part of the value.
  const std::array<std::uint8_t, 7> noisy{0xB0, 0x00, 0x00, 0x00, 0x01, 0xE2, 0x00};
  EXPECT_EQ(DecodeUnitClock(noisy), (UnitClock{30, 0, 0, 1, 2, 0}));
  EXPECT_EQ(ClockLine({30, 59, 23, 31, 12, 99}, Language::Czech), "Čas ve QEL: 31. 12. 2099 23:59");
  EXPECT_EQ(ClockLine({0, 5, 7, 1, 2, 3}, Language::English), "QEL current time: 2003-2-1 07:05");
}

struct FaultCase {
  std::string name;
  std::uint8_t command;
  std::vector<std::uint8_t> bytes;  // sent instead of the first reply byte (none: left out)
  std::string englishLine;
  std::string czechLine;
};

class SettingsFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(SettingsFault, IsLoggedAndTheReadGoesOnToTheKeyLoad) {
  for (Language language : {Language::English, Language::Czech}) {
    UnitRig rig(language);
    Faults faults;
    faults.wrongReplies.push_back({GetParam().command, 0, 0, GetParam().bytes});
    ReadSettings(rig, {}, faults);
    const std::string& line = language == Language::English ? GetParam().englishLine : GetParam().czechLine;
    EXPECT_TRUE(LogHas(rig.view, line)) << "missing \"" << line << "\" in\n" << rig.view.log;
    EXPECT_TRUE(rig.view.boxes.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    EachSetting, SettingsFault,
    ::testing::Values(FaultCase{"AccessTimeMissing",
                                unit::kGetAccessTime,
                                {},
                                "Error no. 401 - Error loading the access time",
                                "Chyba 401 - Chyba při načítání času přístupu"},
                      FaultCase{"AccessTimeTooLong",
                                unit::kGetAccessTime,
                                {121},
                                "Error no. 401 - Error loading the access time - wrong value",
                                "Chyba 401 - Chyba při načítání času přístupu - chybná hodnota"},
                      FaultCase{"RecordSizeMissing",
                                unit::kGetRecordSize,
                                {},
                                "Error no. 402 - Error loading the comment length",
                                "Chyba 402 - Chyba při načítání počtu znaků komentáře"},
                      FaultCase{"RecordSizeTooLarge",
                                unit::kGetRecordSize,
                                {251},
                                "Error no. 402 - Error loading the comment length - wrong value",
                                "Chyba 402 - Chyba při načítání počtu znaků komentáře - chybná hodnota"},
                      FaultCase{"RecordSizeTooSmall",
                                unit::kGetRecordSize,
                                {14},
                                "Error no. 402 - Error loading the comment length - wrong value",
                                "Chyba 402 - Chyba při načítání počtu znaků komentáře - chybná hodnota"},
                      FaultCase{"RelaySetupMissing",
                                unit::kGetRelaySetup,
                                {},
                                "Error no. 403 - Error loading relay setup",
                                "Chyba 403 - Chyba při načítání nastavení relé"},
                      FaultCase{"ClockShort",
                                unit::kGetClock,
                                {},
                                "Error no. 404 - Error loading QEL current time",
                                "Chyba 404 - Chyba při načítání aktuálního času ve QEL"}),
    [](const auto& info) { return info.param.name; });

TEST(SettingsRead, AccessTimeOutOfRangeIsStoredAsReceived) {
  UnitRig rig;
  ReadSettings(rig, {}, ReplaceReplyTo(unit::kGetAccessTime, 121));
  EXPECT_EQ(rig.controller.settings().accessTime, 121);
  EXPECT_TRUE(LogHas(rig.view, "Comment length loaded"));
}

TEST(SettingsRead, RecordSizeOutOfRangeIsNeverUsedAndStillLoggedAsLoaded) {
  UnitRig rig;
  ReadSettings(rig, {.recordSize = 40}, ReplaceReplyTo(unit::kGetRecordSize, 251));
  EXPECT_EQ(rig.controller.image().RecordSize(), 100);  // the one the window started with
  const auto lines = rig.view.LogLines();
  const auto error =
      std::find(lines.begin(), lines.end(), "Error no. 402 - Error loading the comment length - wrong value");
  ASSERT_NE(error, lines.end());
  ASSERT_NE(error, lines.begin());
  EXPECT_EQ(*(error - 1), "Comment length loaded");
}

TEST(SettingsRead, ShortClockReplyKeepsTheEarlierClockAndStillLogsIt) {
  UnitRig rig;
  rig.controller.settings().unitClock = {10, 20, 8, 1, 2, 26};
  ReadSettings(rig, {}, DropReplyTo(unit::kGetClock, 6));
  EXPECT_TRUE(LogHas(rig.view, "Error no. 404 - Error loading QEL current time"));
  EXPECT_TRUE(LogHas(rig.view, "QEL current time: 2026-2-1 08:20"));
}

TEST(SettingsRead, ZeroClockLogsNoClockLine) {
  UnitRig rig;
  Faults faults;
  for (int i = 0; i < 7; ++i) faults.wrongReplies.push_back({unit::kGetClock, 0, i, {0x00}});
  ReadSettings(rig, {}, faults);
  for (const std::string& line : rig.view.LogLines()) EXPECT_EQ(line.find("current time"), std::string::npos);
}

TEST(SettingsRead, NameWithoutItsEndIsKeptAndReported) {
  UnitRig rig;
  ReadSettings(rig, {.name = "Dum 12"}, DropReplyTo(unit::kGetName, 6));
  EXPECT_EQ(rig.controller.settings().elevatorName, "Dum 12");
  EXPECT_TRUE(LogHas(rig.view, "Error no. 405 - Error loading elevator name"));
}

TEST(SettingsRead, NameDropsControlBytes) {
  UnitRig rig;
  ReadSettings(rig, {.name = "Dum\r12"});
  EXPECT_EQ(rig.controller.settings().elevatorName, "Dum12");
  EXPECT_FALSE(LogHas(rig.view, "Error no. 405 - Error loading elevator name"));
}

TEST(SettingsRead, LongNameIsCutToFiftyCharactersForShowing) {
  UnitRig rig;
  ReadSettings(rig, {.name = std::string(60, 'N')});
  EXPECT_EQ(rig.controller.settings().elevatorName, std::string(50, 'N'));
  EXPECT_EQ(rig.view.elevatorName, std::string(50, 'N'));
}

TEST(SettingsRead, MissingFirmwareIsLoggedAndTheKeyLoadStillStarts) {
  UnitRig rig;
  ReadSettings(rig, {.firmware = ""});
  EXPECT_TRUE(LogHas(rig.view, "QEL firmware version was not loaded"));
}

TEST(SettingsRead, SummaryIsEmptyWithoutALinkButTheNameStays) {
  UnitRig rig;
  rig.controller.settings().elevatorName = "Lift C";
  rig.controller.ShowSettingsLine();
  EXPECT_EQ(rig.view.summary, "");
  EXPECT_EQ(rig.view.elevatorName, "Lift C");
}

}  // namespace
}  // namespace qel
