#include <QTest>
#include <chrono>
#include <vector>

#include "tests/ui/UiTests.h"
#include "ui/OperationTimers.h"

namespace qel::test {
namespace {

using std::chrono::hours;
using std::chrono::milliseconds;

class OperationTimersTest : public QObject {
  Q_OBJECT

 private slots:
  void eachTickNamesItsOwnTimer() {
    std::vector<int> ticks;
    OperationTimers timers([&](int id) { ticks.push_back(id); });
    QVERIFY(timers.Start(3, milliseconds(1)));
    QVERIFY(timers.Start(8, milliseconds(1)));
    QTRY_VERIFY(std::count(ticks.begin(), ticks.end(), 3) >= 2 &&
                std::count(ticks.begin(), ticks.end(), 8) >= 2);
    QVERIFY(std::all_of(ticks.begin(), ticks.end(), [](int id) { return id == 3 || id == 8; }));
  }

  void restartTakesTheNewPeriod() {
    int ticks = 0;
    OperationTimers timers([&](int) { ++ticks; });
    QVERIFY(timers.Start(5, hours(1)));
    QVERIFY(timers.Start(5, milliseconds(1)));
    QTRY_VERIFY(ticks >= 3);
  }

  void aTickMayHandOverToAnotherTimer() {
    std::vector<int> ticks;
    OperationTimers timers([&](int id) {
      ticks.push_back(id);
      if (id == 1) {
        timers.Stop(1);
        timers.Start(2, milliseconds(1));
      }
    });
    QVERIFY(timers.Start(1, milliseconds(1)));
    QTRY_VERIFY(ticks.size() >= 4);
    QCOMPARE(std::count(ticks.begin(), ticks.end(), 1), 1);
    QCOMPARE(ticks.front(), 1);
    QVERIFY(!timers.IsRunning(1));
    QVERIFY(timers.IsRunning(2));
  }

  void stoppedTimersAreSilent() {
    int ticks = 0;
    OperationTimers timers([&](int) { ++ticks; });
    QVERIFY(timers.Start(4, milliseconds(1)));
    QVERIFY(timers.Start(6, milliseconds(1)));
    QTRY_VERIFY(ticks >= 2);
    timers.Stop(4);
    timers.StopAll();
    QVERIFY(!timers.IsRunning(4) && !timers.IsRunning(6));
    const int stoppedAt = ticks;
    QTest::qWait(30);
    QCOMPARE(ticks, stoppedAt);
    timers.Stop(7);
  }

  void refusesIdsOutsideOneToEightAndEmptyPeriods() {
    OperationTimers timers([](int) { QFAIL("no timer should run"); });
    QVERIFY(!timers.Start(0, milliseconds(50)));
    QVERIFY(!timers.Start(9, milliseconds(50)));
    QVERIFY(!timers.Start(1, milliseconds(0)));
    QVERIFY(!timers.Start(1, milliseconds(-5)));
    for (int id = 0; id <= 9; ++id) QVERIFY(!timers.IsRunning(id));
  }
};

}  // namespace

int RunOperationTimersTests(int argc, char** argv) {
  OperationTimersTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace qel::test

#include "OperationTimersTest.moc"
