#include <QAction>
#include <QFileDialog>
#include <QListView>
#include <QProgressBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <fstream>

#include "files/CsvExport.h"
#include "link/UnitCommands.h"
#include "tests/ui/UiTests.h"
#include "tests/ui/WindowHarness.h"
#include "ui/CArchiveDlg.h"
#include "ui/CConnectDlg.h"
#include "ui/CImportDlg.h"
#include "ui/CKeyDlg.h"
#include "ui/CSettingsDlg.h"
#include "ui/QtTexts.h"

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

constexpr KeyCode kEightByte{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xE9};
constexpr KeyCode kTwelveChar{'0', 'F', '5', 'E', '4', 'D', '3', 'C', '2', 'B', '1', 'A'};

// Key 7 ("Nájemník 4", floors 2 and 24) in a key dialog whose poll reaches the line, which answers
// with the status byte and the code of the key held at the reader; its boxes go to `told`.
struct KeyDialogHarness final : WindowHarness {
  KeyDialogHarness(Language language, const QString& mode)
      : WindowHarness(language, true),
        // clang-format off
        setup{language, mode != "edit", mode == "add", 85, 7, kEightByte, FloorsOf({2, 24}), "N\xE1jemn\xEDk 4",
              mode == "replace", false, &window.controller().image()} {
    // clang-format on
    line.reply.resize(unit::kReaderReplyLength);
  }
  // `code` held at the reader until the reply to the second poll from now is shown.
  void Hold(const KeyCode& code) {
    line.reply[0] = code != KeyCode{};
    std::copy(code.begin(), code.end(), line.reply.begin() + 1);
    WaitForPolls(3);
  }
  void WaitForPolls(int count) {
    const int until = line.writes + count;
    QTRY_VERIFY_WITH_TIMEOUT(line.writes >= until, 2000);
  }
  // DoSteps, where "Texts" notes the captions, "Release" takes the key from the reader, "Escape" and
  // "Return" are pressed, "Yes" and "No" answer the questions that follow (Yes until told), and
  // after "Windows" every box takes the focus as a real one does. "First"
  // and "Other" hold a key at the reader, "Held" one stored as key 3 of QEL; "Clear" takes the key
  // away and clears the code box.
  void Do(const QString& steps) {
    DoSteps(dialog, steps, told, [this](const QString& step) {
      if (step == "Escape" || step == "Return")
        QTest::keyClick(QApplication::focusWidget(), step == "Escape" ? Qt::Key_Escape : Qt::Key_Return);
      if (step == "Windows") boxWindows = true;
      if (step == "Texts") told << Captions(dialog);
      if (step == "Held") window.controller().image().StoreRecord(3, kTwelveChar, {}, "Spr\xE1vce");
      if (step == "First" || step == "Other" || step == "Held")
        Hold(step == "First" ? kEightByte : kTwelveChar);
      if (step == "Release" || step == "Clear") Hold({});
      if (step == "Yes" || step == "No") yes = step == "Yes";
      if (step == "Clear") ChildOf<QAction>(dialog, "clearCodeAction")->trigger();
    });
  }
  KeyDialogSetup setup;
  KeyDialog logic{window.controller().sequencer(), setup};
  QStringList told;
  bool boxWindows = false;
  bool yes = true;
  CKeyDlg dialog{logic,
                 [this](QWidget*, QMessageBox::Icon, const QString&, const QString& text) {
                   told << text;
                   if (!boxWindows) return;
                   QWidget box;
                   box.show();
                   QVERIFY(QTest::qWaitForWindowActive(&box));
                 },
                 [this](QWidget*, const QString&, const QString& text, Language) {
                   told << '?' + text;
                   return yes;
                 }};
};

