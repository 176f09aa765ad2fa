// The settings read after login: each value, each fault 401-405 with its text, the clock line
// and the summary line.
#include <gtest/gtest.h>

#include <ostream>

#include "link/UnitCommands.h"
#include "sequencer/UnitSettings.h"
#include "tests/support/UnitRig.h"

namespace qel {
namespace {

using namespace std::chrono_literals;
using sim::Faults;
using test::UnitRig;
using test::WrongReply;

// Connects to a unit with `config` and `faults` and runs the read to the start of the key load;
// the time of the read's first tick.
sim::SimTime ReadSettings(UnitRig& rig, sim::UnitConfig config, Faults faults = {}) {
  rig.AddUnit(1, std::move(config)).SetFaults(std::move(faults));
  rig.view.connectAnswer = ConnectChoice{4719, 1, 1, 1};
  rig.controller.ConnectCommand();
  EXPECT_TRUE(rig.RunUntil([&] { return rig.Runs(OperationKind::SettingsRead); }, 1s));
  const sim::SimTime start = rig.lastTickAt;
  EXPECT_TRUE(rig.RunUntil([&] { return rig.Runs(OperationKind::KeyLoad); }, 10s)) << rig.view.log;
  return start;
}

TEST(SettingsRead, StoresEveryValueLogsEachAndBuildsTheSummaryInAboutFourSeconds) {
  UnitRig rig;
  const sim::SimTime start = ReadSettings(rig, {.recordSize = 40,
                                                .accessTime = 0,
                                                .relaySetup = 0x08,
                                                .name = "Lift\r B",  // a control byte is dropped
                                                .firmware = "QEL 2.14",
                                                .clock = {2099, 12, 31, 23, 59, 30}});
  // Three steps at 100 ms, then four at 1000 ms; each period runs from its timer's start,
  // which comes after the reads of its tick. The name gets two ticks.
  EXPECT_GE(rig.lastTickAt - start, 4300ms);
  EXPECT_LT(rig.lastTickAt - start, 4350ms);
  EXPECT_EQ(rig.SentSince(start, 7), (test::Timeline{{0, unit::kGetAccessTime},
                                                     {100, unit::kGetRecordSize},
                                                     {200, unit::kGetRelaySetup},
                                                     {300, unit::kGetClock},
                                                     {1300, unit::kGetName},
                                                     {3300, unit::kGetFirmware},
                                                     {3300, unit::kFirmwareArgument}}));
  EXPECT_EQ(rig.controller.settings().accessTime, 0);
  EXPECT_EQ(rig.controller.image().RecordSize(), 40);
  EXPECT_EQ(rig.controller.settings().relayInversion, 0);
  EXPECT_EQ(rig.controller.settings().mainRelayInversion, 1);
  EXPECT_EQ(rig.controller.settings().elevatorName, "Lift B");
  auto lines = rig.view.LogLines();
  lines.resize(7);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "", "QEL firmware version: QEL 2.14",
                       "The QEL clock is 26688 d ahead of the PC's. To set it, tick \"Set the time according "
                       "to PC\" in Settings.",
                       "QEL current time: 2099-12-31 23:59", "Relay setup loaded", "Comment length loaded",
                       "Access time loaded"}));
  EXPECT_EQ(
      rig.view.summary,
      "Permanent access,     Comment length: 25,     Relay inversion: no,     Main relay inversion: yes,     "
      "clock 26688 d ahead");
  EXPECT_EQ(rig.view.elevatorName, "Lift B");
}

