#include <QAbstractItemModelTester>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QToolTip>

#include "tests/support/PtyPair.h"
#include "tests/ui/UiTests.h"
#include "tests/ui/WindowHarness.h"
#include "ui/CAboutDlg.h"
#include "ui/CHelpDlg.h"
#include "ui/CKeyDlg.h"
#include "ui/CQelKeyApp.h"
#include "ui/Desktop.h"
#include "ui/KeyListPrinter.h"
#include "ui/OperationTimers.h"
#include "ui/QtTexts.h"
#include "ui/StartOptions.h"

namespace qel::test {
namespace {

using std::chrono::milliseconds;

const QColor kAmber(255, 191, 0);
constexpr int kKeys = 30;

QColor ColourOf(QTableView& view, int row) {
  const QRect cell = view.visualRect(view.model()->index(row, KeyListModel::KeyColumn));
  return view.viewport()->grab().toImage().pixelColor(cell.right() - 4, cell.center().y());
}

// A code of 16 wide digits, "DDDD…" in the list.
KeyCode WideCode() {
  KeyCode code{};
  std::fill_n(code.begin(), 8, std::uint8_t{0xDD});
  return code;
}

// Whether the list shows a tooltip over the cell, and its text.
QString TipOver(KeyListView& list, int row, int column) {
  const QPoint centre = list.visualRect(list.model()->index(row, column)).center();
  QHelpEvent event(QEvent::ToolTip, centre, list.viewport()->mapToGlobal(centre));
  QApplication::sendEvent(list.viewport(), &event);
  return QToolTip::isVisible() ? QToolTip::text() : QString();
}

// The program started from the source folder, where the help page lies.
struct InSourceDir {
  const QString started = QDir::currentPath();
  InSourceDir() { QDir::setCurrent(QStringLiteral(QEL_SOURCE_DIR)); }
  ~InSourceDir() { QDir::setCurrent(started); }
};

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  // A fresh Czech window, then its texts renamed by the language button and back; each language's
  // buttons have mnemonics of their own, and F1 or Alt and a mnemonic press them.
  // At twice the size on a 1280 × 900 screen (640 × 450 as the window counts), the smallest window,
  // all 24 floors in it, leaves room for a title bar and a task bar; the demo reader stands beside
  // the window where the screen has room for it, else over it, never off the screen.
  void windowAndDemoReaderFitATwiceScaledScreen() {
    WindowHarness h(Language::Czech);
    QVERIFY(h.Show());
    const QSize least = h.window.minimumSize();
    QVERIFY2(least.width() <= 640 && least.height() <= 450 - 60, qPrintable(QString::number(least.height())));
    const QRect screen(0, 0, 640, 450);
    const QSize reader(200, 100);
    const struct {
      QRect window;
      QPoint reader;
    } kRows[] = {
        {{0, 0, 300, 200}, {308, 0}},      // at its right
        {{330, 0, 300, 200}, {122, 0}},    // at its left
        {{100, 0, 500, 300}, {100, 308}},  // no room at either side: below
        {{0, 0, 600, 440}, {440, 0}},      // no room anywhere: over its right edge
    };
    for (const auto& row : kRows) {
      const QPoint at = PlaceBeside(row.window, reader, screen, 8);
      QCOMPARE(at, row.reader);
      QVERIFY(screen.contains(QRect(at, reader)));
    }
  }
  void windowBuildsItsControlsInBothLanguages() {
    const InSourceDir here;
    WindowHarness h(Language::Czech);
    QVERIFY(h.Show());
    for (const char* name : kCommandButtons)
      QCOMPARE(h.Child<QPushButton>(name)->isEnabled(), QByteArray(name) == "connectButton");
    QVERIFY(h.Child<QPushButton>("helpButton")->isEnabled() &&
            h.Child<QPushButton>("languageButton")->isEnabled());
    QVERIFY(h.Child<QPushButton>("connectButton")->isDefault());
    QCOMPARE(h.List()->model()->rowCount(), 0);
    QCOMPARE(TickedFloors(h.window), QString());
    // Full contrast, yet out of the operator's reach.
    for (int floor = 1; floor <= 24; ++floor)
      QVERIFY(h.Floor(floor)->isEnabled() && h.Floor(floor)->focusPolicy() == Qt::NoFocus &&
              h.Floor(floor)->testAttribute(Qt::WA_TransparentForMouseEvents));
    QCOMPARE(h.Log() + h.Child<QLabel>("settingsLine")->text() + h.Child<QLabel>("elevatorNameLine")->text(),
             QString());
    h.Click("aboutButton");
    QVERIFY(h.interactions.abouts == std::vector{Language::Czech});
    QCOMPARE(ChildOf<QLabel>(CAboutDlg(Language::Czech), "versionLabel")->text(),
             "QEL key, verze " QEL_VERSION);
    QTest::keyClick(&h.window, Qt::Key_F1);
    QCOMPARE(h.interactions.pages.size(), std::size_t(1));

    h.StoreTwoKeys();
    h.ports.Assign(4, "/dev/pts/99");
    h.interactions.connectAnswer = ManualPort(70);
    h.Click("connectButton");
    const ConnectDialogSetup& asked = h.interactions.connectQuestions.at(0);
    QVERIFY(asked.mode == ConnectMode::Connect && asked.language == Language::Czech);
    QVERIFY(asked.ports == (std::vector<std::pair<int, std::string>>{{4, "/dev/pts/99"}}));
    h.window.controller().settings().accessTime = 10;
    h.window.controller().settings().elevatorName = Utf8ToCp1250("Výtah <b>5</b>").bytes;
    h.window.controller().ShowSettingsLine();
    QCOMPARE(h.window.windowTitle(), "QEL key");
    h.window.controller().sequencer().LinkOpened();
    h.window.controller().ShowSettingsLine();
    // While connected the title names the lift.
    QCOMPARE(h.window.windowTitle(), "QEL key - Výtah <b>5</b>");
    // The unit's texts are shown as they are, and wholly in the tool tip.
    for (const char* name : {"elevatorNameLine", "settingsLine"}) {
      auto* label = h.Child<QLabel>(name);
      QVERIFY(label->textFormat() == Qt::PlainText && label->toolTip() == label->text());
    }
    QCOMPARE(h.Child<QLabel>("elevatorNameLine")->text(), "Výtah <b>5</b>");
    const QString log = h.Log();
    QVERIFY(!log.isEmpty());
    const auto mnemonicsApart = [&] {
      QStringList texts{h.Child<QPushButton>("helpButton")->text(),
                        h.Child<QPushButton>("languageButton")->text(),
                        h.Child<QAbstractButton>("aboutButton")->text(),
                        h.Child<QPushButton>("changeFloorsButton")->text(),
                        h.Child<QPushButton>("printButton")->text(),
                        h.Child<QPushButton>("stopButton")->text(),
                        QTr(Text::ButtonDisconnect, h.window.controller().language())};
      for (const char* name : kCommandButtons) texts << h.Child<QPushButton>(name)->text();
      QSet<QChar> keys;
      for (const QString& text : texts)
        if (text.count('&') == 1) keys.insert(text.at(text.indexOf('&') + 1).toLower());
      const QString connect = h.Child<QPushButton>("connectButton")->text();
      return keys.size() == texts.size() &&
             h.Child<QPushButton>("connectButton")->accessibleName() == WithoutMnemonic(connect);
    };

    const QStringList czech = h.Texts();
    QVERIFY(mnemonicsApart());
    h.Click("languageButton");
    const QStringList english = h.Texts();
    QVERIFY(mnemonicsApart());
    QVERIFY(english[13].startsWith("Access time: 10"));
    // Every control is named in both languages, and every text but these few changes.
    const QStringList neutral{"Výtah <b>5</b>", "ID:", "About QEL key..."};
    QVERIFY(czech.size() >= 14 + 24 + 14 && english.size() == czech.size());
    for (qsizetype i = 0; i < czech.size(); ++i)
      QVERIFY2(!czech[i].isEmpty() && (czech[i] != english[i] || neutral.contains(czech[i])),
               qPrintable(english[i]));
    QCOMPARE(h.Log(), log);
    QCOMPARE(h.List()->model()->rowCount(), 2);
    QCOMPARE(h.List()->model()->index(1, 1).data().toString(), "Nájemník 4");

    h.Click("languageButton");
    QCOMPARE(h.Texts(), czech);
    QCOMPARE(h.Log(), log);
    // Alt and the mnemonic press the button: "Nápově&da".
    QTest::keyClick(&h.window, Qt::Key_D, Qt::AltModifier);
    QTRY_COMPARE(h.interactions.pages.size(), std::size_t(2));
  }

