// The sequencer's own rules on a scripted line: the tick, the echo chain, switching between an
// operation and the watchdog, the three kinds of error and the log.
#include <gtest/gtest.h>

#include <functional>

#include "link/UnitCommands.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/ScriptedRig.h"

namespace qel {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::BytesEqual;
constexpr Sequencer::CommandFlags kNoCommands{};

// An operation whose steps the test writes; it counts its ticks.
class ScriptedOperation final : public Operation {
 public:
  std::function<void(int step)> onStep = [](int) {};
  int ticks = 0;
  void Tick() override {
    ++ticks;
    onStep(step++);
  }
};

class SequencerTest : public ::testing::Test, protected test::ScriptedRig {
 protected:
  Sequencer& s = controller.sequencer();
};

TEST_F(SequencerTest, ATickTakesTheLocalTimeAndRunsOnlyTheOperationOfItsTimer) {
  ScriptedOperation login, watchdog;
  LocalTime seen{};
  device.ClearWritten();
  watchdog.onStep = [&](int) { seen = s.tickTime(); };
  s.Register(kLoginTimer, login);
  s.Register(kWatchdogTimer, watchdog);
  localClock.now = {2013, 6, 25, 14, 5, 9};
  for (int id : {0, -1, 9, 42}) s.OnTimer(id);
  EXPECT_EQ(login.ticks + watchdog.ticks, 0);
  EXPECT_EQ(s.tickTime(), (LocalTime{2013, 6, 25, 14, 5, 9}));  // an unknown id still reads the clock
  localClock.now = {2013, 6, 25, 14, 5, 10};
  s.OnTimer(kWatchdogTimer);
  s.OnTimer(kWatchdogTimer);
  EXPECT_EQ(seen, (LocalTime{2013, 6, 25, 14, 5, 10}));
  EXPECT_EQ(watchdog.ticks, 2);
  EXPECT_EQ(watchdog.step, 2);
  EXPECT_EQ(login.ticks, 0);
  EXPECT_TRUE(device.written().empty());
}

// SendChecked judges the echo of the byte sent before it, then sends its own; only a right
// one-byte echo moves the chain on, so an early wrong echo is still caught at the last byte.
TEST_F(SequencerTest, OnlyARightOneByteEchoMovesTheEchoChainOn) {
  struct Row {
    const char* name;
    std::vector<std::vector<std::uint8_t>> echoes;
    std::vector<int> results;
    std::uint8_t last;
  };
  for (const Row& row : {Row{"right echoes", {{0x0D}, {0x06}, {0x19}}, {0, 0, 0}, 0x0E},
                         Row{"the first echo garbled", {{0x55}, {0x06}, {0x19}}, {1, 1, 1}, 0x0D},
                         Row{"a stray byte after the echo, then none", {{0x0D, 0x06}, {}}, {1, 1}, 0x0D}}) {
    SCOPED_TRACE(row.name);
    s.lastSentByte = 0x0D;
    device.ClearWritten();
    std::vector<int> results;
    const std::vector<std::uint8_t> bytes = Bytes({0x06, 0x19, 0x0E});
    for (std::size_t i = 0; i < row.echoes.size(); ++i) {
      if (!row.echoes[i].empty()) device.QueueReply(row.echoes[i]);
      results.push_back(s.SendChecked(bytes[i]));
    }
    EXPECT_EQ(results, row.results);
    EXPECT_EQ(s.lastSentByte, row.last);
    EXPECT_TRUE(
        BytesEqual(std::span(bytes).first(row.echoes.size()), device.written()));  // sent all the same
  }
  device.QueueReply({0x41});
  s.DiscardInput();  // stale input never reaches the next reply
  EXPECT_EQ(s.ReadReply(), 0);
}

// Starting an operation, returning to the watchdog, and both with a refused timer, which leaves
// nothing running and no command enabled.
TEST_F(SequencerTest, OperationsAndTheWatchdogTakeTurnsOnOneTimer) {
  ScriptedOperation watchdog;
  s.Register(kWatchdogTimer, watchdog);
  watchdog.step = 7;
  s.commandEnabled = Sequencer::kConnectedCommands;
  s.EnableCommands();
  s.currentTimerId = s.StartTimer(kWatchdogTimer, 500ms);
  device.QueueReply({0x06, 0x06});
  s.currentTimerId = s.StartOperation(kSettingsReadTimer, 100ms);
  EXPECT_EQ(s.currentTimerId, kSettingsReadTimer);
  EXPECT_EQ(timers.PeriodOf(kSettingsReadTimer), 100ms);
  EXPECT_EQ(timers.RunningCount(), 1);
  EXPECT_EQ(view.Buttons(), kNoCommands);
  EXPECT_EQ(s.editAllowed, 0);
  EXPECT_EQ(s.commandEnabled, Sequencer::kConnectedCommands);  // flags survive
  EXPECT_EQ(device.pendingReplies(), 0u);                      // stale input dropped
  s.ReturnToWatchdog(s.currentTimerId);
  EXPECT_EQ(s.currentTimerId, kWatchdogTimer);
  EXPECT_FALSE(timers.IsRunning(kSettingsReadTimer));
  EXPECT_EQ(timers.PeriodOf(kWatchdogTimer), 500ms);
  EXPECT_EQ(watchdog.step, 0);
  EXPECT_EQ(view.Buttons(), Sequencer::kConnectedCommands);
  EXPECT_EQ(s.editAllowed, 1);
  for (const bool returning : {false, true}) {
    timers.RefuseNextStart(returning ? kWatchdogTimer : kKeyLoadTimer);
    s.currentTimerId = s.StartOperation(kKeyLoadTimer, 1000ms);
    if (returning) s.ReturnToWatchdog(s.currentTimerId);
    EXPECT_EQ(s.currentTimerId, -1) << returning;
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text + "|" + view.boxes[0].caption, "Timer error!|");
    EXPECT_EQ(timers.RunningCount(), 0);
    EXPECT_EQ(view.Buttons(), kNoCommands);
    view.boxes.clear();
  }
}

