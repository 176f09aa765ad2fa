#include <gtest/gtest.h>

#include <functional>

#include "link/UnitCommands.h"
#include "sequencer/Sequencer.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/FixedLocalClock.h"
#include "tests/support/RecordingView.h"
#include "tests/support/ScriptedDevice.h"
#include "tests/support/VirtualTimerHost.h"

namespace qel {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::BytesEqual;

// An operation whose steps the test writes; it counts its ticks.
class ScriptedOperation final : public Operation {
 public:
  std::function<void(int step)> onStep = [](int) {};
  int ticks = 0;
  void Tick() override {
    ++ticks;
    onStep(step);
    ++step;
  }
};

class SequencerTest : public ::testing::Test {
 protected:
  SequencerTest() {
    table.Assign(1, "unit");
    port.Open(1);
    sequencer.linkOpen = 1;
  }

  // Runs the timers on the virtual clock until `ticks` ticks have been delivered.
  void RunTicks(int ticks) {
    for (int i = 0; i < ticks; ++i) {
      const auto id = timers.AdvanceToNextTick();
      ASSERT_TRUE(id.has_value()) << "no timer runs";
      sequencer.OnTimer(*id);
    }
  }

  test::ScriptedDevice device;
  PortTable table;
  test::RecordingView view;
  sim::VirtualClock clock;
  test::VirtualTimerHost timers{clock};
  test::FixedLocalClock localClock;
  CSerialPort port{device, table, view};
  Sequencer sequencer{port, timers, localClock, view};
};

// --- The tick -------------------------------------------------------------------------------

TEST_F(SequencerTest, TickRunsOnlyTheOperationOfItsTimer) {
  ScriptedOperation login, watchdog;
  sequencer.Register(kLoginTimer, login);
  sequencer.Register(kWatchdogTimer, watchdog);

  for (int id : {0, -1, 9, 42, 3}) sequencer.OnTimer(id);
  EXPECT_EQ(login.ticks, 0);
  EXPECT_EQ(watchdog.ticks, 0);

  sequencer.OnTimer(kWatchdogTimer);
  sequencer.OnTimer(kWatchdogTimer);
  EXPECT_EQ(watchdog.ticks, 2);
  EXPECT_EQ(watchdog.step, 2);
  EXPECT_EQ(login.ticks, 0);
  EXPECT_TRUE(device.written().empty());
}

TEST_F(SequencerTest, EveryTickTakesTheLocalTimeFirst) {
  ScriptedOperation operation;
  LocalTime seen{};
  operation.onStep = [&](int) { seen = sequencer.tickTime(); };
  sequencer.Register(kSettingsWriteTimer, operation);

  localClock.now = {2013, 6, 25, 14, 5, 9};
  sequencer.OnTimer(kSettingsWriteTimer);
  EXPECT_EQ(seen, (LocalTime{2013, 6, 25, 14, 5, 9}));

  localClock.now = {2013, 6, 25, 14, 5, 10};
  sequencer.OnTimer(99);  // an unknown id still reads the clock
  EXPECT_EQ(sequencer.tickTime(), (LocalTime{2013, 6, 25, 14, 5, 10}));
}

// --- Byte exchange and the echo chain -------------------------------------------------------

TEST_F(SequencerTest, EchoChainOfCorrectEchoesMovesToTheLastByte) {
  sequencer.SendByte(0x0D);
  sequencer.lastSentByte = 0x0D;
  for (std::uint8_t b : {0x06, 0x19, 0x0E}) {
    device.QueueReply({sequencer.lastSentByte});
    EXPECT_EQ(sequencer.SendChecked(b), 0);
  }
  EXPECT_EQ(sequencer.lastSentByte, 0x0E);
  EXPECT_TRUE(BytesEqual(Bytes({0x0D, 0x06, 0x19, 0x0E}), device.written()));
}

TEST_F(SequencerTest, WrongEarlyEchoIsStillCaughtAtTheFinalComparison) {
  sequencer.SendByte(0x0D);
  sequencer.lastSentByte = 0x0D;
  device.QueueReply({0x55});  // the unit garbled the first echo; all later echoes are right
  EXPECT_EQ(sequencer.SendChecked(0x06), 1);
  device.QueueReply({0x06});
  EXPECT_EQ(sequencer.SendChecked(0x19), 1);
  device.QueueReply({0x19});
  EXPECT_EQ(sequencer.SendChecked(0x0E), 1);

  // The chain stayed at the first byte, so the true echo of the last byte cannot match it.
  device.QueueReply({0x0E});
  ASSERT_EQ(sequencer.ReadReply(), 1);
  EXPECT_NE(sequencer.ReplyByte(0), sequencer.lastSentByte);
  EXPECT_EQ(sequencer.lastSentByte, 0x0D);
  // Every byte went out all the same.
  EXPECT_TRUE(BytesEqual(Bytes({0x0D, 0x06, 0x19, 0x0E}), device.written()));
}

TEST_F(SequencerTest, SendCheckedCountsOnlyAOneByteEcho) {
  sequencer.lastSentByte = 0x41;
  device.QueueReply({0x41, 0x06});  // right echo, but with a stray byte after it
  EXPECT_EQ(sequencer.SendChecked(0x42), 1);
  EXPECT_EQ(sequencer.SendChecked(0x43), 1);  // no echo at all
  EXPECT_EQ(sequencer.lastSentByte, 0x41);
  device.QueueReply({0x41});
  sequencer.DiscardInput();  // stale input never reaches the next reply
  EXPECT_EQ(sequencer.ReadReply(), 0);
  EXPECT_TRUE(BytesEqual(Bytes({0x42, 0x43}), device.written()));
}

// --- Switching between operations and the watchdog -----------------------------------------

TEST_F(SequencerTest, StartOperationStopsTheCurrentTimerDisablesCommandsAndDropsStaleInput) {
  sequencer.commandEnabled = Sequencer::kConnectedCommands;
  sequencer.EnableCommands();
  sequencer.currentTimerId = sequencer.StartTimer(kWatchdogTimer, 500ms);
  device.QueueReply({0x06, 0x06});

  sequencer.currentTimerId = sequencer.StartOperation(kSettingsReadTimer, 100ms);

  EXPECT_EQ(sequencer.currentTimerId, kSettingsReadTimer);
  EXPECT_FALSE(timers.IsRunning(kWatchdogTimer));
  EXPECT_EQ(timers.PeriodOf(kSettingsReadTimer), 100ms);
  EXPECT_EQ(timers.RunningCount(), 1);
  EXPECT_EQ(view.Buttons(), (Sequencer::CommandFlags{0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(sequencer.editAllowed, 0);
  EXPECT_EQ(sequencer.commandEnabled, Sequencer::kConnectedCommands);  // flags survive
  EXPECT_EQ(device.pendingReplies(), 0u);
}

TEST_F(SequencerTest, RefusedTimerShowsTimerErrorAndKeepsCommandsDisabled) {
  sequencer.commandEnabled = Sequencer::kConnectedCommands;
  timers.RefuseNextStart(kKeyLoadTimer);

  sequencer.currentTimerId = sequencer.StartOperation(kKeyLoadTimer, 1000ms);

  EXPECT_EQ(sequencer.currentTimerId, -1);
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0].text, "Timer error!");
  EXPECT_EQ(view.boxes[0].caption, "");
  EXPECT_EQ(timers.RunningCount(), 0);
  EXPECT_EQ(view.Buttons(), (Sequencer::CommandFlags{0, 0, 0, 0, 0, 0}));
}

TEST_F(SequencerTest, ReturnToWatchdogRestartsItAtHalfASecondFromStepZero) {
  ScriptedOperation watchdog;
  sequencer.Register(kWatchdogTimer, watchdog);
  watchdog.step = 7;
  sequencer.commandEnabled = Sequencer::kConnectedCommands;
  sequencer.currentTimerId = sequencer.StartOperation(kDeleteKeyTimer, 200ms);

  sequencer.ReturnToWatchdog(sequencer.currentTimerId);

  EXPECT_EQ(sequencer.currentTimerId, kWatchdogTimer);
  EXPECT_FALSE(timers.IsRunning(kDeleteKeyTimer));
  EXPECT_EQ(timers.PeriodOf(kWatchdogTimer), 500ms);
  EXPECT_EQ(watchdog.step, 0);
  EXPECT_EQ(view.Buttons(), Sequencer::kConnectedCommands);
  EXPECT_EQ(sequencer.editAllowed, 1);
}

TEST_F(SequencerTest, ReturnToWatchdogThatCannotStartLeavesTheButtonsAlone) {
  sequencer.commandEnabled = Sequencer::kConnectedCommands;
  sequencer.currentTimerId = sequencer.StartOperation(kDeleteKeyTimer, 200ms);
  timers.RefuseNextStart(kWatchdogTimer);

  sequencer.ReturnToWatchdog(sequencer.currentTimerId);

  EXPECT_EQ(sequencer.currentTimerId, -1);
  EXPECT_EQ(timers.RunningCount(), 0);
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0].text, "Timer error!");
  EXPECT_EQ(view.Buttons(), (Sequencer::CommandFlags{0, 0, 0, 0, 0, 0}));
}