  // At its least size the window takes a progress bar under the log without growing; the floors
  // stand in two columns, odd ones on the left, floor 1 on top; the newest log line comes first.
  void layoutGrowsWithTheWindowAndProgressComesUnderTheLog() {
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

    for (int floor = 1; floor <= 23; floor += 2) {
      const QRect odd = h.Floor(floor)->geometry();
      QVERIFY(odd.x() < h.Floor(floor + 1)->geometry().x() && odd.y() == h.Floor(floor + 1)->geometry().y());
      if (floor > 1) QVERIFY(odd.y() > h.Floor(floor - 2)->geometry().y());
    }
    for (int line = 1; line <= 60; ++line)
      h.window.controller().sequencer().AppendLog("line " + std::to_string(line));
    auto* log = h.Child<QPlainTextEdit>("log");
    QVERIFY(h.Log().startsWith("line 60\nline 59\n"));
    QVERIFY(log->verticalScrollBar()->maximum() > 0 && log->verticalScrollBar()->value() == 0);
    const QSize listBefore = h.List()->size();
    const QSize logBefore = log->size();
    h.window.resize(1000, 760);
    QTRY_VERIFY(h.List()->width() > listBefore.width() && h.List()->height() > listBefore.height());
    QVERIFY(log->width() > logBefore.width() && log->height() > logBefore.height());
  }

