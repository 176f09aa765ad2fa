#include <QLineEdit>
#include <QProgressBar>
#include <algorithm>

#include "link/UnitCommands.h"
#include "tests/ui/UiTests.h"
#include "tests/ui/WindowHarness.h"
#include "ui/CKeyDlg.h"
#include "ui/QtTexts.h"

namespace qel::test {
namespace {

constexpr KeyCode kEightByte{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xE9};
constexpr KeyCode kTwelveChar{'0', 'F', '5', 'E', '4', 'D', '3', 'C', '2', 'B', '1', 'A'};

// Key 7 ("Nájemník 4", floors 2 and 24) in a key dialog whose poll reaches a ReplyingLine that
// answers with the status byte and the code of the key held at the reader; its boxes go to `told`.
struct DialogHarness final : SerialWarnings {
  DialogHarness(Language language, const QString& mode)
      : setup{language,          mode != "edit",     mode == "add",    85, 7, kEightByte,
              FloorsOf({2, 24}), "N\xE1jemn\xEDk 4", mode == "replace"} {
    line.reply.resize(unit::kReaderReplyLength);
    ports.Assign(1, "reader");
    port.Open(1);
  }
  void ShowSerialWarning(std::string_view) override {}
  void WaitForPolls(int count) {
    const int until = line.writes + count;
    QTRY_VERIFY_WITH_TIMEOUT(line.writes >= until, 2000);
  }
  // DoSteps, where "Release" takes the key from the reader, "Escape" and "Return" are pressed, and
  // after "Windows" every box takes the focus as a real one does.
  void Do(const QString& steps) {
    DoSteps(dialog, steps, told, [this](const QString& step) {
      if (step == "Escape" || step == "Return")
        QTest::keyClick(QApplication::focusWidget(), step == "Escape" ? Qt::Key_Escape : Qt::Key_Return);
      if (step == "Windows") boxWindows = true;
      if (step != "Release") return;
      line.reply[0] = 0;
      WaitForPolls(3);
    });
  }
  QString Floors(const std::function<bool(int)>& ticked) const {
    QStringList floors;
    for (int floor = 1; floor <= 24; ++floor)
      if (ticked(floor)) floors << QString::number(floor);
    return floors.join(' ');
  }
  QString TickedFloors() const {
    return Floors([this](int floor) {
      return ChildOf<QCheckBox>(dialog, qPrintable(QStringLiteral("floor%1").arg(floor)))->isChecked();
    });
  }

  KeyDialogSetup setup;
  ReplyingLine line;
  PortTable ports;
  CSerialPort port{line, ports, *this};
  CountingClock clock;
  RecordingInteractions interactions;
  CQelKeyDlg window{port, clock, interactions, setup.language};
  KeyDialog logic{window.controller().sequencer(), setup};
  QStringList told;
  bool boxWindows = false;
  CKeyDlg dialog{logic, [this](QWidget*, QMessageBox::Icon, const QString&, const QString& text) {
                   told << text;
                   if (!boxWindows) return;
                   QWidget box;
                   box.show();
                   QVERIFY(QTest::qWaitForWindowActive(&box));
                 }};
};

class KeyDialogTest : public QObject {
  Q_OBJECT

 private slots:
  // "add last" has no "Insert next key"; the texts are those of the visible controls.
  void showsTheControlsOfItsModeInItsLanguage_data() {
    QTest::addColumn<Language>("language");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("texts");
    const QString key = "QEL key/7/Nájemník 4/ID/";
    QTest::newRow("add, Czech") << Language::Czech << "add"
                                << key + "Klíč/Komentář/Patra/Vše/Zadat klíč ručně/Zadat další klíč/OK/Zpět";
    QTest::newRow("add last, English")
        << Language::English << "add last" << key + "Key/Comment/Floors/All/Insert key manually/OK/Cancel";
    QTest::newRow("edit, English") << Language::English << "edit"
                                   << key + "Key/Comment/Floors/All/&Replace key.../OK/Cancel";
    QTest::newRow("edit, Czech") << Language::Czech << "edit"
                                 << key + "Klíč/Komentář/Patra/Vše/Na&hradit klíč.../OK/Zpět";
    QTest::newRow("replace, English") << Language::English << "replace"
                                      << "Replacing the lost key with ID 7/7/Nájemník "
                                         "4/ID/Key/Comment/Floors/All/Insert key manually/OK/Cancel";
  }
  void showsTheControlsOfItsModeInItsLanguage() {
    QFETCH(Language, language);
    QFETCH(QString, mode);
    QFETCH(QString, texts);
    DialogHarness h(language, mode);
    h.dialog.show();
    QStringList shown{h.dialog.windowTitle()};
    for (const char* name :
         {"keyIdBox", "commentBox", "keyIdLabel", "keyCodeLabel", "commentLabel", "floorsGroup",
          "allFloorsBox", "manualEntryBox", "nextKeyButton", "replaceButton", "okButton", "cancelButton"})
      if (const QWidget* control = ChildOf<QWidget>(h.dialog, name); control->isVisible())
        shown << control->property("title").toString() + control->property("text").toString();
    QCOMPARE(shown.join('/'), texts);
    // A new key for a lost one keeps the lost key's floors; the edit dialog hands its key on.
    if (mode == "replace") QCOMPARE(h.TickedFloors(), QStringLiteral("2 24"));
    if (mode == "edit") {
      h.Do("replaceButton");
      QCOMPARE(h.dialog.end(), KeyDialogEnd::Replace);
    }
    QVERIFY(!ChildOf<QWidget>(h.dialog, "keyIdBox")->isEnabled() &&
            !ChildOf<QWidget>(h.dialog, "keyCodeBox")->isEnabled());
    QCOMPARE(Unnamed(h.dialog), QStringList());
  }