// A logged error lets the operation go on; a critical one halts all work but keeps the port open
// (logged, then shown) and leaves only Connect; a lost link closes the port, sending the hang-up only to an
// open one, and leaves only Connect (shown, then logged).
TEST_F(SequencerTest, EachKindOfErrorStopsWhatItShould) {
  const std::string critical =
      "Critical error no. 203!\r\nPlease turn QEL off and on again, then press Connect QEL: the program "
      "connects afresh and reads everything again.";
  const std::string linkLost = "Error no. 650 - QEL disconnected", logged = "Error no. 401 - x\r\n";
  ScriptedOperation operation;
  s.Register(kDeleteKeyTimer, operation);
  const auto start = [&] {
    s.commandEnabled = Sequencer::kConnectedCommands;
    s.currentTimerId = s.StartOperation(kDeleteKeyTimer, 200ms);
    view.boxes.clear();
    device.ClearWritten();
  };
  start();
  s.ReportError(401, ErrorKind::Logged, "x");
  EXPECT_TRUE(view.boxes.empty());
  EXPECT_EQ(view.log, logged);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(Tick(), kDeleteKeyTimer);
  EXPECT_EQ(operation.ticks, 3);

  s.ReportError(203, ErrorKind::Critical, "");
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0].text + "|" + view.boxes[0].caption, critical + "|QEL key");
  EXPECT_EQ(view.boxes[0].logWhenShown, critical + "\r\n" + logged);
  EXPECT_EQ(view.log, critical + "\r\n" + logged);
  EXPECT_EQ(timers.RunningCount(), 0);
  EXPECT_EQ(view.Buttons(), Sequencer::kDisconnectedCommands);
  EXPECT_TRUE(s.halted);
  EXPECT_EQ(s.editAllowed, 0);
  EXPECT_EQ(port.GetStatus(), CSerialPort::kReady);
  EXPECT_EQ(s.linkOpen, 1);
  EXPECT_TRUE(device.written().empty());

  for (const bool closedBefore : {false, true}) {
    start();
    const std::string before = view.log;
    s.linkOpen = 1;
    s.ReportError(650, ErrorKind::LinkLost, "");
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, linkLost);
    EXPECT_EQ(view.boxes[0].logWhenShown, before);
    EXPECT_EQ(view.log, linkLost + "\r\n" + before);
    EXPECT_EQ(timers.RunningCount(), 0);
    EXPECT_EQ(s.commandEnabled, Sequencer::kDisconnectedCommands);
    EXPECT_EQ(view.Buttons(), Sequencer::kDisconnectedCommands);
    EXPECT_TRUE(BytesEqual(closedBefore ? Bytes({}) : Bytes({unit::kHangUp}), device.written()));
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(s.linkOpen, 0);
  }
  s.SendByte(0x05);  // nothing more reaches the closed port
  EXPECT_TRUE(device.written().empty());
}

}  // namespace
}  // namespace qel
