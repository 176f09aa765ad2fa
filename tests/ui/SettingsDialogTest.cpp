#include <QLineEdit>

#include "tests/ui/UiTests.h"
#include "tests/ui/WindowHarness.h"
#include "ui/CSettingsDlg.h"
#include "ui/QtTexts.h"

namespace qel::test {
namespace {

// A settings dialog for a unit with comment length 85, the main relay inverted, the name "Výtah 5"
// and two keys, whose clock reads 2026-12-24 13:04:05. What the operator is told, asked (?) and
// prompted for (>) goes to `told` in turn, with the notes of the steps.
struct SettingsHarness final : SerialWarnings {
  SettingsHarness(Language language, int accessTime)
      : setup{language, accessTime, 85, false, true, "Výtah 5", 4719} {
    line.reply = {0x05, 0x04, 0x13, 0x04, 0x24, 0x12, 0x26};
    ports.Assign(1, "unit");
    port.Open(1);
    window.controller().image().StoreRecord(0, Code(0x10), {}, Utf8ToCp1250("Správce").bytes);
    window.controller().image().StoreRecord(2, Code(0x40), {}, Utf8ToCp1250("Nájemník 4").bytes);
    least = dialog.minimumSizeHint();
  }
  void ShowSerialWarning(std::string_view) override {}
  // DoSteps, where "Texts" notes every caption, "#N" ("#-": Cancel) answers the next code prompt,
  // "Yes" the questions; "Zero" stops the unit's clock, "Silent" the unit; "Wait" lets two clock
  // requests go out.
  void Do(const QString& steps) {
    DoSteps(dialog, steps, told, [this](const QString& step) {
      if (step == "Texts") told << Texts();
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
  QString Texts() const {
    QStringList texts{dialog.windowTitle()};
    for (const QWidget* control : dialog.findChildren<QWidget*>(QRegularExpression("(Label|Box|Button)$")))
      if (!control->inherits("QLineEdit") && control->objectName() != "clockLabel")
        texts << control->property("text").toString();
    return texts.join('/');
  }

  SettingsDialogSetup setup;
  ReplyingLine line;
  PortTable ports;
  CSerialPort port{line, ports, *this};
  CountingClock clock;
  RecordingInteractions interactions;
  CQelKeyDlg window{port, clock, interactions, setup.language};
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

class SettingsDialogTest : public QObject {
  Q_OBJECT

 private slots:
  // After the steps: what the operator was told and the states noted, then how the dialog ended
  // (the access time, comment length, name and access code taken, and whether to set the clock).
  void drawsJudgesAndForwards_data() {
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
        << "QEL key/Čas přístupu/Trvalý přístup/Počet znaků komentáře/Maximální počet klíčů/655/"
           "Inverze hlavního relé/Inverze relé/Nastavit čas podle PC/Aktuální čas ve QEL/Název výtahu/"
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
  void drawsJudgesAndForwards() {
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
};

}  // namespace

int RunSettingsDialogTests(int argc, char** argv) {
  SettingsDialogTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace qel::test

#include "SettingsDialogTest.moc"