  // With `held` at the reader, the steps are done; then the key code box, the ticked boxes, the
  // boxes shown, and how the dialog ended: its end, the code and the floors it handed over.
  void pollsTheReaderJudgesTheBoxesAndHandsOverTheKey_data() {
    QTest::addColumn<Language>("language");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<KeyCode>("held");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("outcome");
    const Language en = Language::English;
    const QString manual = "manualEntryBox keyCodeBox=";
    QTest::newRow("8-byte code stays after release") << en << "add" << kEightByte << "Release"
                                                     << "E9CDAB8967452301|||open";
    QTest::newRow("12-character code, OK") << en << "add" << kTwelveChar << "floor3 okButton"
                                           << "A1B2C3D4E5F0|3||Ok A1B2C3D4E5F0 3";
    QTest::newRow("edit ignores the reader") << en << "edit" << kTwelveChar << ""
                                             << "E9CDAB8967452301|2 24||open";
    QTest::newRow("typed bad check, focus leaves, OK")
        << en << "add" << KeyCode{} << manual + "E9CDAB8967452300 commentBox okButton"
        << "E9CDAB8967452300||Wrong key code!;Wrong key code!;@okButton|open";
    QTest::newRow("manual entry on and off, nothing typed")
        << en << "add" << KeyCode{} << "manualEntryBox manualEntryBox"
        << "------------|||open";
    QTest::newRow("typed not hex, OK") << Language::Czech << "add" << KeyCode{} << manual + "12345 okButton"
                                       << "12345||Chybný kód klíče!;@okButton|open";
    QTest::newRow("typed bad code, Enter, the box takes the focus")
        << en << "add" << KeyCode{} << manual + "12345 Windows Return"
        << "12345||Wrong key code!|open";
    QTest::newRow("typed good code, Insert next key")
        << en << "add" << KeyCode{} << manual + "a1b2c3d4e5f0 commentBox nextKeyButton"
        << "a1b2c3d4e5f0|||NextKey A1B2C3D4E5F0 ";
    const QString unstorable = "The comment contains the character %1, which QEL cannot store.";
    QTest::newRow("comment with a byte the unit ends at, OK")
        << en << "edit" << KeyCode{} << "commentBox=˙ okButton"
        << "E9CDAB8967452301|2 24|" + unstorable.arg("\"˙\" (U+02D9)") + ";@okButton|open";
    QTest::newRow("comment without a Windows-1250 byte, focus leaves")
        << en << "edit" << KeyCode{} << "commentBox=Ж floor3"
        << "E9CDAB8967452301|2 3 24|" + unstorable.arg("\"Ж\" (U+0416)") + "|open";
    // 85 Windows-1250 bytes fit, 86 do not.
    QTest::newRow("85 bytes of comment")
        << en << "edit" << KeyCode{} << "commentBox=" + QString(85, u'č') + " okButton"
        << "E9CDAB8967452301|2 24||Ok E9CDAB8967452301 2 24";
    QTest::newRow("86 bytes of comment")
        << en << "edit" << KeyCode{} << "commentBox=" + QString(86, u'č') + " okButton"
        << "E9CDAB8967452301|2 24|Inserted comment is too long,\nmaximum comment length is 85 "
           "characters.;@okButton|open";
    QTest::newRow("All twice clears boxes ticked before")
        << en << "edit" << KeyCode{} << "floor5 allFloorsBox allFloorsBox okButton"
        << "E9CDAB8967452301|||Ok E9CDAB8967452301 ";
    QTest::newRow("Cancel") << en << "edit" << KeyCode{} << "floor3 cancelButton"
                            << "E9CDAB8967452301|2 3 24||Cancel E9CDAB8967452301 2 3 24";
    QTest::newRow("Escape") << en << "edit" << KeyCode{} << "floor24 Escape"
                            << "E9CDAB8967452301|2||Cancel E9CDAB8967452301 2";
  }
  void pollsTheReaderJudgesTheBoxesAndHandsOverTheKey() {
    QFETCH(Language, language);
    QFETCH(QString, mode);
    QFETCH(KeyCode, held);
    QFETCH(QString, steps);
    QFETCH(QString, outcome);
    DialogHarness h(language, mode);
    h.dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&h.dialog));
    h.line.reply[0] = held != KeyCode{};
    std::copy(held.begin(), held.end(), h.line.reply.begin() + 1);
    // The reply to the second poll from now is shown by the time the third goes out.
    h.WaitForPolls(3);
    h.Do(steps);
    const QString end = QStringList{"Ok", "Cancel", "NextKey"}[static_cast<int>(h.dialog.end())];
    const QString ended =
        h.dialog.isVisible() ? "open"
                             : QStringLiteral("%1 %2 %3")
                                   .arg(end, ToQString(KeyCodeToText(h.logic.keyCode())),
                                        h.Floors([&](int n) { return FloorPermitted(h.logic.floors(), n); }));
    auto* code = ChildOf<QLineEdit>(h.dialog, "keyCodeBox");
    QCOMPARE(code->text() + '|' + h.TickedFloors() + '|' + h.told.join(';') + '|' + ended, outcome);
    QCOMPARE(code->isEnabled(), h.logic.manualEntry());
    const int polls = h.line.writes;
    QTest::qWait(120);
    QCOMPARE(h.line.writes == polls, !h.dialog.isVisible());
  }

