#include "ui/StartOptions.h"

#include <set>

#include "link/PortTable.h"

namespace qel {
namespace {

const QString kPortOption = QStringLiteral("port");
const QString kDemoOption = QStringLiteral("demo");

}  // namespace

void AddStartOptions(QCommandLineParser& parser) {
  parser.addOption(QCommandLineOption(
      kPortOption,
      QStringLiteral("Gives COM number N (%1 to %2) the serial device PATH, e.g. --port 1=/dev/pts/3. "
                     "Repeatable; the other numbers are filled from the devices found under /dev.")
          .arg(PortTable::kFirstPort)
          .arg(PortTable::kLastPort),
      QStringLiteral("N=PATH")));
  parser.addOption(QCommandLineOption(
      kDemoOption, QStringLiteral("Runs a simulated QEL unit with a house full of keys on a pseudo-terminal "
                                  "and makes it COM%1; no hardware needed.")
                       .arg(kDemoPort)));
}

StartOptionsResult ReadStartOptions(const QCommandLineParser& parser) {
  StartOptionsResult result;
  result.options.demo = parser.isSet(kDemoOption);
  std::set<int> seen;
  if (result.options.demo) seen.insert(kDemoPort);
  for (const QString& value : parser.values(kPortOption)) {
    const qsizetype equals = value.indexOf(QLatin1Char('='));
    bool whole = false;
    const int number = equals < 0 ? 0 : value.left(equals).trimmed().toInt(&whole);
    const QString path = equals < 0 ? QString() : value.mid(equals + 1);
    if (equals < 0 || path.isEmpty()) {
      result.error = QStringLiteral("--port %1: expected N=PATH, e.g. --port 1=/dev/ttyUSB0").arg(value);
    } else if (!whole || number < PortTable::kFirstPort || number > PortTable::kLastPort) {
      result.error = QStringLiteral("--port %1: the COM number must be a whole number from %2 to %3")
                         .arg(value)
                         .arg(PortTable::kFirstPort)
                         .arg(PortTable::kLastPort);
    } else if (!seen.insert(number).second) {
      result.error = result.options.demo && number == kDemoPort
                         ? QStringLiteral("--port %1: COM%2 is the demo unit's").arg(value).arg(number)
                         : QStringLiteral("--port %1: COM%2 is already assigned").arg(value).arg(number);
    }
    if (!result.error.isEmpty()) return result;
    result.options.ports.push_back({number, path.toStdString()});
  }
  return result;
}

QStringList PortWarnings(const StartOptions& options) {
  QStringList warnings;
  for (const PortAssignment& port : options.ports) {
    const std::string problem = PortTable::PathProblem(port.path);
    if (problem.empty()) continue;
    warnings << QStringLiteral("warning: --port %1=%2: %3")
                    .arg(port.number)
                    .arg(QString::fromStdString(port.path), QString::fromStdString(problem));
  }
  return warnings;
}

}  // namespace qel
