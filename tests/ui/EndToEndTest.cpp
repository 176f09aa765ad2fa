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

class EndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void connectListAddAKeyAndSetTheAccessTime() {
    QProcess unit;
    unit.start(QStringLiteral(QEL_UNIT_SIM_PATH), {QStringLiteral("--keys"), QString::number(kKeys)});
    QVERIFY(unit.waitForStarted() && unit.waitForReadyRead(5000));
    // The simulator's console answers each command with one line.
    const auto command = [&](const char* line) {
      unit.write(line);
      return unit.waitForReadyRead(2000) ? QString::fromLocal8Bit(unit.readLine()) : QString();
    };
    WindowHarness h(Language::English);
    h.ports.Assign(3, QString::fromLocal8Bit(unit.readLine()).trimmed().toStdString());
    h.interactions.connectAnswer = ManualPort(3);
    h.Click("connectButton");

    QTRY_COMPARE_WITH_TIMEOUT(h.List()->model()->rowCount(), kKeys, 15000);
    QTRY_VERIFY_WITH_TIMEOUT(h.Child<QPushButton>("addKeysButton")->isEnabled(), 5000);
    QVERIFY(h.Log().contains(QStringLiteral("QEL connected to COM3.")));
    QVERIFY(h.Log().contains(QStringLiteral("Loading keys completed")));

    QVERIFY(command("hold 0 2\n").startsWith(QStringLiteral("holding")));
    QTRY_COMPARE_WITH_TIMEOUT(
        h.List()->model()->data(h.List()->model()->index(0, 0), KeyListModel::HighlightRole), QVariant(true),
        5000);
    QVERIFY(!h.TickedFloors().empty());
    QCOMPARE(h.window.controller().highlightedRow, 0);
    QCOMPARE(command("release\n"), "released\n");

    QString held;
    QString shown;
    h.interactions.runKeyDialog = [&](QWidget* parent, KeyDialog& logic) {
      CKeyDlg dialog(
          logic, [](QWidget*, QMessageBox::Icon, const QString&, const QString&) {}, parent);
      dialog.show();
      held = command("hold new8 3\n").section(' ', 1, 1);
      const QLineEdit* code = ChildOf<QLineEdit>(dialog, "keyCodeBox");
      if (QTest::qWaitFor([&] { return !held.isEmpty() && code->text() == held; }, 2000))
        shown = code->text();
      ChildOf<QLineEdit>(dialog, "commentBox")->setText(QStringLiteral("Nájemník 7"));
      QTest::mouseClick(ChildOf<QCheckBox>(dialog, "floor7"), Qt::LeftButton, {}, QPoint(4, 4));
      QTest::mouseClick(ChildOf<QPushButton>(dialog, "okButton"), Qt::LeftButton);
      return dialog.end();
    };
    h.Click("addKeysButton");
    QCOMPARE(held.size(), 16);
    QCOMPARE(shown, held);
    QTRY_VERIFY_WITH_TIMEOUT(h.Log().startsWith(QStringLiteral("Key saved")), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(h.Child<QPushButton>("settingsButton")->isEnabled(), 2000);
    unit.write("keys\n");
    QString listed;
    QTRY_VERIFY_WITH_TIMEOUT((listed += QString::fromUtf8(unit.readAll())).contains("keys stored"), 2000);
    QVERIFY2(listed.contains(QStringLiteral("%1\t%2\tNájemník 7").arg(kKeys).arg(held)), qPrintable(listed));

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