// A settings dialog for a unit with comment length 85, the main relay inverted, the name "Výtah 5"
// and two keys, whose clock reads 2026-12-24 13:04:05. What the operator is told, asked (?) and
// prompted for (>) goes to `told` in turn, with the notes of the steps.
struct SettingsHarness final : WindowHarness {
  SettingsHarness(Language language, int accessTime)
      : WindowHarness(language, true), setup{language, accessTime, 85, false, true, "Výtah 5", 4719} {
    line.reply = {0x05, 0x04, 0x13, 0x04, 0x24, 0x12, 0x26};
    StoreTwoKeys();
    least = dialog.minimumSizeHint();
  }
  // DoSteps, where "Texts" notes every caption, "#N" ("#-": Cancel) answers the next code prompt,
  // "Yes" the questions; "Zero" stops the unit's clock, "Silent" the unit; "Wait" lets two clock
  // requests go out.
  void Do(const QString& steps) {
    DoSteps(dialog, steps, told, [this](const QString& step) {
      if (step == "Texts") told << Captions(dialog, "clockLabel");
      if (step.startsWith('#'))
        codes.push_back(step == "#-" ? std::nullopt : std::optional(step.mid(1).toInt()));
      if (step == "Yes") yes = true;
      if (step == "Zero") line.reply.assign(line.reply.size(), 0);
      if (step == "Silent") {
        line.silent = true;
        QTRY_VERIFY_WITH_TIMEOUT(!ChildOf<QWidget>(dialog, "okButton")->isEnabled(), 5000);
      }
      const int requests = line.writes;
      if (step == "Wait") {
        QTRY_VERIFY_WITH_TIMEOUT(line.writes >= requests + 2, 4000);
        // Whatever the clock shows, the dialog keeps its size.
        QCOMPARE(dialog.minimumSizeHint(), least);
      }
      if (step == "Tab") QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    });
  }

  SettingsDialogSetup setup;
  SettingsDialog logic{window.controller().sequencer(), window.controller().image(), setup};
  QList<std::optional<int>> codes;
  bool yes = false;
  QStringList told;
  QSize least;
  CSettingsDlg dialog{
      logic, [this](QWidget*, QMessageBox::Icon, const QString&, const QString& text) { told << text; },
      [this](QWidget*, Language, const QString& prompt) {
        told << '>' + prompt;
        return codes.takeFirst();
      },
      [this](QWidget*, const QString&, const QString& text, Language) {
        told << '?' + text;
        return yes;
      }};
};

using Path = std::optional<std::filesystem::path>;
const QString kArchiveState =
    "copyToPcButton copyToUnitButton exportButton deleteKeysButton deleteLogsButton";

// The caption and the named buttons' texts, or with `enabled` whether each can be pressed.
QString Buttons(const QWidget& dialog, const QString& names, bool enabled = false) {
  QString shown = enabled ? "|" : dialog.windowTitle();
  for (const QString& name : names.split(' ')) {
    const auto* button = ChildOf<QAbstractButton>(dialog, qPrintable(name));
    shown += enabled ? (button->isEnabled() ? "x" : "_") : '/' + button->text();
  }
  return shown;
}

// An archive dialog whose port is closed, so a delete-all ends (error 521) when its first reply
// is due. The operator is asked to confirm >prompt (answered `yes`), to choose a file
// filter|suffix (none), or told !text.
struct ArchiveHarness final : WindowHarness {
  explicit ArchiveHarness(Language language) : WindowHarness(language) {
    window.controller().sequencer().LinkOpened();
  }
  ArchiveDialog logic{window.controller()};
  bool yes = false;
  QStringList asked;
  Path openAnswer;
  std::function<bool(QWidget*, const ImportPlan&)> preview;
  CArchiveDlg dialog{
      logic,
      {[this](QWidget*, QMessageBox::Icon, const QString&, const QString& text) { asked << '!' + text; },
       [this](QWidget*, Language, const QString& prompt) { return asked << '>' + prompt, yes; },
       [this](QWidget*, const QString&, const QString& filter) { return asked << filter, openAnswer; },
       [this](QWidget*, const QString&, const QString& filter, const QString& suffix, const QString&) {
         return asked << filter + '|' + suffix, Path();
       },
       [this](QWidget* parent, Language, const ImportPlan& plan) { return preview(parent, plan); }}};
};

class DialogTest : public QObject {
  Q_OBJECT

