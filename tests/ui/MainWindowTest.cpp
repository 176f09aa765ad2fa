#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <array>

#include "link/PosixSerialDevice.h"
#include "tests/link/PtyPair.h"
#include "tests/ui/RecordingInteractions.h"
#include "tests/ui/UiTests.h"
#include "tests/ui/WindowHarness.h"
#include "texts/Cp1250.h"
#include "ui/CAboutDlg.h"
#include "ui/CQelKeyDlg.h"
#include "ui/KeyListView.h"

namespace qel::test {
namespace {

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void startsWithOnlyConnectHelpAndLanguageEnabled() {
    WindowHarness h(Language::Czech);
    for (const char* name : kCommandButtons)
      QCOMPARE(h.Child<QPushButton>(name)->isEnabled(), QByteArray(name) == "connectButton");
    QVERIFY(h.Child<QPushButton>("helpButton")->isEnabled());
    QVERIFY(h.Child<QPushButton>("languageButton")->isEnabled());
    QVERIFY(h.Child<QPushButton>("connectButton")->isDefault());
    QCOMPARE(h.List()->model()->rowCount(), 0);
    QVERIFY(h.TickedFloors().empty());
    for (QCheckBox* floor : h.Child<QGroupBox>("floorsPanel")->findChildren<QCheckBox*>())
      QVERIFY(!floor->isEnabled());
    QCOMPARE(h.Log(), QString());
    QCOMPARE(h.Child<QLabel>("settingsLine")->text(), QString());
    QCOMPARE(h.Child<QLabel>("elevatorNameLine")->text(), QString());
    QVERIFY(h.window.windowTitle().startsWith(QStringLiteral("QEL key")));
    QVERIFY(h.interactions.boxes.empty());
  }