  void listShowsTheFloorsOfThePickedOrPresentedKey() {
    WindowHarness h(Language::English);
    h.StoreTwoKeys();
    QVERIFY(h.Show());
    KeyListView* list = h.List();
    auto* model = static_cast<KeyListModel*>(list->model());
    const auto click = [&](int row, Qt::MouseButton button) {
      QTest::mouseClick(list->viewport(), button, {}, list->visualRect(model->index(row, 1)).center());
    };
    click(1, Qt::LeftButton);
    QCOMPARE(TickedFloors(h.window), "2 24");
    click(0, Qt::LeftButton);
    click(1, Qt::RightButton);
    QCOMPARE(TickedFloors(h.window), "1 3");
    click(0, Qt::LeftButton);

    // A resident's key at the reader: amber with its floors, and the operator's row stays selected.
    h.window.controller().ReaderReport(true, Code(0x40));
    QVERIFY(model->IsHighlighted(1) && !model->IsHighlighted(0));
    QCOMPARE(list->FirstSelectedRow(), std::optional<int>(0));
    QCOMPARE(TickedFloors(h.window), "2 24");
    QCOMPARE(ColourOf(*list, 1), kAmber);
    // Taken away from the reader: drawn paler and saying so, and the selected row's floors are back.
    h.window.controller().ReaderReport(false, Code(0x40));
    QVERIFY(model->IsHighlighted(1) && ColourOf(*list, 1) != kAmber);
    QVERIFY(!model->index(1, 0).data(Qt::FontRole).value<QFont>().bold());
    QCOMPARE(model->index(1, 0).data(Qt::ToolTipRole).toString(), "Key last presented at the reader");
    QCOMPARE(TickedFloors(h.window), "1 3");

    // The keyboard walks the list with the floors of each row it reaches.
    QTest::keyClick(list, Qt::Key_Down);
    QVERIFY(!model->IsHighlighted(1));
    QCOMPARE(TickedFloors(h.window), "2 24");
    QCOMPARE(list->FirstSelectedRow(), std::optional<int>(1));
    QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(TickedFloors(h.window), "1 3");
    QVERIFY(ColourOf(*list, 0) != kAmber && ColourOf(*list, 0) != ColourOf(*list, 1));
    // Enter presses the default button, Connect, and leaves the list as it is.
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(h.interactions.connectQuestions.size(), std::size_t(1));
    QCOMPARE(list->FirstSelectedRow(), std::optional<int>(0));
    // Coming back to the list shows the floors of the selected row.
    h.Child<QPushButton>("languageButton")->setFocus();
    list->setFocus(Qt::TabFocusReason);
    QCOMPARE(TickedFloors(h.window), "1 3");
  }

