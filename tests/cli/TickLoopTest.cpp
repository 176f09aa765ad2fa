#include <gtest/gtest.h>

#include <vector>

#include "tests/support/VirtualTime.h"

namespace qel::test {
namespace {

using namespace std::chrono_literals;

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

TEST_F(TickLoopTest, TimersTickOnTheGridOfTheirPeriodsAndARestartBeginsANewGrid) {
  timers.StartTimer(1, 50ms);
  timers.StartTimer(2, 120ms);
  EXPECT_EQ(RunTo(250), TickLoop::Stop::Deadline);
  timers.StartTimer(1, 70ms);
  RunTo(330);
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

TEST_F(TickLoopTest, StopsWhenDoneOrWhenNothingRuns) {
  EXPECT_EQ(loop.RunUntil([] { return false; }), TickLoop::Stop::Idle);
  timers.StartTimer(3, 10ms);
  EXPECT_EQ(loop.RunUntil([this] { return ticks.size() == 3; }), TickLoop::Stop::Done);
  timers.StopTimer(3);
  EXPECT_EQ(loop.RunUntil([] { return false; }), TickLoop::Stop::Idle);
  EXPECT_EQ(NowMs(), 30);
}

}  // namespace
}  // namespace qel::test
