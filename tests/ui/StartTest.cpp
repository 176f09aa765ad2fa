#include <QProcess>
#include <QTest>

#include "tests/ui/UiTests.h"
#include "ui/CQelKeyApp.h"
#include "ui/Desktop.h"
#include "ui/StartOptions.h"

namespace qel::test {
namespace {

class StartTest : public QObject {
  Q_OBJECT

 private slots:
  void czechOnlyForCzechAndSlovakSystems_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("czech");
    QTest::newRow("Czech") << "cs_CZ" << true;
    QTest::newRow("Slovak") << "sk_SK" << true;
    QTest::newRow("English") << "en_US" << false;
    QTest::newRow("Polish") << "pl_PL" << false;
  }
  void czechOnlyForCzechAndSlovakSystems() {
    QFETCH(QString, locale);
    QFETCH(bool, czech);
    QCOMPARE(StartLanguage(QLocale(locale)) == Language::Czech, czech);
  }

  // A usable command line (status -1) gives its ports in order; any other ends the program with
  // its status and what it printed, without a display.
  void commandLineStartsOrEndsWithItsStatus_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("printed");
    QTest::newRow("ports in order") << QStringList{"--port", "3=/dev/pts/4", "--port=70=/dev/ttyUSB1"} << -1
                                    << "3=/dev/pts/4 70=/dev/ttyUSB1";
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "--port <N=PATH>";
    QTest::newRow("COM0") << QStringList{"--port", "0=/dev/pts/1"} << 2 << "1 to 70";
    QTest::newRow("COM71") << QStringList{"--port=71=/dev/pts/1"} << 2 << "1 to 70";
    QTest::newRow("not a number") << QStringList{"--port", "x=/dev/pts/1"} << 2 << "1 to 70";
    QTest::newRow("no path") << QStringList{"--port", "3="} << 2 << "N=PATH";
    QTest::newRow("no equals sign") << QStringList{"--port", "/dev/pts/1"} << 2 << "N=PATH";
    QTest::newRow("assigned twice") << QStringList{"--port", "2=/dev/a", "--port", "2=/dev/b"} << 2
                                    << "COM2 is already assigned";
    QTest::newRow("missing value") << QStringList{"--port"} << 2 << "--port";
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << 2 << "frobnicate";
    QTest::newRow("stray argument") << QStringList{"COM1"} << 2 << "unexpected argument COM1";
  }
  void commandLineStartsOrEndsWithItsStatus() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, printed);
    StartOptions options;
    QCOMPARE(
        CQelKeyApp::ReadCommandLine(QStringList{QStringLiteral("qel-key")} + arguments, options).value_or(-1),
        status);
    if (status < 0) {
      QStringList ports;
      for (const PortAssignment& port : options.ports)
        ports << QString::number(port.number) + '=' + QString::fromStdString(port.path);
      QCOMPARE(ports.join(' '), printed);
      return;
    }
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(name);
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(QEL_KEY_PATH), arguments);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    const QString shown =
        QString::fromLocal8Bit(program.readAllStandardOutput() + program.readAllStandardError());
    QVERIFY2(shown.contains(printed), qPrintable(shown));
  }

  void pinnedPathsThatCannotBePortsAreWarnedAbout() {
    StartOptions options;
    options.ports = {{1, "/nonexistent"}, {2, "/dev/null"}, {3, QEL_SOURCE_DIR "/README.md"}};
    QCOMPARE(PortWarnings(options),
             (QStringList{"warning: --port 1=/nonexistent: No such file or directory",
                          "warning: --port 3=" QEL_SOURCE_DIR "/README.md: not a character device"}));
  }
};

}  // namespace

int RunStartTests(int argc, char** argv) {
  StartTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace qel::test

#include "StartTest.moc"