TEST(SettingsRead, CzechClockLineAndSummaryAndALongNameCutForShowing) {
  UnitRig rig(Language::Czech);
  ReadSettings(rig, {.recordSize = 15,
                     .accessTime = 7,
                     .relaySetup = 0x09,
                     .name = std::string(60, 'N'),
                     .clock = {2099, 12, 31, 23, 59, 30}});
  EXPECT_EQ(rig.view.Logged("Čas ve QEL: 31. 12. 2099 23:59"), 1) << rig.view.log;
  EXPECT_EQ(rig.view.summary,
            "Čas přístupu: 7,     Počet znaků komentáře: 0,     Inverze relé: ano,     Inverze hlavního "
            "relé: ano,     "
            "hodiny o 26688 d napřed");
  EXPECT_EQ(rig.controller.settings().elevatorName, std::string(50, 'N'));
  EXPECT_EQ(rig.view.elevatorName, std::string(50, 'N'));
}

TEST(SettingsRead, ClockDecodingTakesTheTensFromTheirOwnBits) {
  const std::array<std::uint8_t, 7> reply{0x30, 0x59, 0x23, 0x05, 0x31, 0x12, 0x99};
  EXPECT_EQ(DecodeUnitClock(reply), (UnitClock{30, 59, 23, 31, 12, 99}));
  // Bit 7 of the seconds and the bits above bit 4 of the month are not part of the value.
  const std::array<std::uint8_t, 7> noisy{0xB0, 0x00, 0x00, 0x00, 0x01, 0xE2, 0x00};
  EXPECT_EQ(DecodeUnitClock(noisy), (UnitClock{30, 0, 0, 1, 2, 0}));
  EXPECT_EQ(ClockLine({0, 5, 7, 1, 2, 3}, Language::English), "QEL current time: 2003-2-1 07:05");
}

// The PC reads 2026-12-06 10:30:00.
TEST(SettingsRead, TheClockIsWrongBeyondTwoMinutesOrWithoutADate) {
  using State = ClockJudgement::State;
  const LocalTime pc{2026, 12, 6, 10, 30, 0};
  const LocalTime newYearsEve{2026, 12, 31, 23, 59, 0};
  struct Case {
    UnitClock unit;  // second, minute, hour, day, month, year
    LocalTime pc;
    ClockJudgement judged;
    std::string summary;  // its end
  };
  for (const Case& c : std::initializer_list<Case>{
           {{0, 32, 10, 6, 12, 26}, pc, {}, "yes"},
           {{1, 32, 10, 6, 12, 26}, pc, {State::Off, 2}, "yes,     clock 2 min ahead"},
           {{59, 27, 10, 6, 12, 26}, pc, {State::Off, -2}, "yes,     clock 2 min behind"},
           {{0, 30, 8, 6, 12, 26}, pc, {State::Off, -120}, "yes,     clock 2 h behind"},
           {{0, 30, 10, 3, 12, 26}, pc, {State::Off, -4320}, "yes,     clock 3 d behind"},
           // Across midnight and the new year.
           {{0, 0, 0, 1, 1, 27}, newYearsEve, {}, "yes"},
           {{0, 5, 0, 1, 1, 27}, newYearsEve, {State::Off, 6}, "yes,     clock 6 min ahead"},
           {{0, 0, 0, 30, 2, 27}, pc, {State::NotSet, 0}, "yes,     clock not set"},
           {{0, 0, 24, 6, 12, 26}, pc, {State::NotSet, 0}, "yes,     clock not set"},
           {{0, 0, 0, 0, 0, 0}, pc, {State::NotSet, 0}, "yes,     clock not set"}}) {
    SCOPED_TRACE(ClockLine(c.unit, Language::English));
    UnitSettings settings;
    settings.mainRelayInversion = 1;
    settings.clock = JudgeUnitClock(c.unit, c.pc);
    EXPECT_EQ(settings.clock, c.judged);
    const std::string summary = SettingsSummary(settings, 100, Language::English);
    EXPECT_EQ(summary.substr(summary.rfind("inversion: ") + 11), c.summary);
    EXPECT_EQ(ClockWarning(settings.clock, Language::English).empty(), c.judged.state == State::Right);
  }
  EXPECT_EQ(
      ClockWarning({State::Off, -7}, Language::Czech),
      "Hodiny QEL jdou o 7 min pozadu oproti PC. Nastavíte je v Nastavení volbou „Nastavit čas podle PC“.");
}