// --- ReportError ----------------------------------------------------------------------------

struct KindCase {
  Language language;
  std::string critical;
  std::string linkLost;
  std::string loggedPrefix;
  friend void PrintTo(const KindCase& c, std::ostream* os) {
    *os << (c.language == Language::Czech ? "Czech" : "English");
  }
};

class ReportErrorTest : public SequencerTest, public ::testing::WithParamInterface<KindCase> {
 protected:
  ReportErrorTest() {
    sequencer.SetLanguage(GetParam().language);
    sequencer.commandEnabled = Sequencer::kConnectedCommands;
    sequencer.Register(kDeleteKeyTimer, operation);
    sequencer.currentTimerId = sequencer.StartOperation(kDeleteKeyTimer, 200ms);
    sequencer.AppendLog("earlier line");
  }
  ScriptedOperation operation;
};

TEST_P(ReportErrorTest, CriticalHaltsAllWorkButKeepsThePortOpen) {
  sequencer.ReportError(203, ErrorKind::Critical, "");

  const std::string message = GetParam().critical;
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0].text, message);
  EXPECT_EQ(view.boxes[0].caption, "QEL key");
  // Logged first, then shown.
  EXPECT_EQ(view.boxes[0].logWhenShown, message + "\r\nearlier line\r\n");
  EXPECT_EQ(view.log, message + "\r\nearlier line\r\n");
  EXPECT_EQ(timers.RunningCount(), 0);
  EXPECT_EQ(view.Buttons(), (Sequencer::CommandFlags{0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(sequencer.editAllowed, 0);
  EXPECT_EQ(port.GetStatus(), CSerialPort::kReady);
  EXPECT_EQ(sequencer.linkOpen, 1);
  EXPECT_TRUE(device.written().empty());
}

TEST_P(ReportErrorTest, LinkLostClosesThePortAndLeavesOnlyConnect) {
  sequencer.ReportError(650, ErrorKind::LinkLost, "");

  const std::string message = GetParam().linkLost;
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0].text, message);
  // Shown first, then logged.
  EXPECT_EQ(view.boxes[0].logWhenShown, "earlier line\r\n");
  EXPECT_EQ(view.LogLines().front(), message);
  EXPECT_EQ(timers.RunningCount(), 0);
  EXPECT_EQ(sequencer.commandEnabled, Sequencer::kDisconnectedCommands);
  EXPECT_EQ(view.Buttons(), Sequencer::kDisconnectedCommands);
  EXPECT_TRUE(BytesEqual(Bytes({unit::kHangUp}), device.written()));
  EXPECT_FALSE(device.IsOpen());
  EXPECT_EQ(sequencer.linkOpen, 0);

  // Nothing more reaches the closed port.
  sequencer.SendByte(0x05);
  EXPECT_EQ(device.written().size(), 1u);
}