  // A header click sorts, a second one reverses, the indicator says so and a language switch keeps
  // it; the operator's key stays selected and stays the commands' target. A code cut by a narrowed
  // column shows its whole text in a tooltip.
  void headerSortsTheKeysAndCutCellsTellTheirText() {
    WindowHarness h(Language::English);
    h.StoreTwoKeys();
    QVERIFY(h.Show());
    UnitController& controller = h.window.controller();
    controller.image().StoreRecord(1, WideCode(), FloorsOf({5}), "Cyril");
    controller.RefillKeyList();
    KeyListView* list = h.List();
    QHeaderView* header = list->horizontalHeader();
    const auto shown = [&] {
      QStringList ids;
      for (int row = 0; row < list->model()->rowCount(); ++row)
        ids << list->model()->index(row, KeyListModel::IdColumn).data().toString();
      return ids.join(' ') + (header->sortIndicatorOrder() == Qt::AscendingOrder ? " up " : " down ") +
             QString::number(header->sortIndicatorSection());
    };
    QCOMPARE(shown(), "0 1 2 up 0");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(2, KeyListModel::IdColumn)).center());
    for (const auto& [column, after] : {std::pair{KeyListModel::CommentColumn, "1 2 0 up 1"},
                                        std::pair{KeyListModel::CommentColumn, "0 2 1 down 1"},
                                        std::pair{KeyListModel::IdColumn, "0 1 2 up 0"},
                                        std::pair{KeyListModel::IdColumn, "2 1 0 down 0"}}) {
      QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                        QPoint(header->sectionViewportPosition(column) + 4, header->height() / 2));
      QCOMPARE(shown(), after);
      QCOMPARE(controller.selection().Target(list->FirstSelectedRow(), controller.image()), 2);
    }
    h.Click("languageButton");
    QCOMPARE(shown(), "2 1 0 down 0");

    list->setColumnWidth(KeyListModel::KeyColumn, header->sectionSizeHint(KeyListModel::KeyColumn) / 2);
    QCOMPARE(TipOver(*list, 1, KeyListModel::KeyColumn), "DDDDDDDDDDDDDDDD");
  }

  // After the steps on the shown window over two keys (IDs 0 and 2): the notes, the questions asked
  // (answered No), the key dialogs run and how often Connect asked. Besides DoSteps': "RowN" and
  // "DoubleN" click row N; "MenuN" opens its menu, notes it and takes Replace; "@name"
  // focuses the control; "Shown" notes the rows shown and the first ID, "Focus" the control with the
  // focus, "Selected" its selected text, "Log" the newest line of the log; "Connected", "Busy" (an operation
  // runs), "LinkLost" and "ReaderN" (row N's key presented) act as the unit would; any other step is a key
  // pressed.
  void windowForwardsThePointerAndTheKeys_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("filter, Ctrl+F selects it, Escape clears it")
        << "keyFilter:NAJ Shown %keyFilterSummary @keyList Ctrl+F Focus Selected Escape Shown %keyFilter"
        << "1:2;Keys shown: 1 of 2;keyFilter;NAJ;2:0;|||0";
    QTest::newRow("buttons, double click and menu; none while an operation runs")
        << "Connected editKeyButton Log Row1 editKeyButton Double1 deleteKeyButton Shown addKeysButton Menu1 "
           "settingsButton archiveButton Busy Double1"
        << "No key chosen;2:0;&Edit key,&Delete key,&Replace lost key...,Change &floors…|QEL|Do you really "
           "want to delete "
           "key with ID 2 "
           "(Nájemník 4, KJIHGFEDCBA@)?|edit 2;edit 2;add 1;replace 2;settings;archive|0";
    QTest::newRow("a key at the reader leaves the operator's row; Esc closes nothing")
        << "Connected Row1 Reader0 deleteKeyButton Double1 Escape @connectButton Escape @keyFilter Escape"
        << "|QEL|Do you really want to delete key with ID 2 (Nájemník 4, KJIHGFEDCBA@)?|edit 2|0";
    QTest::newRow("the link drops with the focus in the list")
        << "Connected @keyList Focus LinkLost Focus Return"
        << "keyList;connectButton|||1";
    QTest::newRow("the language switches with the focus on its button")
        << "@languageButton Focus languageButton Focus Return"
        << "languageButton;languageButton|||1";
  }
  void windowForwardsThePointerAndTheKeys() {
    QFETCH(QString, steps);
    QFETCH(QString, outcome);
    WindowHarness h(Language::English);
    h.StoreTwoKeys();
    QVERIFY(h.Show());
    KeyListView* list = h.List();
    QStringList notes;
    DoSteps(h.window, steps, notes, [&](const QString& step) {
      const QPoint row = list->visualRect(list->model()->index(step.back().digitValue(), 1)).center();
      QWidget* focus = QApplication::focusWidget();
      if (step.startsWith("Row")) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
      } else if (step.startsWith("Double")) {
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
      } else if (step.startsWith("Menu")) {
        emit list->customContextMenuRequested(row);
        auto* menu = h.window.findChild<QMenu*>(QStringLiteral("keyMenu"));
        QVERIFY(menu != nullptr && menu->isVisible());
        QStringList texts;
        for (const QAction* action : menu->actions()) texts << action->text();
        notes << texts.join(',');
        menu->findChild<QAction*>(QStringLiteral("replaceAction"))->trigger();
      } else if (step.startsWith('@')) {
        h.Child<QWidget>(qPrintable(step.mid(1)))->setFocus(Qt::TabFocusReason);
      } else if (step == "Shown") {
        notes << QStringLiteral("%1:%2")
                     .arg(list->model()->rowCount())
                     .arg(list->model()->index(0, 0).data().toString());
      } else if (step == "Log") {
        notes << h.Log().section('\n', 0, 0);
      } else if (step == "Focus") {
        notes << focus->objectName();
      } else if (step == "Selected") {
        notes << qobject_cast<QLineEdit*>(focus)->selectedText();
      } else if (step == "Connected") {
        h.Connect();
      } else if (step == "Busy") {
        h.window.controller().sequencer().DisableCommands();
      } else if (step.startsWith("Reader")) {
        h.window.controller().ReaderReport(true, step.back() == '0' ? Code(0x10) : Code(0x40));
      } else if (step == "LinkLost") {
        h.window.controller().sequencer().ReportError(600, ErrorKind::LinkLost, "");
      } else {
        QTest::keySequence(focus, QKeySequence(step));
      }
    });
    QStringList dialogs;
    for (const KeyDialogSetup& dialog : h.interactions.keyDialogs)
      dialogs << QStringLiteral("%1 %2")
                     .arg(dialog.replacing ? "replace"
                          : dialog.addMode ? "add"
                                           : "edit")
                     .arg(dialog.keyId);
    dialogs << h.interactions.otherDialogs;
    QCOMPARE(notes.join(';') + '|' + h.interactions.questions.join(';') + '|' + dialogs.join(';') + '|' +
                 QString::number(h.interactions.connectQuestions.size()),
             outcome);
    QVERIFY(h.window.isVisible());
  }

  // Ctrl+A chooses both keys: Enter asks for one, the keyboard's Delete asks once about both, and
  // the menu offers what acts on several; with one key chosen Enter edits it.
  void severalKeysAreChosenTogether() {
    WindowHarness h(Language::English);
    h.StoreTwoKeys();
    QVERIFY(h.Show());
    h.Connect();
    KeyListView* list = h.List();
    const auto row = [list](int n) { return list->visualRect(list->model()->index(n, 1)).center(); };
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row(0));
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(list->SelectedRows(), (std::vector<int>{0, 1}));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(h.Log().section('\n', 0, 0), QStringLiteral("Choose one key to edit"));
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(h.interactions.questions.size(), 1);
    const QString& question = h.interactions.questions[0];
    QVERIFY2(question.startsWith("QEL|Do you really want to delete these 2 keys?\nID 0 (Správce, ") &&
                 question.endsWith(")\nID 2 (Nájemník 4, KJIHGFEDCBA@)"),
             qPrintable(question));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row(0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ShiftModifier, row(1));
    emit list->customContextMenuRequested(row(1));
    auto* menu = h.window.findChild<QMenu*>(QStringLiteral("keyMenu"));
    QVERIFY(menu != nullptr);
    QStringList texts;
    for (const QAction* action : menu->actions()) texts << action->text();
    QCOMPARE(texts.join(','), QStringLiteral("&Delete keys,Change &floors…"));
    menu->findChild<QAction*>(QStringLiteral("changeFloorsAction"))->trigger();
    QCOMPARE(h.interactions.floorChangeKeys, std::vector<int>{2});
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row(1));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(h.interactions.keyDialogs.size(), std::size_t(1));
    QCOMPARE(h.interactions.keyDialogs[0].keyId, 2);
  }

  // Run in a child under each scale factor on a 1280 x 900 screen (ProbeWindowSizes): the window's
  // least size leaves a tenth of the screen, every control whole and apart; it starts on the
  // screen, no smaller than that, and neither a connect nor a language switch resizes it; after the
  // switch a code of 16 wide digits fits its column.
  void windowFitsTheScreenAndNeverResizesItself() {
    QTemporaryDir dir;
    QFile screens(dir.filePath("screens.json"));
    QVERIFY(screens.open(QIODevice::WriteOnly));
    screens.write(R"({"screens": [{"name": "S", "x": 0, "y": 0, "width": 1280, "height": 900}]})");
    screens.close();
    for (const double scale : {1.0, 1.5, 2.0}) {
      QProcess child;
      QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
      environment.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName());
      environment.insert("QT_SCALE_FACTOR", QString::number(scale));
      environment.insert(kSizeProbe, "1");
      child.setProcessEnvironment(environment);
      child.start(QCoreApplication::applicationFilePath(), {});
      QVERIFY(child.waitForFinished(30000) && child.exitCode() == 0);
      const QString printed = QString::fromLatin1(child.readAllStandardOutput()).simplified();
      QVERIFY2(printed.startsWith(QStringLiteral("%1x%2 fits starts-on-screen kept whole codes-whole")
                                      .arg(qRound(1280 / scale))
                                      .arg(qRound(900 / scale))),
               qPrintable(printed));
    }
  }

  void keyListHighlightsWholeRowsAndScrollsToThem() {
    KeyListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    KeyListView view(model);
    view.resize(600, 200);
    std::vector<KeyListRow> rows;
    for (int id = 0; id < 200; ++id) rows.push_back({id, "Nájemník " + std::to_string(id), "0123ABCD"});
    rows[147].mark = KeyMark::DeletionNotConfirmed;
    rows[148].mark = KeyMark::DeletedNotStored;
    model.SetRows(rows);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QVERIFY(!model.headerData(3, Qt::Horizontal).isValid() && !model.headerData(0, Qt::Vertical).isValid());

    model.SetKeyAtReader(true);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    view.SetRowHighlight(150, true);
    view.SetRowHighlight(150, true);
    view.SetRowHighlight(200, true);
    model.SetHighlighted(-1, true);
    QCOMPARE(changed.count(), 1);
    QVERIFY(changed[0][0].toModelIndex() == model.index(150, 0) &&
            changed[0][1].toModelIndex() == model.index(150, 2));
    for (int column = 0; column < 3; ++column) {
      QCOMPARE(model.index(150, column).data(Qt::BackgroundRole).value<QBrush>().color(), kAmber);
      QVERIFY(model.index(150, column).data(Qt::FontRole).value<QFont>().bold());
    }
    QVERIFY(!model.IsHighlighted(149) && !model.index(149, 0).data(Qt::BackgroundRole).isValid() &&
            !model.index(149, 0).data(Qt::FontRole).isValid());
    // Keys a write left behind: pale red, with what the unit holds of them in the tooltip.
    QCOMPARE(model.index(148, 2).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 205, 205));
    QCOMPARE(model.index(148, 0).data(Qt::ToolTipRole).toString(),
             "Not in QEL: the key's write failed. Connect again to reload the list.");
    QCOMPARE(model.index(147, 1).data(Qt::ToolTipRole).toString(),
             "Deletion not confirmed: the key may still open the lift.");
    // Scrolled to, but the selection and the current row are left to the operator.
    QVERIFY(!view.FirstSelectedRow() && view.currentIndex().row() != 150);
    QVERIFY(view.viewport()->rect().contains(view.visualRect(model.index(150, 0))));

    view.SetRowHighlight(150, false);
    QCOMPARE(changed.count(), 2);
    QVERIFY(!model.IsHighlighted(150) && !model.index(150, 0).data(Qt::BackgroundRole).isValid());
    QCOMPARE(view.FirstSelectedRow(), std::nullopt);
    model.SetHighlighted(2, true);
    model.SetHeaders(Language::Czech);
    model.SetRows(rows);
    QVERIFY(!model.IsHighlighted(2));
  }

  void messageBoxesAreAskedOfTheInteractionsAndReturnWhenAnswered() {
    WindowHarness h(Language::Czech);
    h.window.ShowMessageBox("", "Klíč nebyl vybrán");
    h.window.ShowMessageBox("Chyba!", "Text");
    h.window.ShowSerialWarning("Not able to set COM parameters");
    QCOMPARE(h.interactions.boxes, (QStringList{"0|QEL key|Klíč nebyl vybrán", "0|Chyba!|Text",
                                                "2|Warning!|Not able to set COM parameters"}));
    // The real box has only OK and returns once it is pressed.
    QStringList shown;
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        shown << box->text() << QString::number(box->buttons().size());
        if (QAbstractButton* ok = box->button(QMessageBox::Ok))
          ok->click();
        else
          QTest::keyClick(box, Qt::Key_Return);
      }
    });
    answer.start(milliseconds(10));
    DesktopInteractions().ShowBox(nullptr, QMessageBox::NoIcon, "QEL key", "Soubor načten");
    QCOMPARE(shown, (QStringList{"Soubor načten", "1"}));
    // Enter answers a question with its default button.
    QVERIFY(!DesktopInteractions().AskYesNo(nullptr, "QEL", "Vymazat?", Language::Czech, DefaultAnswer::No));
  }

  // The help page is looked for in the current folder, then where it is installed, else the copy
  // inside is taken; without a browser it comes up in a window of the program's own.
  void helpPageIsFoundAndShownWithoutABrowser() {
    const QTemporaryDir current, share;
    const QString here = current.filePath(kHelpFileName), installed = share.filePath(kHelpFileName);
    // Each row adds a page: none yet, then the installed one, then one in the current folder.
    for (const auto& [page, opened] : {std::pair{QString(), QString(kBuiltInHelp)},
                                       std::pair{installed, QUrl::fromLocalFile(installed).toString()},
                                       std::pair{here, QUrl::fromLocalFile(here).toString()}}) {
      QFile file(page);
      QVERIFY(page.isEmpty() || file.open(QIODevice::WriteOnly));
      QCOMPARE(HelpTarget(QDir(current.path()), installed).toString(), opened);
    }

    const InSourceDir sources;
    WindowHarness h(Language::English);
    QVERIFY(h.Show());
    h.interactions.pageOpens = false;
    h.Click("helpButton");
    QCOMPARE(h.interactions.pages, std::vector{QUrl::fromLocalFile(QDir::current().filePath(kHelpFileName))});
    auto* help = h.window.findChild<CHelpDlg*>();
    QVERIFY(help != nullptr && help->isVisible() && !help->isModal());
    QCOMPARE(help->windowTitle(), "QEL key – help");
    // The copy inside is the shipped page.
    QFile inside(QStringLiteral(":/help/QEL_help.htm")), page(kHelpFileName);
    QVERIFY(inside.open(QIODevice::ReadOnly) && page.open(QIODevice::ReadOnly));
    QCOMPARE(inside.readAll(), page.readAll());
    const QScrollBar* scroll = ChildOf<QTextBrowser>(*help, "helpBrowser")->verticalScrollBar();
    const int english = scroll->value();
    ChildOf<QPushButton>(*help, "closeButton")->click();
    QVERIFY(!help->isVisible());
    h.Click("languageButton");
    QTest::keyClick(&h.window, Qt::Key_F1);
    // The same window, in Czech, at the Czech half of the page.
    QCOMPARE(h.window.findChildren<CHelpDlg*>(), QList{help});
    QVERIFY(help->isVisible() && help->windowTitle() == "QEL key – nápověda" && scroll->value() > english);
  }
  void placeAndConnectChoiceAreRememberedButNeverTheCode() {
    // A place on the screen comes back; one off every screen does not.
    for (const auto& [placed, kept] :
         {std::pair{QRect(40, 30, 700, 500), true}, std::pair{QRect(6000, 5000, 700, 500), false}}) {
      {
        WindowHarness first(Language::English);
        QVERIFY(first.Show());
        first.window.setGeometry(placed);
        first.interactions.connectAnswer =
            ConnectChoice{.accessCode = 8642, .transport = 2, .manualPort = 1, .port = 7};
        first.Click("connectButton");
        first.window.close();
      }
      WindowHarness next(Language::English);
      QVERIFY(next.Show());
      QCOMPARE(next.window.geometry() == placed, kept);
      QVERIFY(next.window.screen()->availableGeometry().contains(next.window.geometry()));
      // The dialog starts with the last choice and the factory code: OK at once answers them.
      next.Click("connectButton");
      CConnectDlg dialog(next.interactions.connectQuestions.at(0),
                         std::bind_front(&RecordingInteractions::ShowBox, &next.interactions));
      dialog.accept();
      const ConnectChoice c = dialog.choice();
      QCOMPARE(QString("%1/%2/%3/%4").arg(c.accessCode).arg(c.transport).arg(c.manualPort).arg(c.port),
               "4719/2/1/7");
      QSettings settings(QStringLiteral("qel-key"), QStringLiteral("qel-key"));
      QFile file(settings.fileName());
      QVERIFY(file.open(QIODevice::ReadOnly) && !file.readAll().contains("8642"));
      settings.clear();
    }
  }

  void closingWhileConnectedSaysGoodbyeAndStopsTheTimers() {
    PtyPair unit;
    WindowHarness h(Language::English);
    h.ports.Assign(1, unit.slavePath());
    h.interactions.connectAnswer = ManualPort(1);
    QVERIFY(h.Show());
    h.Click("connectButton");
    QCOMPARE(h.port.GetStatus(), int(CSerialPort::kReady));
    QTRY_VERIFY(h.clock.reads > 0);

    h.window.close();
    QCOMPARE(h.port.GetStatus(), int(CSerialPort::kNotOpen));
    const std::vector<std::uint8_t> sent = unit.Receive(64, milliseconds(100));
    QVERIFY(!sent.empty());
    QCOMPARE(sent.back(), std::uint8_t{0x04});
    // The login ticks every 50 ms; three periods pass without one.
    const int ticks = h.clock.reads;
    QTest::qWait(150);
    QCOMPARE(h.clock.reads, ticks);
  }

  void timersOneToEightTickUnderTheirOwnIds() {
    std::vector<int> ticks;
    const auto count = [&](int id) { return std::count(ticks.begin(), ticks.end(), id); };
    OperationTimers timers([&](int id) {
      ticks.push_back(id);
      if (id == 1) {
        timers.Stop(1);
        timers.Start(2, milliseconds(1));
      }
    });
    QVERIFY(!timers.Start(0, milliseconds(1)) && !timers.Start(9, milliseconds(1)));
    QVERIFY(!timers.Start(3, milliseconds(0)));
    QVERIFY(timers.Start(1, milliseconds(1)) && timers.Start(8, std::chrono::hours(1)));
    QVERIFY(timers.Start(8, milliseconds(1)));
    QTRY_VERIFY(count(2) >= 2 && count(8) >= 2);
    QCOMPARE(count(1), 1);
    QCOMPARE(count(1) + count(2) + count(8), qsizetype(ticks.size()));
    timers.StopAll();
    const std::size_t stoppedAt = ticks.size();
    QTest::qWait(30);
    QCOMPARE(ticks.size(), stoppedAt);
  }

  // The language for the system's locale, and the pinned paths that cannot be ports.
  void startOptionsPickTheLanguageAndWarnAboutPaths() {
    for (const auto& [locale, czech] : {std::pair{"cs_CZ", true}, std::pair{"sk_SK", true},
                                        std::pair{"en_US", false}, std::pair{"pl_PL", false}})
      QVERIFY2((StartLanguage(QLocale(locale)) == Language::Czech) == czech, locale);
    StartOptions options;
    options.ports = {{1, "/nonexistent"}, {2, "/dev/null"}, {3, QEL_SOURCE_DIR "/README.md"}};
    QCOMPARE(PortWarnings(options),
             (QStringList{"warning: --port 1=/nonexistent: No such file or directory",
                          "warning: --port 3=" QEL_SOURCE_DIR "/README.md: not a character device"}));
  }
  // A usable command line gives its ports in order; any other ends the program with its status and
  // what it printed, without a display.
  void commandLineStartsOrEndsWithItsStatus() {
    StartOptions options;
    QCOMPARE(
        CQelKeyApp::ReadCommandLine({"qel-key", "--port", "3=/dev/pts/4", "--port=70=/dev/ttyUSB1"}, options),
        std::nullopt);
    QStringList ports;
    for (const PortAssignment& port : options.ports)
      ports << QString::number(port.number) + '=' + QString::fromStdString(port.path);
    QCOMPARE(ports.join(' '), "3=/dev/pts/4 70=/dev/ttyUSB1");
    using Case = std::tuple<QStringList, int, QString>;
    for (const auto& [arguments, status, printed] :
         {Case{{"--help"}, 0, "--port <N=PATH>"}, Case{{"--port", "0=/dev/pts/1"}, 2, "1 to 70"},
          Case{{"--port=71=/dev/pts/1"}, 2, "1 to 70"}, Case{{"--port", "x=/dev/pts/1"}, 2, "1 to 70"},
          Case{{"--port", "3="}, 2, "N=PATH"}, Case{{"--port", "/dev/pts/1"}, 2, "N=PATH"},
          Case{{"--port", "2=/dev/a", "--port", "2=/dev/b"}, 2, "COM2 is already assigned"},
          Case{{"--port"}, 2, "--port"}, Case{{"--frobnicate"}, 2, "frobnicate"},
          Case{{"COM1"}, 2, "unexpected argument COM1"}}) {
      QProcess program;
      QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
      for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(name);
      program.setProcessEnvironment(environment);
      program.start(QStringLiteral(QEL_KEY_PATH), arguments);
      QVERIFY(program.waitForFinished(10000));
      const QString shown =
          QString::fromLocal8Bit(program.readAllStandardOutput() + program.readAllStandardError());
      QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == status &&
                   shown.contains(printed),
               qPrintable(arguments.join(' ') + ": " + shown));
    }
  }

  // The key list printed to a PDF: every key, the filter's or the selected ones, on pages that
  // each carry the header with their number; a comment of 40 wide letters stays in its column.
  void keyListPrintsToAPdfWithAHeaderOnEveryPage() {
    WindowHarness h(Language::Czech);
    KeyMemoryImage& image = h.window.controller().image();
    for (int i = 0; i < 120; ++i)
      image.StoreRecord(i, Code(static_cast<std::uint8_t>(0x10 + i)), FloorsOf({1, 3, 4, 5, 24}),
                        Utf8ToCp1250(i == 7 ? std::string(40, 'W') : "Nájemník " + std::to_string(i)).bytes);
    h.window.controller().settings().elevatorName = Utf8ToCp1250("Výtah Čechova 5").bytes;
    h.window.controller().RefillKeyList();
    h.List()->selectRow(3);

    const KeyListDocument all = h.window.controller().KeysToPrint(PrintScope::All, {3});
    QCOMPARE(all.keys.size(), std::size_t(120));
    QCOMPARE(all.keys[0].floors, "1, 3\u20135, 24");
    QCOMPARE(all.elevatorName, "Výtah Čechova 5");
    const KeyListPrinter printer(all, Language::Czech, QDate(2026, 12, 8));
    QCOMPARE(printer.HeaderLines(2, 5),
             QStringList({"Výtah Čechova 5  \u2014  2026-12-08", "Klíčů: 120  \u2014  Strana 2 z 5"}));

    const QTemporaryDir dir;
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(dir.filePath(QStringLiteral("keys.pdf")));
    const int pages = printer.PageCount(pdf);
    QVERIFY(pages > 1);
    QVERIFY(h.window.PrintKeyList(pdf, PrintScope::All));
    QFile file(pdf.outputFileName());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(
        QString::fromLatin1(file.readAll()).count(QRegularExpression(QStringLiteral("/Type\\s*/Page\\b"))),
        pages);

    // Ctrl+P opens Qt's print dialog.
    QVERIFY(h.Show());
    QString opened;
    QTimer::singleShot(0, &h.window, [&] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        opened = modal->objectName();
        modal->close();
      }
    });
    QTest::keySequence(&h.window, QKeySequence::Print);
    QCOMPARE(opened, "printDialog");

    // The filter's rows only when asked for, and the selected ones.
    h.Child<QLineEdit>("keyFilter")->setText(QStringLiteral("Nájemník 1"));
    h.List()->selectRow(0);
    QCOMPARE(h.window.controller().KeysToPrint(PrintScope::All, {}).keys.size(), std::size_t(120));
    QCOMPARE(h.window.controller().KeysToPrint(PrintScope::Shown, {}).keys.size(), std::size_t(31));
    const KeyListDocument selected = h.window.controller().KeysToPrint(PrintScope::Selected, {2, 0});
    QCOMPARE(selected.keys.size(), std::size_t(2));
    QCOMPARE(selected.keys[1].comment, "Nájemník 11");
  }

  // The program against qel-unit-sim on a pseudo-terminal, in real time: Connect, the unit's keys
  // listed, a key presented at the unit's reader highlighted with its floors, and a new key held at
  // the reader added through the key dialog and stored in the unit.
  void connectListAndAddAKey() {
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

    // The list fills as the keys arrive, a block a second; the commands stay off until the end.
    QTRY_VERIFY_WITH_TIMEOUT(h.List()->model()->rowCount() > 0, 30000);
    QVERIFY(h.List()->model()->rowCount() < kKeys);
    QVERIFY(!h.Child<QPushButton>("addKeysButton")->isEnabled());
    // A row selected meanwhile stays selected: the rows that follow are added, the list not rebuilt.
    h.List()->selectRow(1);
    QTRY_COMPARE_WITH_TIMEOUT(h.List()->model()->rowCount(), kKeys, 15000);
    QCOMPARE(h.window.SelectedRow(), std::optional<int>(1));
    QTRY_VERIFY_WITH_TIMEOUT(h.Child<QPushButton>("addKeysButton")->isEnabled(), 5000);
    QVERIFY(h.Log().contains(QStringLiteral("QEL connected to COM3.")));
    QVERIFY(h.Log().contains(QStringLiteral("Loading keys completed")));

    QVERIFY(command("hold 0 2\n").startsWith(QStringLiteral("holding")));
    QTRY_COMPARE_WITH_TIMEOUT(
        h.List()->model()->data(h.List()->model()->index(0, 0), KeyListModel::HighlightRole), QVariant(true),
        5000);
    QVERIFY(!TickedFloors(h.window).isEmpty());
    QCOMPARE(h.window.controller().selection().highlightedRow(), std::optional<int>(0));
    QCOMPARE(command("release\n"), "released\n");

    QString held;
    QString shown;
    h.interactions.runKeyDialog = [&](QWidget* parent, KeyDialog& logic) {
      CKeyDlg dialog(
          logic, [](QWidget*, QMessageBox::Icon, const QString&, const QString&) {}, AskModalNoByDefault,
          parent);
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

    h.window.close();
    unit.terminate();
    QVERIFY(unit.waitForFinished(5000));
  }
};

}  // namespace

