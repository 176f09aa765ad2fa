#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>

#include "tests/ui/UiTests.h"
#include "ui/CConnectDlg.h"

namespace qel::test {
namespace {

struct Box {
  QString caption;
  QString text;
};

// A shown connect dialog whose validation boxes are recorded instead of shown.
class ConnectDialogHarness {
 public:
  explicit ConnectDialogHarness(ConnectDialogSetup setup)
      : dialog(std::move(setup),
               [this](QWidget*, QMessageBox::Icon, const QString& caption, const QString& text) {
                 boxes.push_back({caption, text});
               }) {
    dialog.show();
  }

  template <typename T>
  T* Child(const char* name) {
    T* child = dialog.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) qFatal("the connect dialog has no %s", name);
    return child;
  }
  QLineEdit* Code() { return Child<QLineEdit>("codeBox"); }
  QLineEdit* Port() { return Child<QLineEdit>("portBox"); }
  QCheckBox* Manual() { return Child<QCheckBox>("manualPortBox"); }
  void PressOk() { QTest::mouseClick(Child<QPushButton>("okButton"), Qt::LeftButton); }
  void Type(QLineEdit* box, const QString& text) {
    box->clear();
    QTest::keyClicks(box, text);
  }

  std::vector<Box> boxes;
  CConnectDlg dialog;
};

ConnectDialogSetup ConnectSetup(Language language) {
  ConnectDialogSetup setup;
  setup.language = language;
  setup.mode = ConnectMode::Connect;
  setup.prompt = QStringLiteral("Insert password:");
  return setup;
}

ConnectDialogSetup CodeOnlySetup(Language language) {
  ConnectDialogSetup setup = ConnectSetup(language);
  setup.mode = ConnectMode::AccessCodeOnly;
  setup.prompt = QStringLiteral("Enter the new access code:");
  return setup;
}

class ConnectDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void connectModeOkAtOnceGivesTheDefaults() {
    ConnectDialogHarness h(ConnectSetup(Language::English));
    QCOMPARE(h.dialog.windowTitle(), QStringLiteral("QEL key"));
    QCOMPARE(h.Code()->echoMode(), QLineEdit::Password);
    QCOMPARE(h.Code()->text(), QStringLiteral("4719"));
    QVERIFY(h.Child<QRadioButton>("usbButton")->isChecked());
    QVERIFY(!h.Manual()->isChecked());
    QVERIFY(!h.Port()->isEnabled());
    QCOMPARE(h.Port()->text(), QStringLiteral("1"));
    QCOMPARE(h.Child<QLabel>("promptLabel")->text(), QStringLiteral("Insert password:"));
    QCOMPARE(h.Child<QLabel>("transportLabel")->text(), QStringLiteral("Connect via:"));
    QCOMPARE(h.Manual()->text(), QStringLiteral("Set port manually"));

    h.PressOk();
    QCOMPARE(h.dialog.result(), int(QDialog::Accepted));
    QVERIFY(h.boxes.empty());
    const ConnectChoice choice = h.dialog.choice();
    QCOMPARE(choice.accessCode, 4719);
    QCOMPARE(choice.transport, 1);
    QCOMPARE(choice.manualPort, 0);
    QCOMPARE(choice.port, 1);
  }

  void czechTextsInConnectMode() {
    ConnectDialogHarness h(ConnectSetup(Language::Czech));
    QCOMPARE(h.Child<QLabel>("transportLabel")->text(), QStringLiteral("Připojit pomocí:"));
    QCOMPARE(h.Manual()->text(), QStringLiteral("Nastavit port ručně"));
    QCOMPARE(h.Child<QPushButton>("cancelButton")->text(), QStringLiteral("Zpět"));
    QCOMPARE(h.Child<QLabel>("portPrefixLabel")->text(), QStringLiteral("COM"));
  }

  void cancelCaptionFollowsTheLanguageInBothModes() {
    for (const ConnectDialogSetup& setup : {ConnectSetup(Language::Czech), CodeOnlySetup(Language::Czech)}) {
      ConnectDialogHarness h(setup);
      QCOMPARE(h.Child<QPushButton>("cancelButton")->text(), QStringLiteral("Zpět"));
    }
    for (const ConnectDialogSetup& setup :
         {ConnectSetup(Language::English), CodeOnlySetup(Language::English)}) {
      ConnectDialogHarness h(setup);
      QCOMPARE(h.Child<QPushButton>("cancelButton")->text(), QStringLiteral("Cancel"));
    }
  }