TEST_P(ReportErrorTest, LinkLostOnAClosedPortStillReportsAndResetsTheCommands) {
  port.Close();
  sequencer.ReportError(650, ErrorKind::LinkLost, "");
  EXPECT_EQ(view.LogLines().front(), GetParam().linkLost);
  EXPECT_EQ(view.Buttons(), Sequencer::kDisconnectedCommands);
  EXPECT_TRUE(device.written().empty());
  EXPECT_EQ(sequencer.linkOpen, 0);
}

TEST_P(ReportErrorTest, LoggedOnlyWritesALineAndTheOperationGoesOn) {
  sequencer.ReportError(401, ErrorKind::Logged, "text of the fault");

  EXPECT_TRUE(view.boxes.empty());
  EXPECT_EQ(view.LogLines().front(), GetParam().loggedPrefix + "text of the fault");
  EXPECT_TRUE(timers.IsRunning(kDeleteKeyTimer));
  RunTicks(3);
  EXPECT_EQ(operation.ticks, 3);
  EXPECT_EQ(port.GetStatus(), CSerialPort::kReady);
}

INSTANTIATE_TEST_SUITE_P(
    BothLanguages, ReportErrorTest,
    ::testing::Values(
        KindCase{Language::English,
                 "Critical error no. 203!\r\nPlease turn QEL and this program off and on again.",
                 "Error no. 650 - QEL disconnected", "Error no. 401 - "},
        KindCase{Language::Czech, "Zásadní chyba číslo 203!\r\nProsím vypněte a zapněte QEL a tento program.",
                 "Chyba 650 - QEL odpojeno.", "Chyba 401 - "}),
    [](const auto& info) { return info.param.language == Language::Czech ? "Czech" : "English"; });

// --- The message log ------------------------------------------------------------------------

TEST_F(SequencerTest, LogShowsTheNewestLineFirstAndProgressMarksInFrontOfIt) {
  sequencer.AppendLog("Searching for QEL...");
  sequencer.AppendLog("");
  for (int i = 0; i < 3; ++i) sequencer.AppendProgress("*");
  sequencer.AppendLog("Loading keys completed ");

  EXPECT_EQ(view.log, "Loading keys completed \r\n***\r\nSearching for QEL...\r\n");
  EXPECT_EQ(sequencer.logText, view.log);
  EXPECT_EQ(view.LogLines(),
            (std::vector<std::string>{"Loading keys completed ", "***", "Searching for QEL..."}));
}

TEST_F(SequencerTest, LanguageIsChosenWhenTheMessageIsMadeAndEarlierLinesStay) {
  sequencer.SetLanguage(Language::Czech);
  sequencer.ReportError(402, ErrorKind::Logged, "x");
  sequencer.SetLanguage(Language::English);
  sequencer.ReportError(402, ErrorKind::Logged, "x");
  EXPECT_EQ(view.LogLines(), (std::vector<std::string>{"Error no. 402 - x", "Chyba 402 - x"}));
}

}  // namespace
}  // namespace qel
