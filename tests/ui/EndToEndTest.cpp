// The program against qel-unit-sim on a pseudo-terminal, in real time: Connect, the unit's keys
// listed, a key presented at the unit's reader highlighted with its floors.
#include <QProcess>
#include <QTest>

#include "tests/ui/UiTests.h"
#include "tests/ui/WindowHarness.h"

namespace qel::test {
namespace {

constexpr int kKeys = 30;

class EndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void connectListsTheKeysAndHighlightsThePresentedOne() {
    // Record 0 is held at the reader from 8 s on, when the list has been loaded.
    QProcess unit;
    unit.start(QStringLiteral(QEL_UNIT_SIM_PATH), {QStringLiteral("--keys"), QString::number(kKeys),
                                                   QStringLiteral("--hold-key-after"), QStringLiteral("8")});
    QVERIFY(unit.waitForStarted());
    QVERIFY(unit.waitForReadyRead(5000));
    const QString device = QString::fromLocal8Bit(unit.readLine()).trimmed();
    QVERIFY(device.startsWith(QStringLiteral("/dev/")));

    WindowHarness h(Language::English);
    h.ports.Assign(3, device.toStdString());
    h.interactions.connectAnswer = ManualPort(3);
    h.Click("connectButton");

    QTRY_COMPARE_WITH_TIMEOUT(h.List()->model()->rowCount(), kKeys, 15000);
    QTRY_VERIFY_WITH_TIMEOUT(h.Child<QPushButton>("addKeysButton")->isEnabled(), 5000);
    QVERIFY(h.Log().contains(QStringLiteral("QEL connected to COM3.")));
    QVERIFY(h.Log().contains(QStringLiteral("Loading keys completed")));

    QTRY_COMPARE_WITH_TIMEOUT(
        h.List()->model()->data(h.List()->model()->index(0, 0), KeyListModel::HighlightRole), QVariant(true),
        10000);
    QVERIFY(!h.TickedFloors().empty());
    QCOMPARE(h.window.controller().highlightedRow, 0);

    h.window.close();
    unit.terminate();
    QVERIFY(unit.waitForFinished(5000));
  }
};

}  // namespace

int RunEndToEndTests(int argc, char** argv) {
  EndToEndTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace qel::test

#include "EndToEndTest.moc"