  void cancelRejects() {
    ConnectDialogHarness h(ConnectSetup(Language::English));
    QTest::mouseClick(h.Child<QPushButton>("cancelButton"), Qt::LeftButton);
    QCOMPARE(h.dialog.result(), int(QDialog::Rejected));
    QVERIFY(!h.dialog.isVisible());
  }

  void manualBoxTogglesThePortBoxKeepingItsText() {
    ConnectDialogHarness h(ConnectSetup(Language::English));
    QTest::mouseClick(h.Manual(), Qt::LeftButton);
    QVERIFY(h.Port()->isEnabled());
    h.Type(h.Port(), QStringLiteral("12"));
    QTest::mouseClick(h.Manual(), Qt::LeftButton);
    QVERIFY(!h.Port()->isEnabled());
    QCOMPARE(h.Port()->text(), QStringLiteral("12"));
    QTest::mouseClick(h.Manual(), Qt::LeftButton);
    h.PressOk();
    QCOMPARE(h.dialog.choice().manualPort, 1);
    QCOMPARE(h.dialog.choice().port, 12);
  }

  void transportIsTheCheckedRadioButton() {
    {
      ConnectDialogHarness h(ConnectSetup(Language::English));
      QTest::mouseClick(h.Child<QRadioButton>("bluetoothButton"), Qt::LeftButton);
      QTest::mouseClick(h.Child<QRadioButton>("usbButton"), Qt::LeftButton);
      h.PressOk();
      QCOMPARE(h.dialog.choice().transport, 1);
    }
    ConnectDialogHarness h(ConnectSetup(Language::English));
    QTest::mouseClick(h.Child<QRadioButton>("bluetoothButton"), Qt::LeftButton);
    h.PressOk();
    QCOMPARE(h.dialog.choice().transport, 2);
  }

  void portOutsideOneToSeventyIsRefused_data() {
    QTest::addColumn<QString>("typed");
    QTest::newRow("0") << QStringLiteral("0");
    QTest::newRow("71") << QStringLiteral("71");
    QTest::newRow("empty") << QString();
    QTest::newRow("not a number") << QStringLiteral("3a");
    QTest::newRow("fraction") << QStringLiteral("2.5");
  }
  void portOutsideOneToSeventyIsRefused() {
    QFETCH(QString, typed);
    ConnectDialogHarness h(ConnectSetup(Language::English));
    QVERIFY(QTest::qWaitForWindowActive(&h.dialog));
    QTest::mouseClick(h.Manual(), Qt::LeftButton);
    h.Type(h.Port(), typed);
    h.PressOk();
    QVERIFY(h.dialog.isVisible());
    QCOMPARE(h.dialog.result(), int(QDialog::Rejected));
    QCOMPARE(h.boxes.size(), std::size_t(1));
    QCOMPARE(h.boxes[0].caption, QStringLiteral("QEL key"));
    QCOMPARE(h.boxes[0].text, QStringLiteral("Please enter a whole number between 1 and 70."));
    QCOMPARE(QApplication::focusWidget(), h.Port());

    h.Type(h.Port(), QStringLiteral("70"));
    h.PressOk();
    QCOMPARE(h.dialog.result(), int(QDialog::Accepted));
    QCOMPARE(h.dialog.choice().port, 70);
  }

  void codeOutsideZeroTo9999IsRefused_data() {
    QTest::addColumn<QString>("typed");
    QTest::newRow("10000") << QStringLiteral("10000");
    QTest::newRow("empty") << QString();
    QTest::newRow("negative") << QStringLiteral("-1");
    QTest::newRow("not a number") << QStringLiteral("47x9");
  }
  void codeOutsideZeroTo9999IsRefused() {
    QFETCH(QString, typed);
    ConnectDialogHarness h(ConnectSetup(Language::Czech));
    QVERIFY(QTest::qWaitForWindowActive(&h.dialog));
    h.Type(h.Code(), typed);
    h.PressOk();
    QVERIFY(h.dialog.isVisible());
    QCOMPARE(h.boxes.size(), std::size_t(1));
    QCOMPARE(h.boxes[0].text, QStringLiteral("Zadejte celé číslo od 0 do 9999."));
    QCOMPARE(QApplication::focusWidget(), h.Code());

    h.Type(h.Code(), QStringLiteral("9999"));
    h.PressOk();
    QCOMPARE(h.dialog.result(), int(QDialog::Accepted));
    QCOMPARE(h.dialog.choice().accessCode, 9999);
  }

