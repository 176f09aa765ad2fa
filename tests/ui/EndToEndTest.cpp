// The program against qel-unit-sim on a pseudo-terminal, in real time: Connect, the unit's keys
// listed, a key presented at the unit's reader highlighted with its floors, a new key held at the
// reader added through the key dialog and stored in the unit, and a new access time set.
#include <QLineEdit>
#include <QProcess>
#include <QTest>

#include "tests/ui/UiTests.h"
#include "tests/ui/WindowHarness.h"
#include "ui/CKeyDlg.h"
#include "ui/CSettingsDlg.h"

namespace qel::test {
namespace {

constexpr int kKeys = 30;

// Starts qel-unit-sim with `arguments`; the device path it serves on.
QString StartUnit(QProcess& unit, const QStringList& arguments) {
  unit.start(QStringLiteral(QEL_UNIT_SIM_PATH), arguments);
  if (!unit.waitForStarted() || !unit.waitForReadyRead(5000)) return {};
  return QString::fromLocal8Bit(unit.readLine()).trimmed();
}

class EndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void connectListsTheKeysAndHighlightsThePresentedOne() {
    // Record 0 is held at the reader from 8 s on, when the list has been loaded.
    QProcess unit;
    const QString device = StartUnit(unit, {QStringLiteral("--keys"), QString::number(kKeys),
                                            QStringLiteral("--hold-key-after"), QStringLiteral("8")});
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

  void aNewKeyHeldAtTheReaderIsAddedAndTheUnitStoresIt() {
    QProcess unit;
    const QString device = StartUnit(unit, {QStringLiteral("--keys"), QStringLiteral("3")});
    QVERIFY(device.startsWith(QStringLiteral("/dev/")));
    WindowHarness h(Language::English);
    h.ports.Assign(3, device.toStdString());
    h.interactions.connectAnswer = ManualPort(3);
    h.Click("connectButton");
    QTRY_VERIFY_WITH_TIMEOUT(h.Child<QPushButton>("addKeysButton")->isEnabled(), 15000);

    QString held;
    QString shown;
    h.interactions.runKeyDialog = [&](QWidget* parent, KeyDialog& logic) {
      CKeyDlg dialog(
          logic, [](QWidget*, QMessageBox::Icon, const QString&, const QString&) {}, parent);
      dialog.show();
      unit.write("hold new8 3\n");
      if (unit.waitForReadyRead(2000)) held = QString::fromLocal8Bit(unit.readLine()).section(' ', 1, 1);
      const QLineEdit* code = ChildOf<QLineEdit>(dialog, "keyCodeBox");
      if (QTest::qWaitFor([&] { return !held.isEmpty() && code->text() == held; }, 2000))
        shown = code->text();
      QTest::mouseClick(ChildOf<QCheckBox>(dialog, "floor7"), Qt::LeftButton, {}, QPoint(4, 4));
      ChildOf<QLineEdit>(dialog, "commentBox")->setText(QStringLiteral("Nájemník 7"));
      QTest::mouseClick(ChildOf<QPushButton>(dialog, "okButton"), Qt::LeftButton);
      return dialog.end();
    };
    h.Click("addKeysButton");
    QCOMPARE(held.size(), 16);
    QCOMPARE(shown, held);
    QTRY_VERIFY_WITH_TIMEOUT(h.Log().startsWith(QStringLiteral("Key saved")), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(h.Child<QPushButton>("addKeysButton")->isEnabled(), 2000);

    unit.readAll();
    unit.write("keys\n");
    QString listed;
    QTRY_VERIFY_WITH_TIMEOUT((listed += QString::fromUtf8(unit.readAll())).contains(held), 2000);
    QVERIFY(listed.contains(QStringLiteral("3\t%1\tNájemník 7").arg(held)));
    h.window.close();
    unit.terminate();
    QVERIFY(unit.waitForFinished(5000));
  }

  void settingsShowTheUnitsClockAndTheUnitTakesANewAccessTime() {
    QProcess unit;
    WindowHarness h(Language::English);
    h.ports.Assign(3, StartUnit(unit, {QStringLiteral("--keys"), QStringLiteral("3")}).toStdString());
    h.interactions.connectAnswer = ManualPort(3);
    h.Click("connectButton");
    QTRY_VERIFY_WITH_TIMEOUT(h.Child<QPushButton>("settingsButton")->isEnabled(), 15000);
    QString clock;
    h.interactions.runSettingsDialog = [&](QWidget* parent, SettingsDialog& logic) {
      CSettingsDlg dialog(logic, std::bind_front(&RecordingInteractions::ShowBox, &h.interactions),
                          AskAccessCodeModal, AskModalYesNo, parent);
      dialog.show();
      if (QTest::qWaitFor([&] { return (clock = ChildOf<QLabel>(dialog, "clockLabel")->text()) != "---"; },
                          3000))
        ChildOf<QLineEdit>(dialog, "accessTimeBox")->setText(QStringLiteral("20"));
      QTest::mouseClick(ChildOf<QPushButton>(dialog, "okButton"), Qt::LeftButton);
      return dialog.result() == QDialog::Accepted;
    };
    h.Click("settingsButton");
    // The simulated unit's clock starts at 2026-03-14 09:26:53.
    QVERIFY2(clock.startsWith(QStringLiteral("2026-3-14 09:2")), qPrintable(clock));
    QTRY_VERIFY_WITH_TIMEOUT(h.Log().startsWith(QStringLiteral("New access time set")), 10000);
    QVERIFY(h.Child<QLabel>("settingsLine")->text().startsWith(QStringLiteral("Access time: 20")));
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