TEST(SettingsRead, AZeroClockLogsNoClockLineAndAMissingFirmwareIsLogged) {
  UnitRig rig;
  Faults faults;
  for (int i = 0; i < 7; ++i) faults.wrongReplies.push_back({unit::kGetClock, 0, i, {0x00}});
  ReadSettings(rig, {.firmware = ""}, faults);
  for (const std::string& line : rig.view.LogLines()) EXPECT_EQ(line.find("current time"), std::string::npos);
  EXPECT_EQ(rig.view.Logged("QEL firmware version was not loaded"), 1);
}

struct FaultCase {
  std::string name;
  std::uint8_t command;
  int index;
  std::vector<std::uint8_t> bytes;  // sent instead of the reply byte (none: left out)
  std::string line;
  std::function<void(UnitRig&)> check = [](UnitRig&) {};
  friend void PrintTo(const FaultCase& c, std::ostream* out) { *out << c.name; }
};

class SettingsFault : public ::testing::TestWithParam<FaultCase> {};

// The clock the window had before the read stays when the unit's reply falls short.
TEST_P(SettingsFault, IsLoggedAndTheReadGoesOnToTheKeyLoad) {
  UnitRig rig;
  rig.controller.settings().unitClock = {10, 20, 8, 1, 2, 26};
  ReadSettings(rig, {}, WrongReply(GetParam().command, GetParam().index, GetParam().bytes));
  EXPECT_EQ(rig.view.Logged(GetParam().line), 1) << "missing \"" << GetParam().line << "\" in\n"
                                                 << rig.view.log;
  EXPECT_TRUE(rig.view.boxes.empty());
  GetParam().check(rig);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(EachSetting, SettingsFault, ::testing::Values(
    FaultCase{"AccessTimeMissing", unit::kGetAccessTime, 0, {}, "Error no. 401 - Error loading the access time"},
    FaultCase{"AccessTimeTooLong", unit::kGetAccessTime, 0, {121}, "Error no. 401 - Error loading the access time - wrong value",
              [](UnitRig& rig) {
                EXPECT_EQ(rig.controller.settings().accessTime, 121);  // stored as received
                EXPECT_EQ(rig.view.Logged("Comment length loaded"), 1);
              }},
    FaultCase{"RecordSizeMissing", unit::kGetRecordSize, 0, {}, "Error no. 402 - Error loading the comment length"},
    // Never used, and still logged as loaded.
    FaultCase{"RecordSizeTooLarge", unit::kGetRecordSize, 0, {251}, "Error no. 402 - Error loading the comment length - wrong value",
              [](UnitRig& rig) {
                EXPECT_EQ(rig.controller.image().RecordSize(), 100);  // the one the window started with
                EXPECT_NE(rig.view.log.find("Comment length loaded\r\n"
                                            "Error no. 402 - Error loading the comment length - wrong value"), std::string::npos);
              }},
    FaultCase{"RecordSizeTooSmall", unit::kGetRecordSize, 0, {14}, "Error no. 402 - Error loading the comment length - wrong value"},
    FaultCase{"RelaySetupMissing", unit::kGetRelaySetup, 0, {}, "Error no. 403 - Error loading relay setup"},
    FaultCase{"ClockShort", unit::kGetClock, 6, {}, "Error no. 404 - Error loading QEL current time",
              [](UnitRig& rig) { EXPECT_EQ(rig.view.Logged("QEL current time: 2026-2-1 08:20"), 1); }},
    FaultCase{"NameUnended", unit::kGetName, 6, {}, "Error no. 405 - Error loading elevator name",
              [](UnitRig& rig) { EXPECT_EQ(rig.controller.settings().elevatorName, "Lift A"); }}),  // kept
    [](const auto& info) { return info.param.name; });
// clang-format on

}  // namespace
}  // namespace qel