  void portIsJudgedBeforeTheCode() {
    ConnectDialogHarness h(ConnectSetup(Language::English));
    QTest::mouseClick(h.Manual(), Qt::LeftButton);
    h.Type(h.Port(), QStringLiteral("99"));
    h.Type(h.Code(), QStringLiteral("99999"));
    h.PressOk();
    QCOMPARE(h.boxes.size(), std::size_t(1));
    QVERIFY(h.boxes[0].text.contains(QStringLiteral("70")));
  }

  void accessCodeOnlyModeShowsPromptAndEmptyCodeBox() {
    ConnectDialogHarness h(CodeOnlySetup(Language::English));
    for (const char* hidden : {"transportLabel", "usbButton", "bluetoothButton", "manualPortBox",
                               "portPrefixLabel", "portBox", "portDeviceLabel"})
      QVERIFY2(!h.Child<QWidget>(hidden)->isVisible(), hidden);
    QCOMPARE(h.Child<QLabel>("transportLabel")->text(), QString());
    QCOMPARE(h.Child<QLabel>("portPrefixLabel")->text(), QString());
    QCOMPARE(h.Child<QLabel>("promptLabel")->text(), QStringLiteral("Enter the new access code:"));
    QCOMPARE(h.Code()->text(), QString());
    QCOMPARE(h.Code()->echoMode(), QLineEdit::Password);

    h.PressOk();
    QVERIFY(h.dialog.isVisible());
    QCOMPARE(h.boxes.size(), std::size_t(1));
    QCOMPARE(h.boxes[0].text, QStringLiteral("Please enter a whole number between 0 and 9999."));

    h.Type(h.Code(), QStringLiteral("0042"));
    h.PressOk();
    QCOMPARE(h.dialog.result(), int(QDialog::Accepted));
    QCOMPARE(h.dialog.choice().accessCode, 42);
  }

  void besideThePortBoxStandsTheDeviceOfTheNumber() {
    ConnectDialogSetup setup = ConnectSetup(Language::English);
    setup.ports = {{1, "/dev/ttyUSB0"}, {3, "/dev/pts/7"}};
    ConnectDialogHarness h(setup);
    auto* device = h.Child<QLabel>("portDeviceLabel");
    QCOMPARE(device->text(), QStringLiteral("COM1 = /dev/ttyUSB0"));
    QTest::mouseClick(h.Manual(), Qt::LeftButton);
    h.Type(h.Port(), QStringLiteral("3"));
    QCOMPARE(device->text(), QStringLiteral("COM3 = /dev/pts/7"));
    h.Type(h.Port(), QStringLiteral("2"));
    QCOMPARE(device->text(), QStringLiteral("COM2 = no device"));
    QCOMPARE(h.Port()->toolTip(),
             QStringLiteral("COM numbers on this computer:\nCOM1 = /dev/ttyUSB0\nCOM3 = /dev/pts/7"));
  }

  void withoutSerialDevicesTheTipSaysSo() {
    ConnectDialogHarness h(ConnectSetup(Language::Czech));
    QCOMPARE(h.Child<QLabel>("portDeviceLabel")->text(), QStringLiteral("COM1 = žádné zařízení"));
    QCOMPARE(h.Port()->toolTip(),
             QStringLiteral("Na tomto počítači nebylo nalezeno žádné sériové zařízení."));
  }

  void everyControlHasAnAccessibleName() {
    for (const ConnectDialogSetup& setup :
         {ConnectSetup(Language::Czech), CodeOnlySetup(Language::English)}) {
      ConnectDialogHarness h(setup);
      const QList<QWidget*> controls =
          h.dialog.findChildren<QWidget*>(QRegularExpression(QStringLiteral(".+")));
      QVERIFY(controls.size() >= 11);
      for (const QWidget* control : controls) {
        if (control->objectName().startsWith(QLatin1String("qt_"))) continue;
        QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
      }
    }
  }
};

}  // namespace

int RunConnectDialogTests(int argc, char** argv) {
  ConnectDialogTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace qel::test

#include "ConnectDialogTest.moc"
