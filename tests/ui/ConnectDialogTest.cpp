#include "tests/ui/UiTests.h"
#include "tests/ui/WindowHarness.h"
#include "ui/CConnectDlg.h"

namespace qel::test {
namespace {

// A shown connect dialog over COM1, 3 and 70 (none in `bare` one) whose boxes go to `told`.
struct ConnectDialogHarness {
  using Ports = std::vector<std::pair<int, std::string>>;
  ConnectDialogHarness(ConnectMode mode, Language language, bool bare = false)
      : dialog({language,
                mode,
                "Insert password:",
                bare ? Ports{} : Ports{{1, "/dev/ttyUSB0"}, {3, "/dev/pts/7"}, {70, "/dev/pts/1"}},
                {}},
               [this](QWidget*, QMessageBox::Icon, const QString&, const QString& text) { told << text; }) {
    dialog.show();
  }
  QStringList told;
  CConnectDlg dialog;
};

constexpr ConnectMode kConnect = ConnectMode::Connect;
constexpr ConnectMode kCodeOnly = ConnectMode::AccessCodeOnly;

class ConnectDialogTest : public QObject {
  Q_OBJECT

 private slots:
  // The texts of the caption, the prompt and Cancel, whether the code is hidden, the code offered
  // and the device beside the port box with the ports the tool tip lists; then Cancel.
  void showsTheControlsOfItsModeInItsLanguage_data() {
    QTest::addColumn<ConnectMode>("mode");
    QTest::addColumn<Language>("language");
    QTest::addColumn<bool>("bare");
    QTest::addColumn<QString>("shown");
    const QString ports =
        "COM1 = /dev/ttyUSB0|COM numbers on this computer:\nCOM1 = /dev/ttyUSB0\n"
        "COM3 = /dev/pts/7\nCOM70 = /dev/pts/1";
    const QString none = "COM1 = žádné zařízení|Na tomto počítači nebylo nalezeno žádné sériové zařízení.";
    QTest::newRow("connect, Czech, no ports")
        << kConnect << Language::Czech << true
        << "QEL key/Insert password:/Připojit pomocí:/Zpět/hidden/4719/" + none;
    QTest::newRow("connect, English") << kConnect << Language::English << false
                                      << "QEL key/Insert password:/Connect via:/Cancel/hidden/4719/" + ports;
    QTest::newRow("code only, Czech, no ports")
        << kCodeOnly << Language::Czech << true << "QEL key/Insert password://Zpět/hidden//" + none;
    QTest::newRow("code only, English")
        << kCodeOnly << Language::English << false << "QEL key/Insert password://Cancel/hidden//" + ports;
  }
  void showsTheControlsOfItsModeInItsLanguage() {
    QFETCH(ConnectMode, mode);
    QFETCH(Language, language);
    QFETCH(bool, bare);
    QFETCH(QString, shown);
    ConnectDialogHarness h(mode, language, bare);
    const auto text = [&](const char* name) {
      return ChildOf<QWidget>(h.dialog, name)->property("text").toString();
    };
    auto* code = ChildOf<QLineEdit>(h.dialog, "codeBox");
    QCOMPARE(QStringList({h.dialog.windowTitle(), text("promptLabel"), text("transportLabel"),
                          text("cancelButton"), code->echoMode() == QLineEdit::Password ? "hidden" : "shown",
                          code->text(),
                          text("portDeviceLabel") + '|' + ChildOf<QWidget>(h.dialog, "portBox")->toolTip()})
                 .join('/'),
             shown);
    for (const char* connectOnly : {"transportLabel", "usbButton", "bluetoothButton", "manualPortBox",
                                    "portPrefixLabel", "portBox", "portDeviceLabel"})
      QVERIFY2(ChildOf<QWidget>(h.dialog, connectOnly)->isVisible() == (mode == kConnect), connectOnly);
    QCOMPARE(Unnamed(h.dialog), QStringList());
    DoSteps(h.dialog, "cancelButton", h.told);
    QVERIFY(h.dialog.result() == QDialog::Rejected && !h.dialog.isVisible() && h.told.isEmpty());
  }

