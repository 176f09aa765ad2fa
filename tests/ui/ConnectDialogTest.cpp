#include <QApplication>
#include <QLineEdit>

#include "tests/ui/UiTests.h"
#include "tests/ui/WindowHarness.h"
#include "ui/CConnectDlg.h"

namespace qel::test {
namespace {

// A shown connect dialog whose validation boxes are recorded instead of shown.
class ConnectDialogHarness {
 public:
  ConnectDialogHarness(ConnectMode mode, Language language,
                       std::vector<std::pair<int, std::string>> ports = {})
      : dialog({language, mode, "Insert password:", std::move(ports), {}},
               std::bind_front(&RecordingInteractions::ShowBox, &recorder)) {
    dialog.show();
  }

  template <typename T = QWidget>
  T* Child(const QString& name) {
    return ChildOf<T>(dialog, name.toLatin1().constData());
  }
  void Click(const QString& name) { QTest::mouseClick(Child(name), Qt::LeftButton); }

  RecordingInteractions recorder;
  CConnectDlg dialog;
};

constexpr ConnectMode kConnect = ConnectMode::Connect;
constexpr ConnectMode kCodeOnly = ConnectMode::AccessCodeOnly;

class ConnectDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void showsTheControlsOfItsModeInItsLanguage_data() {
    QTest::addColumn<QString>("transport");
    QTest::addColumn<ConnectMode>("mode");
    QTest::addColumn<Language>("language");
    QTest::addColumn<QString>("cancel");
    QTest::newRow("connect, Czech") << "Připojit pomocí:" << kConnect << Language::Czech << "Zpět";
    QTest::newRow("connect, English") << "Connect via:" << kConnect << Language::English << "Cancel";
    QTest::newRow("code only, Czech") << "" << kCodeOnly << Language::Czech << "Zpět";
    QTest::newRow("code only, English") << "" << kCodeOnly << Language::English << "Cancel";
  }
  void showsTheControlsOfItsModeInItsLanguage() {
    QFETCH(QString, transport);
    QFETCH(ConnectMode, mode);
    QFETCH(Language, language);
    QFETCH(QString, cancel);
    ConnectDialogHarness h(mode, language);
    QCOMPARE(h.dialog.windowTitle(), "QEL key");
    QCOMPARE(h.Child<QLabel>("promptLabel")->text(), "Insert password:");
    QCOMPARE(h.Child<QLabel>("transportLabel")->text(), transport);
    QCOMPARE(h.Child<QPushButton>("cancelButton")->text(), cancel);
    QCOMPARE(h.Child<QLineEdit>("codeBox")->echoMode(), QLineEdit::Password);
    QCOMPARE(h.Child<QLineEdit>("codeBox")->text(), mode == kConnect ? "4719" : "");
    for (const char* connectOnly : {"transportLabel", "usbButton", "bluetoothButton", "manualPortBox",
                                    "portPrefixLabel", "portBox", "portDeviceLabel"})
      QVERIFY2(h.Child(connectOnly)->isVisible() == (mode == kConnect), connectOnly);
    for (const QWidget* control : h.dialog.findChildren<QWidget*>(QRegularExpression("^(?!qt_).+")))
      QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));