 private slots:
  // After the steps: the notes (with "Tip", the port box's tool tip), what the operator was told at
  // a refused OK, then the answer code/transport/manual/port, or "open" or "cancelled".
  void connectDialogShowsItsModeAndAnswersTheControlsOrRefusesANumber_data() {
    QTest::addColumn<ConnectMode>("mode");
    QTest::addColumn<Language>("language");
    QTest::addColumn<bool>("bare");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("outcome");
    const QString port = "Please enter a whole number between 1 and 70.;@portBox";
    const QString code = "Zadejte celé číslo od 0 do 9999.;@codeBox";
    const Language en = Language::English, cs = Language::Czech;
    QTest::newRow("Czech, no ports, Cancel")
        << kConnect << cs << true << "%promptLabel %transportLabel %codeBox %portDeviceLabel Tip cancelButton"
        << "Insert password:;Připojit pomocí:;4719;COM1 = žádné zařízení!;"
           "Na tomto počítači nebylo nalezeno žádné sériové zařízení.|cancelled";
    QTest::newRow("automatic without a device, code 9999")
        << kConnect << en << false << "Tip portBox=2 %okButton codeBox=9999 okButton"
        << "COM numbers on this computer:\nCOM1 = /dev/ttyUSB0\nCOM3 = /dev/pts/7\nCOM70 = "
           "/dev/pts/1;OK|9999/1/0/1";
    QTest::newRow("Bluetooth, typed port and code keep their digits")
        << kConnect << en << false
        << "bluetoothButton %usbButton manualPortBox portBox:x7-05 %portBox codeBox:12a3-45 %codeBox "
           "%portDeviceLabel okButton"
        << "_;70;1234;COM70 = /dev/pts/1|1234/2/1/70";
    QTest::newRow("USB again, manual port with a device")
        << kConnect << en << false
        << "bluetoothButton usbButton %bluetoothButton portBox=3 %portBox manualPortBox %okButton okButton"
        << "_;3!;OK|4719/1/1/3";
    QTest::newRow("bad port left in a box switched off")
        << kConnect << en << false << "manualPortBox portBox=71 manualPortBox %portBox okButton"
        << "71!|4719/1/0/1";
    QTest::newRow("ports refused, the port judged before the code")
        << kConnect << en << false
        << "manualPortBox portBox=2 %okButton %portDeviceLabel portBox=0 %okButton okButton portBox= "
           "okButton "
           "portBox=3a okButton portBox=71 codeBox=10000 okButton"
        << "OK!;COM2 = no device;OK;" + QStringList(4, port).join(';') + "|open";
    QTest::newRow("code only") << kCodeOnly << cs << false
                               << "okButton codeBox=3a okButton codeBox=0042 okButton"
                               << code + ';' + code + "|42/1/0/1";
  }
  void connectDialogShowsItsModeAndAnswersTheControlsOrRefusesANumber() {
    QFETCH(ConnectMode, mode);
    QFETCH(Language, language);
    QFETCH(bool, bare);
    QFETCH(QString, steps);
    QFETCH(QString, outcome);
    ConnectDialogHarness h(mode, language, bare);
    QVERIFY(QTest::qWaitForWindowActive(&h.dialog));
    QCOMPARE(ChildOf<QLineEdit>(h.dialog, "codeBox")->echoMode(), QLineEdit::Password);
    for (const char* connectOnly : {"transportLabel", "usbButton", "bluetoothButton", "manualPortBox",
                                    "portPrefixLabel", "portBox", "portDeviceLabel"})
      QVERIFY2(ChildOf<QWidget>(h.dialog, connectOnly)->isVisible() == (mode == kConnect), connectOnly);
    QCOMPARE(Unnamed(h.dialog), QStringList());
    DoSteps(h.dialog, steps, h.told,
            [&](const QString&) { h.told << ChildOf<QWidget>(h.dialog, "portBox")->toolTip(); });
    const ConnectChoice c = h.dialog.choice();
    const QString answer =
        h.dialog.result() == QDialog::Rejected
            ? "cancelled"
            : QString("%1/%2/%3/%4").arg(c.accessCode).arg(c.transport).arg(c.manualPort).arg(c.port);
    QCOMPARE(h.told.join(';') + '|' + (h.dialog.isVisible() ? "open" : answer), outcome);
  }

