// The sequencer's own rules on a scripted line: the echo chain, chains of operations and the
// watchdog, the three kinds of error and the log.
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

// An operation whose steps the test writes; it counts its ticks and goes on unless told.
class ScriptedOperation final : public Operation {
 public:
  explicit ScriptedOperation(std::chrono::milliseconds period = 200ms)
      : Operation(OperationKind::DeleteKey), period_(period) {}
  std::function<Outcome(int step)> onStep = [](int) { return Outcome::Going; };
  int ticks = 0;
  std::chrono::milliseconds Period() const override { return period_; }
  Outcome Tick() override {
    ++ticks;
    return onStep(step++);
  }

 private:
  std::chrono::milliseconds period_;
};

class SequencerTest : public ::testing::Test, protected test::ScriptedRig {
 protected:
  Sequencer& s = controller.sequencer();
};

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
    s.SendChainStart(0x0D);
    device.ClearWritten();
    std::vector<int> results;
    const std::vector<std::uint8_t> bytes = Bytes({0x06, 0x19, 0x0E});
    for (std::size_t i = 0; i < row.echoes.size(); ++i) {
      if (!row.echoes[i].empty()) device.QueueReply(row.echoes[i]);
      results.push_back(s.SendChecked(bytes[i]));
    }
    EXPECT_EQ(results, row.results);
    EXPECT_EQ(s.lastChained(), row.last);
    EXPECT_TRUE(
        BytesEqual(std::span(bytes).first(row.echoes.size()), device.written()));  // sent all the same
  }
  device.QueueReply({0x41});
  s.DiscardInput();  // stale input never reaches the next reply
  EXPECT_EQ(s.ReadReply(), 0);
}

// A chain runs its operations in turn on the one timer, each from its first step and with input
// dropped as it starts, then the watchdog rests and the commands come back; a failure or a refused
// timer stops the chain, tells its failure once, and leaves nothing running and no command enabled.
TEST_F(SequencerTest, AChainRunsItsOperationsInTurnThenTheWatchdogRests) {
  ScriptedOperation watchdog(500ms), first(100ms), second(1000ms);
  int watchdogStep = -1;
  watchdog.onStep = [&](int step) {
    watchdogStep = step;
    return Outcome::Going;
  };
  s.SetWatchdog(watchdog);
  s.LinkAccepted();
  ASSERT_TRUE(s.Rest());
  for (int i = 0; i < 7; ++i) Tick();
  int failures = 0;
  first.onStep = [](int step) { return step == 1 ? Outcome::Done : Outcome::Going; };
  second.onStep = [](int step) { return step == 0 ? Outcome::Done : Outcome::Going; };
  device.QueueReply({0x06, 0x06});
  ASSERT_TRUE(s.Run(Chain{{&first, &second}, [&] { ++failures; }}));
  EXPECT_EQ(timers.PeriodOf(Sequencer::kTimerId), 100ms);
  EXPECT_EQ(timers.RunningCount(), 1);
  EXPECT_EQ(view.Buttons(), kNoCommands);
  EXPECT_FALSE(s.CommandEnabled(Command::EditKey));
  EXPECT_EQ(s.commandFlags(), Sequencer::kConnectedCommands);  // flags survive
  EXPECT_EQ(s.state(), Sequencer::State::Busy);
  for (int i = 0; i < 2; ++i) Tick();
  EXPECT_EQ(first.ticks, 2);
  EXPECT_EQ(timers.PeriodOf(Sequencer::kTimerId), 1000ms);
  Tick();
  EXPECT_EQ(second.ticks, 1);
  EXPECT_EQ(s.state(), Sequencer::State::Resting);
  EXPECT_EQ(timers.PeriodOf(Sequencer::kTimerId), 500ms);
  EXPECT_EQ(view.Buttons(), Sequencer::kConnectedCommands);
  EXPECT_TRUE(s.CommandEnabled(Command::EditKey));
  const int watchdogTicks = watchdog.ticks;
  Tick();
  EXPECT_EQ(watchdog.ticks, watchdogTicks + 1);
  EXPECT_EQ(watchdogStep, 0);  // from its first step again
  EXPECT_EQ(failures, 0);

  first.onStep = [](int) { return Outcome::Failed; };
  ASSERT_TRUE(s.Run(Chain{{&first, &second}, [&] { ++failures; }}));
  Tick();
  EXPECT_EQ(failures, 1);
  EXPECT_EQ(second.ticks, 1);
  EXPECT_EQ(timers.RunningCount(), 0);
  EXPECT_EQ(s.state(), Sequencer::State::Halted);
  for (const bool resting : {false, true}) {
    timers.RefuseNextStart(Sequencer::kTimerId);
    const bool started = resting ? s.Rest() : s.Run(Chain{{&first}, [&] { ++failures; }});
    EXPECT_FALSE(started) << resting;
    EXPECT_EQ(failures, 2) << resting;
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
  const auto start = [&] {
    s.LinkAccepted();
    s.Run(operation);
    view.boxes.clear();
    device.ClearWritten();
  };
  start();
  s.ReportError(401, ErrorKind::Logged, "x");
  EXPECT_TRUE(view.boxes.empty());
  EXPECT_EQ(view.log, logged);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(Tick(), Sequencer::kTimerId);
  EXPECT_EQ(operation.ticks, 3);

  s.ReportError(203, ErrorKind::Critical, "");
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0].text + "|" + view.boxes[0].caption, critical + "|QEL key");
  EXPECT_EQ(view.boxes[0].logWhenShown, critical + "\r\n" + logged);
  EXPECT_EQ(view.log, critical + "\r\n" + logged);
  EXPECT_EQ(timers.RunningCount(), 0);
  EXPECT_EQ(view.Buttons(), Sequencer::kDisconnectedCommands);
  EXPECT_EQ(s.state(), Sequencer::State::Halted);
  EXPECT_FALSE(s.CommandEnabled(Command::EditKey));
  EXPECT_EQ(port.GetStatus(), CSerialPort::kReady);
  EXPECT_TRUE(s.linkOpen());
  EXPECT_TRUE(device.written().empty());

  for (const bool closedBefore : {false, true}) {
    start();
    const std::string before = view.log;
    s.LinkOpened();
    s.ReportError(650, ErrorKind::LinkLost, "");
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, linkLost);
    EXPECT_EQ(view.boxes[0].logWhenShown, before);
    EXPECT_EQ(view.log, linkLost + "\r\n" + before);
    EXPECT_EQ(timers.RunningCount(), 0);
    EXPECT_EQ(s.commandFlags(), Sequencer::kDisconnectedCommands);
    EXPECT_EQ(view.Buttons(), Sequencer::kDisconnectedCommands);
    EXPECT_TRUE(BytesEqual(closedBefore ? Bytes({}) : Bytes({unit::kHangUp}), device.written()));
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(s.state(), Sequencer::State::Disconnected);
  }
  s.SendByte(0x05);  // nothing more reaches the closed port
  EXPECT_TRUE(device.written().empty());
}

}  // namespace
}  // namespace qel
