#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>

#include "tests/ui/UiTests.h"
#include "tests/ui/WindowHarness.h"
#include "ui/CArchiveDlg.h"
#include "ui/QtTexts.h"

namespace qel::test {
namespace {

using Path = std::optional<std::filesystem::path>;
const QString kArchiveButtons =
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
    window.controller().sequencer().linkOpen = 1;
  }
  ArchiveDialog logic{window.controller()};
  bool yes = false;
  QStringList asked;
  CArchiveDlg dialog{
      logic,
      {[this](QWidget*, QMessageBox::Icon, const QString&, const QString& text) { asked << '!' + text; },
       [this](QWidget*, Language, const QString& prompt) { return asked << '>' + prompt, yes; },
       [this](QWidget*, const QString&, const QString& filter) { return asked << filter, Path(); },
       [this](QWidget*, const QString&, const QString& filter, const QString& suffix) {
         return asked << filter + '|' + suffix, Path();
       }}};
};

class ArchiveDialogTest : public QObject {
  Q_OBJECT

 private slots:
  // The texts; what the buttons ask refused, then confirmed (Esc, reject and close cannot end the
  // deletion); what the four patterns enable; the confirmation's texts.
  void drawsForwardsAndStaysOpenWhileATransferRuns_data() {
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
  void drawsForwardsAndStaysOpenWhileATransferRuns() {
    QFETCH(Language, language);
    QFETCH(QString, outcome);
    ArchiveHarness h(language);
    h.dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&h.dialog));
    DoSteps(h.dialog, kArchiveButtons, h.asked);
    h.yes = true;
    DoSteps(h.dialog, "copyToUnitButton deleteKeysButton", h.asked);
    QTest::keyClick(&h.dialog, Qt::Key_Escape);
    h.dialog.reject();
    h.dialog.close();
    QVERIFY(h.dialog.isVisible());
    QTRY_VERIFY(h.logic.MayClose());
    QTest::keyClick(&h.dialog, Qt::Key_Escape);
    QVERIFY(!h.dialog.isVisible());
    QString seen = Buttons(h.dialog, kArchiveButtons + " cancelButton") + '|' + h.asked.join(';');
    using enum ArchiveButtons;
    for (ArchiveButtons pattern : {Busy, Failed, SettingsFailed, Ready}) {
      h.dialog.SetButtons(pattern);
      seen += Buttons(h.dialog, kArchiveButtons + " cancelButton", true);
    }
    QCOMPARE(seen + '|' + Buttons(CConfirmDlg(language, ""), "okButton cancelButton"), outcome);
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

int RunArchiveDialogTests(int argc, char** argv) {
  ArchiveDialogTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace qel::test

#include "ArchiveDialogTest.moc"