  void floorBoxesStandInTwoColumnsOddLeftOneOnTop() {
    WindowHarness h(Language::English);
    h.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&h.window));
    const auto at = [&](int floor) {
      return h.Child<QCheckBox>(QStringLiteral("floor%1").arg(floor).toLatin1().constData())->geometry();
    };
    for (int floor = 1; floor <= 23; floor += 2) {
      QVERIFY(at(floor).x() < at(floor + 1).x());
      QCOMPARE(at(floor).y(), at(floor + 1).y());
      if (floor > 1) QVERIFY(at(floor).y() > at(floor - 2).y());
    }
  }

  void listAndLogGrowWithTheWindow() {
    WindowHarness h(Language::English);
    h.window.resize(800, 560);
    h.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&h.window));
    const QSize list = h.List()->size();
    const QSize log = h.Child<QPlainTextEdit>("log")->size();
    h.window.resize(1000, 760);
    QTRY_VERIFY(h.List()->width() > list.width() && h.List()->height() > list.height());
    QVERIFY(h.Child<QPlainTextEdit>("log")->height() > log.height());
    QVERIFY(h.Child<QPlainTextEdit>("log")->width() > log.width());
  }

  void everyControlHasAnAccessibleName() {
    for (Language language : {Language::Czech, Language::English}) {
      WindowHarness h(language);
      const QList<QWidget*> controls =
          h.window.findChildren<QWidget*>(QRegularExpression(QStringLiteral("^(?!qt_)[a-z]")));
      QVERIFY(controls.size() >= 24 + 14);
      for (const QWidget* control : controls)
        QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
    }
  }

  void languageSwitchRenamesEverythingAndBack() {
    WindowHarness h(Language::Czech);
    h.StoreTwoKeys();
    h.interactions.connectAnswer = ManualPort(70);
    h.Click("connectButton");
    const QString log = h.Log();
    QVERIFY(!log.isEmpty());
    UnitSettings& settings = h.window.controller().settings();
    settings.accessTime = 10;
    settings.elevatorName = Utf8ToCp1250("Výtah Dlouhá 5").bytes;
    h.window.controller().sequencer().linkOpen = 1;
    h.window.controller().ShowSettingsLine();
    const QStringList czech = h.Texts();
    QCOMPARE(h.Child<QPushButton>("languageButton")->text(), QStringLiteral("English"));
    QCOMPARE(h.Child<QGroupBox>("floorsPanel")->title(), QStringLiteral("Patra"));
    QCOMPARE(h.Child<QPushButton>("connectButton")->text(), QStringLiteral("Připojit QEL"));
    QVERIFY(h.Child<QLabel>("settingsLine")->text().startsWith(QStringLiteral("Čas přístupu: 10")));

    h.Click("languageButton");
    QStringList english;
    for (const char* text : {"Add keys", "Edit key", "Delete key", "Settings", "Connect QEL", "Archive",
                             "Help", "Česky", "Floors"})
      english << QString::fromUtf8(text);
    QCOMPARE(h.Texts().mid(0, english.size()), english);
    QVERIFY(h.Child<QLabel>("settingsLine")->text().startsWith(QStringLiteral("Access time: 10")));
    QCOMPARE(h.Child<QLabel>("elevatorNameLine")->text(), QStringLiteral("Výtah Dlouhá 5"));
    QCOMPARE(h.List()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("ID:"));
    QCOMPARE(h.List()->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Comment:"));
    QCOMPARE(h.List()->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Key:"));
    QCOMPARE(h.Child<QPlainTextEdit>("log")->accessibleName(), QStringLiteral("Message log"));
    QCOMPARE(h.Log(), log);

    h.Click("languageButton");
    QCOMPARE(h.Texts(), czech);
    QCOMPARE(h.Log(), log);
    QCOMPARE(h.List()->model()->rowCount(), 2);
    QCOMPARE(h.List()->model()->index(0, 0).data().toString(), QStringLiteral("0"));
    QCOMPARE(h.List()->model()->index(1, 0).data().toString(), QStringLiteral("2"));
    QCOMPARE(h.List()->model()->index(1, 1).data().toString(), QStringLiteral("Nájemník 4"));
    h.window.controller().sequencer().linkOpen = 0;
  }

  void connectAsksInConnectModeWithTheMachinesPorts() {
    WindowHarness h(Language::Czech);
    h.ports.Assign(4, "/dev/pts/99");
    h.Click("connectButton");
    QCOMPARE(h.interactions.connectQuestions.size(), std::size_t(1));
    const ConnectDialogSetup& asked = h.interactions.connectQuestions[0];
    QVERIFY(asked.mode == ConnectMode::Connect);
    QVERIFY(asked.language == Language::Czech);
    QCOMPARE(asked.prompt, QStringLiteral("Vložte přístupový kód:"));
    QCOMPARE(asked.ports.size(), std::size_t(1));
    QCOMPARE(asked.ports[0].first, 4);
    QCOMPARE(asked.ports[0].second, std::string("/dev/pts/99"));
    // Cancelled: nothing happened.
    QCOMPARE(h.Log(), QString());
    QVERIFY(h.Child<QPushButton>("connectButton")->isEnabled());
  }

  void logShowsTheNewestLineOnTopAndStaysScrolledThere() {
    WindowHarness h(Language::English);
    h.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&h.window));
    h.interactions.connectAnswer = ManualPort(70);
    h.Click("connectButton");
    QCOMPARE(h.Log().split(QLatin1Char('\n')).first(), QStringLiteral("QEL not found!"));
    for (int line = 1; line <= 60; ++line)
      h.window.controller().sequencer().AppendLog("line " + std::to_string(line));
    QString expected = QString::fromStdString(h.window.controller().sequencer().logText);
    expected.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QCOMPARE(h.Log(), expected);
    QVERIFY(h.Log().startsWith(QStringLiteral("line 60\nline 59\n")));
    QScrollBar* scroll = h.Child<QPlainTextEdit>("log")->verticalScrollBar();
    QVERIFY(scroll->maximum() > 0);
    QCOMPARE(scroll->value(), 0);
  }

  void messageBoxesAreAskedOfTheInteractions() {
    WindowHarness h(Language::Czech);
    h.window.ShowMessageBox("", "Klíč nebyl vybrán");
    h.window.ShowMessageBox("Chyba!", "Text");
    h.window.ShowSerialWarning("Not able to set COM parameters");
    QCOMPARE(h.interactions.boxes.size(), std::size_t(3));
    QCOMPARE(h.interactions.boxes[0].caption, QStringLiteral("QEL key"));
    QCOMPARE(h.interactions.boxes[0].text, QStringLiteral("Klíč nebyl vybrán"));
    QCOMPARE(h.interactions.boxes[1].caption, QStringLiteral("Chyba!"));
    QCOMPARE(h.interactions.boxes[2].caption, QStringLiteral("Warning!"));
    QCOMPARE(h.interactions.boxes[2].icon, QMessageBox::Warning);
  }

  void desktopBoxIsAnOkBoxThatReturnsWhenAnswered() {
    QString shownText;
    int buttons = 0;
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      shownText = box->text();
      buttons = static_cast<int>(box->buttons().size());
      box->button(QMessageBox::Ok)->click();
    });
    answer.start(std::chrono::milliseconds(10));
    DesktopInteractions desktop;
    desktop.ShowBox(nullptr, QMessageBox::NoIcon, QStringLiteral("QEL key"), QStringLiteral("Soubor načten"));
    QCOMPARE(shownText, QStringLiteral("Soubor načten"));
    QCOMPARE(buttons, 1);
  }

  void clickingARowShowsTheFloorsOfItsRecord() {
    WindowHarness h(Language::English);
    h.StoreTwoKeys();
    h.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&h.window));
    KeyListView* list = h.List();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(1, 1)).center());
    QCOMPARE(h.TickedFloors(), (std::vector<int>{2, 24}));
    QCOMPARE(h.window.controller().rowPicked, 1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(0, 1)).center());
    QCOMPARE(h.TickedFloors(), (std::vector<int>{1, 3}));
  }

  void presentedKeyIsHighlightedUntilAKeyIsPressedInTheList() {
    WindowHarness h(Language::English);
    h.StoreTwoKeys();
    h.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&h.window));
    KeyListView* list = h.List();
    auto* model = static_cast<KeyListModel*>(list->model());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(model->index(0, 1)).center());

    h.window.controller().readerCode = Code(0x40);
    h.window.controller().SelectPresentedKey();
    QVERIFY(model->IsHighlighted(1));
    QVERIFY(!model->IsHighlighted(0));
    QCOMPARE(list->FirstSelectedRow(), std::optional<int>(1));
    QCOMPARE(h.TickedFloors(), (std::vector<int>{2, 24}));
    QCOMPARE(h.window.controller().TargetRow(), std::optional<int>(1));

    QTest::keyClick(list, Qt::Key_Up);
    QVERIFY(!model->IsHighlighted(1));
    QVERIFY(h.TickedFloors().empty());
    QCOMPARE(h.window.controller().highlightedRow, -1);
  }

  void helpOpensThePageInTheCurrentDirectoryElseTheWebPage() {
    WindowHarness h(Language::English);
    const QString started = QDir::currentPath();
    QTemporaryDir withPage;
    QTemporaryDir without;
    QFile page(withPage.filePath(QStringLiteral("QEL_help.htm")));
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.close();

    QVERIFY(QDir::setCurrent(withPage.path()));
    h.Click("helpButton");
    QVERIFY(QDir::setCurrent(without.path()));
    h.Click("helpButton");
    QVERIFY(QDir::setCurrent(started));

    QCOMPARE(h.interactions.pages.size(), std::size_t(2));
    QCOMPARE(h.interactions.pages[0], QUrl::fromLocalFile(QFileInfo(page).absoluteFilePath()));
    QCOMPARE(h.interactions.pages[1].scheme(), QStringLiteral("https"));
  }

  void aboutIsReachableFromTheWindow() {
    WindowHarness h(Language::Czech);
    h.Click("aboutButton");
    QCOMPARE(h.interactions.aboutShown, 1);
    CAboutDlg about;
    QCOMPARE(about.windowTitle(), QStringLiteral("QEL key"));
    QCOMPARE(about.findChild<QLabel*>(QStringLiteral("versionLabel"))->text(),
             QStringLiteral("QEL key v130625"));
  }

  void closingWhileConnectedSaysGoodbyeAndStopsTheTimers() {
    PtyPair unit;
    WindowHarness h(Language::English);
    h.ports.Assign(1, unit.slavePath());
    h.interactions.connectAnswer = ManualPort(1);
    h.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&h.window));
    h.Click("connectButton");
    QCOMPARE(h.port.GetStatus(), int(CSerialPort::kReady));
    QTRY_VERIFY(h.clock.reads > 0);

    h.window.close();
    QCOMPARE(h.port.GetStatus(), int(CSerialPort::kNotOpen));
    const std::vector<std::uint8_t> sent = unit.Receive(64, std::chrono::milliseconds(100));
    QVERIFY(!sent.empty());
    QCOMPARE(sent.back(), std::uint8_t{0x04});
    // The login ticks every 50 ms; three periods pass without one.
    const int ticks = h.clock.reads;
    QTest::qWait(150);
    QCOMPARE(h.clock.reads, ticks);
  }

  void timerIdsOutsideOneToEightAreRefused() {
    WindowHarness h(Language::English);
    QVERIFY(!h.window.StartTimer(0, std::chrono::milliseconds(50)));
    QVERIFY(!h.window.StartTimer(9, std::chrono::milliseconds(50)));
  }
};

}  // namespace

int RunMainWindowTests(int argc, char** argv) {
  MainWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace qel::test

#include "MainWindowTest.moc"
