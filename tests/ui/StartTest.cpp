#include <QCommandLineParser>
#include <QFile>
#include <QTest>

#include "tests/ui/UiTests.h"
#include "ui/CQelKeyApp.h"
#include "ui/Desktop.h"
#include "ui/StartOptions.h"

namespace qel::test {
namespace {

StartOptionsResult Read(const QStringList& arguments) {
  QCommandLineParser parser;
  AddStartOptions(parser);
  if (!parser.parse(QStringList{QStringLiteral("qel-key")} + arguments)) return {{}, parser.errorText()};
  return ReadStartOptions(parser);
}

class StartTest : public QObject {
  Q_OBJECT

 private slots:
  void czechOnlyForCzechAndSlovakSystems_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("czech");
    QTest::newRow("Czech") << QStringLiteral("cs_CZ") << true;
    QTest::newRow("Slovak") << QStringLiteral("sk_SK") << true;
    QTest::newRow("US English") << QStringLiteral("en_US") << false;
    QTest::newRow("British English") << QStringLiteral("en_GB") << false;
    QTest::newRow("German") << QStringLiteral("de_DE") << false;
    QTest::newRow("Polish") << QStringLiteral("pl_PL") << false;
    QTest::newRow("C") << QStringLiteral("C") << false;
  }
  void czechOnlyForCzechAndSlovakSystems() {
    QFETCH(QString, locale);
    QFETCH(bool, czech);
    QCOMPARE(StartLanguage(QLocale(locale)) == Language::Czech, czech);
  }

  void portAssignmentsAreKeptInOrder() {
    const StartOptionsResult read = Read(
        {QStringLiteral("--port"), QStringLiteral("3=/dev/pts/4"), QStringLiteral("--port=70=/dev/ttyUSB1")});
    QCOMPARE(read.error, QString());
    QCOMPARE(read.options.ports.size(), std::size_t(2));
    QCOMPARE(read.options.ports[0].number, 3);
    QCOMPARE(read.options.ports[0].path, std::string("/dev/pts/4"));
    QCOMPARE(read.options.ports[1].number, 70);
    QCOMPARE(read.options.ports[1].path, std::string("/dev/ttyUSB1"));
    QVERIFY(Read({}).options.ports.empty());
  }

  void badPortAssignmentsAreRefused_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("complaint");
    QTest::newRow("COM0") << QStringLiteral("0=/dev/pts/1") << QStringLiteral("1 to 70");
    QTest::newRow("COM71") << QStringLiteral("71=/dev/pts/1") << QStringLiteral("1 to 70");
    QTest::newRow("not a number") << QStringLiteral("x=/dev/pts/1") << QStringLiteral("1 to 70");
    QTest::newRow("no path") << QStringLiteral("3=") << QStringLiteral("N=PATH");
    QTest::newRow("no equals sign") << QStringLiteral("/dev/pts/1") << QStringLiteral("N=PATH");
  }
  void badPortAssignmentsAreRefused() {
    QFETCH(QString, value);
    QFETCH(QString, complaint);
    const StartOptionsResult read = Read({QStringLiteral("--port"), value});
    QVERIFY2(read.error.contains(complaint), qPrintable(read.error));
    QVERIFY(read.error.contains(value));
  }

  void aNumberAssignedTwiceIsRefused() {
    const StartOptionsResult read = Read({QStringLiteral("--port"), QStringLiteral("2=/dev/a"),
                                          QStringLiteral("--port"), QStringLiteral("2=/dev/b")});
    QVERIFY(read.error.contains(QStringLiteral("COM2")));
  }

  void badCommandLinesEndWithStatusTwo_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("bad number") << QStringList{QStringLiteral("--port"), QStringLiteral("99=/dev/pts/1")};
    QTest::newRow("missing value") << QStringList{QStringLiteral("--port")};
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--frobnicate")};
    QTest::newRow("stray argument") << QStringList{QStringLiteral("COM1")};
  }
  void badCommandLinesEndWithStatusTwo() {
    QFETCH(QStringList, arguments);
    QCOMPARE(CQelKeyApp::Main(QStringList{QStringLiteral("qel-key")} + arguments), 2);
  }

  void shippedHelpPageIsFoundInItsDirectory() {
    const QDir source(QStringLiteral(QEL_SOURCE_DIR));
    QCOMPARE(HelpTarget(source),
             QUrl::fromLocalFile(source.absoluteFilePath(QStringLiteral("QEL_help.htm"))));
    QFile page(source.absoluteFilePath(QStringLiteral("QEL_help.htm")));
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    // Both languages, and the Linux-only way of naming ports.
    QVERIFY(html.contains(QStringLiteral("lang=\"cs\"")));
    QVERIFY(html.contains(QStringLiteral("lang=\"en\"")));
    QVERIFY(html.contains(QStringLiteral("--port")));
  }
};

}  // namespace

int RunStartTests(int argc, char** argv) {
  StartTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace qel::test

#include "StartTest.moc"