  // After the steps OK is pressed: what was noted and told, then the answer
  // code/transport/manual/port, or "open".
  void okAnswersTheControlsOrRefusesANumberOutOfRange_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<ConnectMode>("mode");
    QTest::addColumn<Language>("language");
    QTest::addColumn<QString>("outcome");
    const QString port = "Please enter a whole number between 1 and 70.;@portBox|open";
    const QString code = "Zadejte celé číslo od 0 do 9999.;@codeBox|open";
    const Language en = Language::English;
    const Language cs = Language::Czech;
    QTest::newRow("OK at once") << "" << kConnect << en << "|4719/1/0/1";
    QTest::newRow("Bluetooth") << "bluetoothButton %usbButton" << kConnect << en << "_|4719/2/0/1";
    QTest::newRow("Bluetooth then USB")
        << "bluetoothButton usbButton %bluetoothButton" << kConnect << en << "_|4719/1/0/1";
    QTest::newRow("manual port 70, code 9999") << "manualPortBox portBox=70 codeBox=9999 %portDeviceLabel"
                                               << kConnect << en << "COM70 = /dev/pts/1|9999/1/1/70";
    QTest::newRow("manual port with a device")
        << "portBox=3 %portBox manualPortBox %okButton" << kConnect << en << "3!;OK|4719/1/1/3";
    QTest::newRow("manual port without a device waits")
        << "manualPortBox portBox=2 %okButton %portDeviceLabel" << kConnect << en
        << "OK!;COM2 = no device|open";
    QTest::newRow("automatic, no device") << "portBox=2 %okButton" << kConnect << en << "OK|4719/1/0/1";
    QTest::newRow("manual box ticked and unticked")
        << "manualPortBox manualPortBox %portBox" << kConnect << en << "1!|4719/1/0/1";
    QTest::newRow("port 0 is told at OK")
        << "manualPortBox portBox=0 %okButton" << kConnect << en << "OK;" + port;
    QTest::newRow("empty port is told at OK")
        << "manualPortBox portBox= %okButton" << kConnect << en << "OK;" + port;
    QTest::newRow("port 71, judged before the code")
        << "manualPortBox portBox=71 codeBox=10000" << kConnect << en << port;
    QTest::newRow("port not a number") << "manualPortBox portBox=3a" << kConnect << en << port;
    QTest::newRow("typed port keeps two digits")
        << "manualPortBox portBox:x7-05 %portBox" << kConnect << en << "70|4719/1/1/70";
    QTest::newRow("bad port left in a box switched off")
        << "manualPortBox portBox=71 manualPortBox" << kConnect << en << "|4719/1/0/1";
    QTest::newRow("code 9999") << "codeBox=9999" << kConnect << cs << "|9999/1/0/1";
    QTest::newRow("typed code keeps four digits")
        << "codeBox:12a3-45 %codeBox" << kConnect << cs << "1234|1234/1/0/1";
    QTest::newRow("no code") << "codeBox=" << kConnect << cs << code;
    QTest::newRow("code only, no code") << "" << kCodeOnly << cs << code;
    QTest::newRow("code only, code 3a")
        << "codeBox=3a" << kCodeOnly << en << "Please enter a whole number between 0 and 9999.;@codeBox|open";
    QTest::newRow("code only, code 0042") << "codeBox=0042" << kCodeOnly << en << "|42/1/0/1";
  }
  void okAnswersTheControlsOrRefusesANumberOutOfRange() {
    QFETCH(QString, steps);
    QFETCH(ConnectMode, mode);
    QFETCH(Language, language);
    QFETCH(QString, outcome);
    ConnectDialogHarness h(mode, language);
    QVERIFY(QTest::qWaitForWindowActive(&h.dialog));
    DoSteps(h.dialog, steps + " okButton", h.told);
    const ConnectChoice c = h.dialog.choice();
    QCOMPARE(
        h.told.join(';') + '|' +
            (h.dialog.isVisible()
                 ? "open"
                 : QString("%1/%2/%3/%4").arg(c.accessCode).arg(c.transport).arg(c.manualPort).arg(c.port)),
        outcome);
  }
};

}  // namespace

int RunConnectDialogTests(int argc, char** argv) {
  ConnectDialogTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace qel::test

#include "ConnectDialogTest.moc"