    h.Click("cancelButton");
    QCOMPARE(h.dialog.result(), int(QDialog::Rejected));
    QVERIFY(!h.dialog.isVisible() && h.recorder.boxes.isEmpty());
  }

  // Each step clicks a control or, as box=text, fills a box; then OK is pressed. The answer is
  // code/transport/manual/port, or the focused box and the refusal.
  void okAnswersTheControlsOrRefusesANumberOutOfRange_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<ConnectMode>("mode");
    QTest::addColumn<Language>("language");
    QTest::addColumn<QString>("answer");
    const QString port = "portBox: 2|QEL key|Please enter a whole number between 1 and 70.";
    const QString code = "codeBox: 2|QEL key|Zadejte celé číslo od 0 do 9999.";
    const Language en = Language::English;
    const Language cs = Language::Czech;
    QTest::newRow("OK at once") << "" << kConnect << en << "4719/1/0/1";
    QTest::newRow("Bluetooth") << "bluetoothButton" << kConnect << en << "4719/2/0/1";
    QTest::newRow("Bluetooth then USB") << "bluetoothButton usbButton" << kConnect << en << "4719/1/0/1";
    QTest::newRow("manual port 70, code 9999")
        << "manualPortBox portBox=70 codeBox=9999" << kConnect << en << "9999/1/1/70";
    QTest::newRow("manual box ticked and unticked")
        << "manualPortBox manualPortBox" << kConnect << en << "4719/1/0/1";
    QTest::newRow("port 0") << "manualPortBox portBox=0" << kConnect << en << port;
    QTest::newRow("port 71, judged before the code")
        << "manualPortBox portBox=71 codeBox=10000" << kConnect << en << port;
    QTest::newRow("port not a number") << "manualPortBox portBox=3a" << kConnect << en << port;
    QTest::newRow("bad port left in a box switched off")
        << "manualPortBox portBox=71 manualPortBox" << kConnect << en << "4719/1/0/1";
    QTest::newRow("code 9999") << "codeBox=9999" << kConnect << cs << "9999/1/0/1";
    QTest::newRow("no code") << "codeBox=" << kConnect << cs << code;
    QTest::newRow("code only, no code") << "" << kCodeOnly << cs << code;
    QTest::newRow("code only, code 3a")
        << "codeBox=3a" << kCodeOnly << en
        << "codeBox: 2|QEL key|Please enter a whole number between 0 and 9999.";
    QTest::newRow("code only, code 0042") << "codeBox=0042" << kCodeOnly << en << "42/1/0/1";
  }
  void okAnswersTheControlsOrRefusesANumberOutOfRange() {
    QFETCH(QString, steps);
    QFETCH(ConnectMode, mode);
    QFETCH(Language, language);
    QFETCH(QString, answer);
    ConnectDialogHarness h(mode, language, {{1, "/dev/ttyUSB0"}, {70, "/dev/pts/1"}});
    QVERIFY(QTest::qWaitForWindowActive(&h.dialog));
    for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
      const QStringList boxAndText = step.split('=');
      if (boxAndText.size() == 2)
        h.Child<QLineEdit>(boxAndText[0])->setText(boxAndText[1]);
      else
        h.Click(step);
    }
    QCOMPARE(h.Child("portBox")->isEnabled(), h.Child<QCheckBox>("manualPortBox")->isChecked());
    h.Click("okButton");
    const ConnectChoice c = h.dialog.choice();
    const bool accepted = h.dialog.result() == QDialog::Accepted;
    QCOMPARE(h.dialog.isVisible(), !accepted);
    QCOMPARE(accepted
                 ? QString("%1/%2/%3/%4").arg(c.accessCode).arg(c.transport).arg(c.manualPort).arg(c.port)
                 : QApplication::focusWidget()->objectName() + ": " + h.recorder.boxes.join(", "),
             answer);
  }

  void boxesTakeOnlyTheDigitsTheyCanUse_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("port: letters and a third digit") << "portBox"
                                                     << "x7-05"
                                                     << "70";
    QTest::newRow("code: letters and a fifth digit") << "codeBox"
                                                     << "12a3 45"
                                                     << "1234";
  }
  void boxesTakeOnlyTheDigitsTheyCanUse() {
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    ConnectDialogHarness h(kConnect, Language::English);
    h.Click("manualPortBox");
    auto* edit = h.Child<QLineEdit>(box);
    edit->clear();
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), kept);
  }

  // OK is off while a ticked manual port names an in-range number without a device.
  void okWaitsForAPortWithADevice_data() {
    QTest::addColumn<bool>("manual");
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("manual, device") << true << "3" << true;
    QTest::newRow("manual, no device") << true << "2" << false;
    QTest::newRow("automatic, no device") << false << "2" << true;
    QTest::newRow("manual, 0 is told at OK") << true << "0" << true;
    QTest::newRow("manual, empty is told at OK") << true << "" << true;
  }
  void okWaitsForAPortWithADevice() {
    QFETCH(bool, manual);
    QFETCH(QString, port);
    QFETCH(bool, enabled);
    ConnectDialogHarness h(kConnect, Language::English, {{1, "/dev/ttyUSB0"}, {3, "/dev/pts/7"}});
    h.Child<QLineEdit>("portBox")->setText(port);
    if (manual) h.Click("manualPortBox");
    QCOMPARE(h.Child("okButton")->isEnabled(), enabled);
  }

  void besideThePortBoxStandsTheDeviceOfTheNumber() {
    ConnectDialogHarness h(kConnect, Language::English, {{1, "/dev/ttyUSB0"}, {3, "/dev/pts/7"}});
    auto* device = h.Child<QLabel>("portDeviceLabel");
    QCOMPARE(device->text(), "COM1 = /dev/ttyUSB0");
    h.Child<QLineEdit>("portBox")->setText("3");
    QCOMPARE(device->text(), "COM3 = /dev/pts/7");
    h.Child<QLineEdit>("portBox")->setText("2");
    QCOMPARE(device->text(), "COM2 = no device");
    QCOMPARE(h.Child("portBox")->toolTip(),
             "COM numbers on this computer:\nCOM1 = /dev/ttyUSB0\nCOM3 = /dev/pts/7");

    ConnectDialogHarness none(kConnect, Language::Czech);
    QCOMPARE(none.Child<QLabel>("portDeviceLabel")->text(), "COM1 = žádné zařízení");
    QCOMPARE(none.Child("portBox")->toolTip(), "Na tomto počítači nebylo nalezeno žádné sériové zařízení.");
  }
};

}  // namespace

int RunConnectDialogTests(int argc, char** argv) {
  ConnectDialogTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace qel::test

#include "ConnectDialogTest.moc"