  // After the steps in the main window: the questions asked, the rows left, the key dialogs run.
  void keyCommandsActOnTheirKey_data() {
    QTest::addColumn<Language>("language");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("editAllowed");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("outcome");
    const Language en = Language::English;
    QTest::newRow("delete, No")
        << en << "click deleteKeyButton" << 1 << false
        << "QEL|Do you really want to delete key with ID 2 (Nájemník 4, KJIHGFEDCBA@)?|2|";
    QTest::newRow("delete, Yes") << Language::Czech << "click deleteKeyButton" << 1 << true
                                 << "QEL|Opravdu chcete vymazat klíč s ID 2 (Nájemník 4, KJIHGFEDCBA@)?|1|";
    QTest::newRow("Edit key") << en << "click editKeyButton" << 1 << false << "|2|edit 2";
    QTest::newRow("double click") << en << "double" << 1 << false << "|2|edit 2";
    QTest::newRow("double click while an operation runs") << en << "double" << 0 << false << "|2|";
    QTest::newRow("Add keys") << en << "addKeysButton" << 1 << false << "|2|add 1";
  }
  void keyCommandsActOnTheirKey() {
    QFETCH(Language, language);
    QFETCH(QString, steps);
    QFETCH(int, editAllowed);
    QFETCH(bool, yes);
    QFETCH(QString, outcome);
    WindowHarness h(language);
    h.StoreTwoKeys();
    QVERIFY(h.Show());
    Sequencer& sequencer = h.window.controller().sequencer();
    sequencer.linkOpen = 1;
    sequencer.commandEnabled = Sequencer::kConnectedCommands;
    sequencer.EnableCommands();
    sequencer.editAllowed = editAllowed;
    h.interactions.yesNoAnswer = yes;
    const QPoint row = h.List()->visualRect(h.List()->model()->index(1, 1)).center();
    for (const QString& step : steps.split(' ')) {
      if (step == "click")
        QTest::mouseClick(h.List()->viewport(), Qt::LeftButton, {}, row);
      else if (step == "double")
        QTest::mouseDClick(h.List()->viewport(), Qt::LeftButton, {}, row);
      else
        h.Click(step.toLatin1().constData());
    }
    sequencer.linkOpen = 0;
    QStringList dialogs;
    for (const KeyDialogSetup& dialog : h.interactions.keyDialogs)
      dialogs << QStringLiteral("%1 %2").arg(dialog.addMode ? "add" : "edit").arg(dialog.keyId);
    QCOMPARE(h.interactions.questions.join(';') + '|' + QString::number(h.List()->model()->rowCount()) + '|' +
                 dialogs.join(';'),
             outcome);
  }

  void progressComesUnderTheLogWithoutGrowingTheWindow() {
    WindowHarness h(Language::English);
    QVERIFY(h.Show());
    h.window.resize(h.window.minimumSizeHint());
    QTRY_COMPARE(h.window.size(), h.window.minimumSizeHint());
    const QSize smallest = h.window.size();
    auto* bar = h.Child<QProgressBar>("progressBar");
    h.window.ShowProgress(std::string(300, 'x'), 40, "0:07 left");
    QVERIFY(bar->isVisible() && h.Child<QLabel>("progressText")->text() == QString(300, 'x'));
    QCOMPARE(bar->text(), "40%, 0:07 left");
    QTest::qWait(20);
    QCOMPARE(h.window.size(), smallest);
    h.window.HideProgress();
    QVERIFY(!bar->isVisible() && !h.Child<QLabel>("progressText")->isVisible());
  }
};

}  // namespace

int RunKeyDialogTests(int argc, char** argv) {
  KeyDialogTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace qel::test

#include "KeyDialogTest.moc"