  // With `held` at the reader, the steps are done; then the key code box, the ticked boxes, what was
  // noted and told, and how the dialog ended: its end, the code and the floors it handed over.
  // "add last" has no "Insert next key"; a new key for a lost one keeps the lost key's floors.
  void keyDialogPollsTheReaderJudgesTheBoxesAndHandsOverTheKey_data() {
    QTest::addColumn<Language>("language");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<KeyCode>("held");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("outcome");
    const Language en = Language::English;
    const QString bad =
        "Chybný kód klíče!\nKód klíče má 12 šestnáctkových znaků, nebo 16 šestnáctkových číslic, z nichž "
        "první dvě kontrolují zbylých 14.";
    const QString badCheck =
        "\nPrvní dvě číslice nesouhlasí se zbylými 14: některá číslice je zapsána chybně.";
    const QString wrong =
        "Wrong key code!\nA key code has 12 hexadecimal characters, or 16 hexadecimal digits whose first two "
        "check the other 14.\n";
    const QString noFloor = "?This key opens no floor. Save it anyway?";
    const QString comment = "Nájemník 4/10 / 85/Floors/&All";
    const QString unstorable = "The comment contains the character %1, which QEL cannot store.";
    QTest::newRow("replace: 8-byte code stays after release")
        << en << "replace" << kEightByte << "Texts Release"
        << "E9CDAB8967452301|2 24|Replacing the lost key with ID 7/7/E9CDAB8967452301/" + comment +
               "/Insert key &manually/Read a&nother key/OK/Cancel/Key E9CDAB8967452301 presented: a new key, "
               "captured/ID/&Key/&Comment|open";
    QTest::newRow("add last: 12-character code, OK")
        << en << "add last" << kTwelveChar << "Texts floor3 okButton"
        << "A1B2C3D4E5F0|3|QEL key/7/A1B2C3D4E5F0/" + comment +
               "/Insert key &manually/Read a&nother key/OK/Cancel/Key A1B2C3D4E5F0 presented: a new key, "
               "captured/ID/&Key/&Comment|Ok A1B2C3D4E5F0 3";
    // Typed codes: too short, a bad check judged as the focus leaves and again at OK, each time the
    // focus back in the box; then a good one, for a key that opens no floor.
    QTest::newRow("manual entry, typed codes judged, Insert next key")
        << Language::Czech << "add" << KeyCode{}
        << "Texts manualEntryBox manualEntryBox %keyCodeBox manualEntryBox %statusLabel keyCodeBox=12345 "
           "okButton "
           "keyCodeBox "
           "keyCodeBox=E9CDAB8967452300 commentBox okButton keyCodeBox keyCodeBox=a1b2c3d4e5f0 commentBox "
           "nextKeyButton"
        << "a1b2c3d4e5f0||QEL key/7/------------/Nájemník 4/10 / 85/Patra/&Vše/Zadat klíč &ručně/Zadat "
           "&další klíč/Načíst &jiný klíč/OK/Zpět/Přiložte nový klíč ke čtečce/ID/&Klíč/K&omentář;"
           "------------;;" +
               bad + "\nPočet zadaných číslic: 5.;@keyCodeBox;" + bad + badCheck + ";" + bad + badCheck +
               ";@keyCodeBox;?Tento klíč neotevírá žádné patro. Přesto jej uložit?|NextKey A1B2C3D4E5F0 ";
    // A captured code stays until the operator asks for another; a key of QEL is only named.
    QTest::newRow("add: keys presented later, the box cleared, Read another key")
        << en << "add" << kEightByte
        << "Other %statusLabel Held %statusLabel Clear %keyCodeBox First readAnotherButton %keyCodeBox First"
        << "E9CDAB8967452301||Key A1B2C3D4E5F0 presented: not taken, the captured key stays;Key 3 (Správce) "
           "presented: already in QEL;------------;------------|open";
    QTest::newRow("typed bad codes, Enter, the box takes the focus")
        << en << "add" << KeyCode{}
        << "manualEntryBox keyCodeBox=E9CDÄB896745230 okButton keyCodeBox=12345 Windows Return"
        << "12345||" + wrong + "The character \"Ä\" is not a hexadecimal digit (0–9, A–F).;@keyCodeBox;" +
               wrong + "The code typed has 5 digits.|open";
    // The reader is ignored; the box takes no more than the 85 characters QEL keeps.
    QTest::newRow("edit: comments judged, All twice, no floor asked")
        << en << "edit" << kTwelveChar
        << "commentBox=Ж floor3 commentBox=˙ okButton commentBox=" + QString(86, u'č') +
               " %commentCountLabel floor5 allFloorsBox allFloorsBox No okButton Yes okButton"
        << "E9CDAB8967452301||" + unstorable.arg("\"Ж\" (U+0416)") + ";" + unstorable.arg("\"˙\" (U+02D9)") +
               ";@commentBox;85 / 85;" + noFloor + ";@floor1;" + noFloor + "|Ok E9CDAB8967452301 ";
    QTest::newRow("edit: Replace")
        << en << "edit" << KeyCode{} << "Texts replaceButton"
        << "E9CDAB8967452301|2 24|QEL key/7/E9CDAB8967452301/" + comment +
               "/&Replace key.../OK/Cancel/ID/&Key/&Comment|Replace E9CDAB8967452301 2 24";
    QTest::newRow("Cancel") << en << "edit" << KeyCode{} << "floor3 cancelButton"
                            << "E9CDAB8967452301|2 3 24||Cancel E9CDAB8967452301 2 3 24";
    QTest::newRow("Escape") << en << "edit" << KeyCode{} << "floor24 Escape"
                            << "E9CDAB8967452301|2||Cancel E9CDAB8967452301 2";
  }
  void keyDialogPollsTheReaderJudgesTheBoxesAndHandsOverTheKey() {
    QFETCH(Language, language);
    QFETCH(QString, mode);
    QFETCH(KeyCode, held);
    QFETCH(QString, steps);
    QFETCH(QString, outcome);
    KeyDialogHarness h(language, mode);
    h.dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&h.dialog));
    h.Hold(held);
    h.Do(steps);
    const QString end = QStringList{"Ok", "Cancel", "NextKey", "Replace"}[static_cast<int>(h.dialog.end())];
    const QString ended =
        h.dialog.isVisible()
            ? "open"
            : QStringLiteral("%1 %2 %3")
                  .arg(end, ToQString(KeyCodeToText(h.logic.keyCode())),
                       FloorList([&](int n) { return FloorPermitted(h.logic.floors(), n); }));
    auto* code = ChildOf<QLineEdit>(h.dialog, "keyCodeBox");
    QCOMPARE(code->text() + '|' + TickedFloors(h.dialog) + '|' + h.told.join(';') + '|' + ended, outcome);
    QCOMPARE(code->isEnabled() && !code->isReadOnly(), h.logic.manualEntry());
    QVERIFY(!ChildOf<QWidget>(h.dialog, "keyIdBox")->isEnabled());
    QCOMPARE(Unnamed(h.dialog), QStringList());
    const int polls = h.line.writes;
    QTest::qWait(120);
    QCOMPARE(h.line.writes == polls, !h.dialog.isVisible());
  }

  // After the steps: what the operator was told and the states noted, then how the dialog ended
  // (the access time, comment length, name and access code taken, and whether to set the clock).
  void settingsDialogDrawsJudgesAndForwards_data() {
    QTest::addColumn<Language>("language");
    QTest::addColumn<int>("accessTime");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("outcome");
    const Language en = Language::English, cs = Language::Czech;
    const QString warning = Tr(Text::CommentLengthWarning, en).data();
    const QString longNames =
        " elevatorNameBox=" + QString(50, u'ž') + " okButton elevatorNameBox:" + QString(50, 'x');
    QTest::newRow("English checks")
        << en << 10
        << "%mainRelayInversionBox %relayInversionBox %setClockBox accessTimeBox=2 permanentAccessBox "
           "okButton permanentAccessBox accessTimeBox:1x2-0 commentLengthBox=236 okButton "
           "commentLengthBox=85" +
               longNames + " okButton"
        << "x;_;_!;Please enter a whole number between 3 and 120.;@permanentAccessBox;"
           "Please enter a whole number between 5 and 235.;@commentLengthBox;"
           "The elevator name can have at most 49 characters.;@elevatorNameBox|120 85 " +
               QString(49, 'x') + " 4719";
    QTest::newRow("Czech texts, checks, clock and code")
        << cs << 0
        << "Texts %accessTimeBox %permanentAccessBox permanentAccessBox accessTimeBox=121 okButton "
           "accessTimeBox=3 commentLengthBox=4 okButton commentLengthBox=85 elevatorNameBox=Výtah˙5 okButton "
           "elevatorNameBox=Výtah #4719 #1234 #1234 changeAccessCodeButton "
           "Wait %clockLabel setClockBox okButton"
        << "QEL key/Čas přístupu/5/Trvalý přístup/Počet znaků komentáře/85/Maximální počet klíčů/655/"
           "Inverze hlavního relé/Inverze relé/Nastavit čas podle PC/Aktuální čas ve QEL/Název výtahu/Výtah "
           "5/"
           "Změnit přístupový kód/OK/Zpět;5!;x;Zadejte celé číslo od 3 do 120.;@accessTimeBox;"
           "Zadejte celé číslo od 5 do 235.;@commentLengthBox;"
           "Název výtahu obsahuje znak \"˙\" (U+02D9), který QEL nedokáže uložit.;@elevatorNameBox;"
           ">Zadejte aktuální přístupový kód:;>Zadejte nový přístupový kód:;"
           ">Znovu zadejte nový přístupový kód:;Nový přístupový kód přijat!;24. 12. 2026 13:04:05"
           "|3 85 Výtah 1234 clock";
    QTest::newRow("key counts, clock stops")
        << en << 10
        << "commentLengthBox:2a35 %keyCountLabel commentLengthBox:0 %keyCountLabel commentLengthBox:85 "
           "%keyCountLabel commentLengthBox:236 %keyCountLabel Wait %clockLabel setClockBox Zero Wait "
           "%clockLabel %setClockBox"
        << "262;4369;655;---;2026-12-24 13:04:05;---;_!|open";
    const QString question = '?' + warning + "\r\n\r\nThis change drops 0 keys and cuts 2 comments. Go on?";
    QTest::newRow("comment length warnings")
        << en << 10 << "commentLengthBox Tab commentLengthBox=5 okButton Yes okButton"
        << warning + ';' + question + ";@commentLengthBox;" + question + "|10 5 Výtah 5 4719";
    QTest::newRow("codes refused, unit silent")
        << en << 10
        << "#4718 changeAccessCodeButton #4719 #1234 #1235 changeAccessCodeButton #4719 #- "
           "changeAccessCodeButton commentLengthBox Silent %okButton cancelButton"
        << ">Enter current password:;Invalid password!;>Enter current password:;>Enter new password:;"
           ">Re-enter new password:;Passwords do not match!;>Enter current password:;>Enter new password:;"
           "OK!;0|QEL key|Error no. 600 - QEL disconnected|closed";
  }
  void settingsDialogDrawsJudgesAndForwards() {
    QFETCH(Language, language);
    QFETCH(int, accessTime);
    QFETCH(QString, steps);
    QFETCH(QString, outcome);
    SettingsHarness h(language, accessTime);
    h.dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&h.dialog));
    h.Do(steps);
    QString end = h.dialog.isVisible() ? "open" : "closed";
    if (h.dialog.result() == QDialog::Accepted)
      end = QStringLiteral("%1 %2 %3 %4%5")
                .arg(h.logic.accessTime())
                .arg(h.logic.commentLength())
                .arg(ToQString(Cp1250ToUtf8(h.logic.elevatorName())))
                .arg(h.logic.accessCode())
                .arg(h.logic.entries().setClock ? " clock" : "");
    QCOMPARE((h.told + h.interactions.boxes).join(';') + '|' + end, outcome);
    // A screen reader can name every control.
    QCOMPARE(Unnamed(h.dialog), QStringList());
  }

  // The texts; what the buttons ask refused, then confirmed (Esc, reject and close cannot end the
  // deletion); what the four patterns enable; the confirmation's texts.
  void archiveDialogDrawsForwardsAndStaysOpenWhileATransferRuns_data() {
    QTest::addColumn<Language>("language");
    QTest::addColumn<QString>("outcome");
    const QString asked =
        "|QEL data (*.kym)|kym;>%1; (*.csv)|csv;>%2;>%3;>%1;QEL data (*.kym);>%2"
        "|______|x____x|_____x|xxxxxx|QEL key/OK/%4";
    QTest::newRow("English")
        << Language::English
        << "QEL key/Copy memory from QEL to PC/Copy memory from PC to QEL/Export QEL memory to "
           "file/Delete all QEL keys/Delete all QEL logs/Cancel" +
               asked.arg("I am sure I want to rewrite ALL QEL keys",
                         "I am sure I want to delete ALL QEL keys", "I am sure I want to delete ALL QEL logs",
                         "Cancel");
    QTest::newRow("Czech")
        << Language::Czech
        << "QEL key/Zkopírovat paměť z QEL do PC/Zkopírovat paměť z PC do QEL/Exportovat paměť "
           "z QEL do souboru/Smazat všechny klíče z QEL/Smazat všechny logy z QEL/Zpět" +
               asked.arg("Chci přepsat VŠECHNY klíče ve QEL", "Chci smazat VŠECHNY klíče z QEL",
                         "Chci smazat VŠECHNY logy z QEL", "Zpět");
  }
  void archiveDialogDrawsForwardsAndStaysOpenWhileATransferRuns() {
    QFETCH(Language, language);
    QFETCH(QString, outcome);
    ArchiveHarness h(language);
    h.dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&h.dialog));
    DoSteps(h.dialog, kArchiveState, h.asked);
    h.yes = true;
    DoSteps(h.dialog, "copyToUnitButton deleteKeysButton", h.asked);
    QTest::keyClick(&h.dialog, Qt::Key_Escape);
    h.dialog.reject();
    h.dialog.close();
    QVERIFY(h.dialog.isVisible());
    QTRY_VERIFY(h.logic.MayClose());
    QTest::keyClick(&h.dialog, Qt::Key_Escape);
    QVERIFY(!h.dialog.isVisible());
    QString seen = Buttons(h.dialog, kArchiveState + " cancelButton") + '|' + h.asked.join(';');
    using enum ArchiveState;
    for (ArchiveState pattern : {Busy, Failed, SettingsFailed, Ready}) {
      h.dialog.SetButtons(pattern);
      seen += Buttons(h.dialog, kArchiveState + " cancelButton", true);
    }
    QCOMPARE(seen + '|' + Buttons(CConfirmDlg(language, ""), "okButton cancelButton"), outcome);
  }

  // The import's preview names the keys to add with their IDs and the lines skipped, with the
  // count and the save's time; its OK closes the archive dialog with the import for the main
  // window to save.
  void importPreviewListsTheKeysAndItsOkClosesTheArchive() {
    const auto wire = [](std::uint8_t first) {
      KeyCode code{};
      for (std::uint8_t i = 0; i < 7; ++i) code[i] = static_cast<std::uint8_t>(first + i);
      code[7] = Crc8Maxim(std::span(code).first(7));
      return code;
    };
    ArchiveHarness h(Language::English);
    KeyMemoryImage& image = h.window.controller().image();
    image.StoreRecord(0, wire(0x01), FloorsOf({1}), "held");
    image.StoreRecord(2, wire(0x11), FloorsOf({2}), "other");
    h.window.controller().RefillKeyList();
    QTemporaryDir folder;
    h.openAnswer = std::filesystem::path(folder.filePath("keys.csv").toStdString());
    std::ofstream csv(*h.openAnswer, std::ios::binary);
    csv << CsvExportHeader(Language::English) << "\r\n";
    for (const auto& [code, comment] :
         {std::pair{wire(0x21), "Nový"}, {wire(0x01), "held"}, {wire(0x31), "B"}, {wire(0x21), "again"}}) {
      csv << "0;" << comment << ';' << KeyCodeToText(code) << ";o";
      for (int floor = 23; floor >= 1; --floor) csv << (floor == 5 ? ";o" : ";x");
      csv << "\r\n";
    }
    csv.close();
    QString seen;
    h.preview = [&](QWidget* parent, const ImportPlan& plan) {
      CImportDlg preview(plan, Language::English, parent);
      preview.show();
      seen = ChildOf<QLabel>(preview, "importSummary")->text();
      const QAbstractItemModel* keys = ChildOf<QTableView>(preview, "importKeys")->model();
      for (int row = 0; row < keys->rowCount(); ++row) {
        seen += '|';
        for (int column = 0; column < keys->columnCount(); ++column)
          seen += keys->index(row, column).data().toString() + ';';
      }
      const QAbstractItemModel* skipped = ChildOf<QListView>(preview, "importSkipped")->model();
      for (int row = 0; row < skipped->rowCount(); ++row)
        seen += '|' + skipped->index(row, 0).data().toString();
      QTest::mouseClick(ChildOf<QPushButton>(preview, "okButton"), Qt::LeftButton);
      return preview.result() == QDialog::Accepted;
    };
    h.dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&h.dialog));
    QTest::mouseClick(ChildOf<QPushButton>(h.dialog, "importButton"), Qt::LeftButton);
    QCOMPARE(
        seen,
        QString("Keys to add: 2; saving them takes 0:31. Lines skipped: 2.|1;Nový;A827262524232221;5, 24;"
                "|3;B;7737363534333231;5, 24;|Line 3: the key 0F07060504030201 is in QEL already (ID 0); "
                "skipped.|Line 5: the key A827262524232221 is on line 2 already; skipped."));
    QVERIFY(!h.dialog.isVisible());
    QVERIFY(h.logic.import() && h.logic.import()->keys.size() == 2);
  }

  // Whether OK can be pressed before each step and after the last: Enter accepts only then.
  void confirmationNeedsTheTick() {
    CConfirmDlg dialog(Language::English, "Sure");
    dialog.show();
    QStringList seen;
    DoSteps(dialog,
            "%okButton Return %okButton confirmBox %okButton confirmBox %okButton Return %okButton "
            "confirmBox %okButton Return",
            seen, [&](const QString&) { QTest::keyClick(&dialog, Qt::Key_Return); });
    QCOMPARE(seen.join(';') + (dialog.isVisible() ? "|open" : "|closed"), "OK!;OK!;OK;OK!;OK!;OK|closed");
    QCOMPARE(dialog.result(), QDialog::Accepted);
  }

  // Qt's own save dialog over a folder holding old.kym: the question asked (answered No) and the
  // file chosen for each name typed.
  void saveDialogAddsTheSuffixAndAsksBeforeReplacing() {
    QTemporaryDir dir;
    QVERIFY(QFile(dir.filePath("old.kym")).open(QIODevice::WriteOnly));
    QString seen;
    for (const QString typed : {"old", "new"}) {
      QTimer::singleShot(0, this, [&] {
        auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        // The replace question waits in a loop of its own, inside the file dialog's accept.
        QTimer::singleShot(0, chooser, [&] {
          if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen += box->text().section('\n', 0, 0);
            box->button(QMessageBox::No)->click();
          }
        });
        chooser->setDirectory(dir.path());
        chooser->selectFile(typed);
        QMetaObject::invokeMethod(chooser, "accept");
        if (chooser->isVisible()) chooser->reject();
      });
      const Path chosen = ChooseFileToSave(nullptr, "Save", "QEL data (*.kym)", "kym");
      seen += '|' + (chosen ? ToQString(chosen->filename().string()) : "none") + '|';
    }
    QCOMPARE(seen, "old.kym already exists.|none||new.kym|");
  }
};

}  // namespace

int RunDialogTests(int argc, char** argv) {
  DialogTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace qel::test

#include "DialogTest.moc"