int ProbeWindowSizes() {
  WindowHarness h(Language::Czech);
  const QSize screen = h.window.screen()->availableGeometry().size();
  const QSize start = h.window.size();
  if (!h.Show()) return 1;
  UnitController& controller = h.window.controller();
  h.Connect();
  controller.settings().elevatorName = Utf8ToCp1250(std::string(40, 'W')).bytes;
  controller.ShowSettingsLine();
  controller.ToggleLanguage();
  controller.image().StoreRecord(0, WideCode(), FloorsOf({1}), "W");
  controller.RefillKeyList();
  QTest::qWait(50);
  const bool codesWhole = TipOver(*h.List(), 0, KeyListModel::KeyColumn).isEmpty();
  const QSize after = h.window.size();
  h.window.resize(1, 1);
  QTest::qWait(50);
  const QSize least = h.window.size();
  // At the least size no control is cut off or lies over another; the floors may scroll.
  QList<QWidget*> controls{h.List(), h.Child<QWidget>("log"), h.Child<QWidget>("helpButton"),
                           h.Child<QWidget>("languageButton")};
  for (const char* name : kCommandButtons) controls << h.Child<QWidget>(name);
  for (const char* name : {"keyFilter", "keyFilterSummary"}) controls << h.Child<QWidget>(name);
  QList<QWidget*> floors;
  for (int floor = 1; floor <= 24; ++floor) floors << h.Floor(floor);
  const auto apart = [&](const QList<QWidget*>& group, bool inWindow) {
    for (QWidget* control : group) {
      const QRect area(control->mapTo(&h.window, QPoint()), control->size());
      if (inWindow && !h.window.rect().contains(area)) return false;
      if (control->height() < control->minimumSizeHint().height()) return false;
      for (QWidget* other : group)
        if (other != control && QRect(other->mapTo(&h.window, QPoint()), other->size()).intersects(area))
          return false;
    }
    return true;
  };
  const QSize room = screen * 0.9;
  const bool fits = least.width() <= room.width() && least.height() <= room.height();
  const bool onScreen = start.boundedTo(screen) == start && start.expandedTo(least) == start;
  QTextStream(stdout) << screen.width() << 'x' << screen.height() << (fits ? " fits" : " too-big")
                      << (onScreen ? " starts-on-screen" : " starts-off-screen")
                      << (after == start ? " kept" : " resized")
                      << (apart(controls, true) && apart(floors, false) ? " whole" : " broken")
                      << (codesWhole ? " codes-whole" : " codes-cut") << " least " << least.width() << 'x'
                      << least.height() << " start " << start.width() << 'x' << start.height() << '\n';
  return 0;
}

int RunMainWindowTests(int argc, char** argv) {
  MainWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace qel::test

#include "MainWindowTest.moc"
