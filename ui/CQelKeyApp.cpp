#include "ui/CQelKeyApp.h"

#include <QCommandLineParser>
#include <QLocale>
#include <QTextStream>

#include "ui/CQelKeyDlg.h"
#include "ui/Desktop.h"

namespace qel {
namespace {

constexpr int kBadCommandLine = 2;

int RefuseCommandLine(const QString& message) {
  QTextStream(stderr) << "qel-key: " << message << '\n';
  return kBadCommandLine;
}

}  // namespace

int CQelKeyApp::Main(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Administers the keys of a QEL unit over a serial line."));
  const QCommandLineOption help = parser.addHelpOption();
  AddStartOptions(parser);
  if (!parser.parse(arguments)) return RefuseCommandLine(parser.errorText());
  if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
    QTextStream(stdout) << parser.helpText();
    return 0;
  }
  if (!parser.positionalArguments().isEmpty())
    return RefuseCommandLine(
        QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));
  const StartOptionsResult start = ReadStartOptions(parser);
  if (!start.error.isEmpty()) return RefuseCommandLine(start.error);

  CQelKeyApp app(start.options);
  return app.Run();
}

CQelKeyApp::CQelKeyApp(const StartOptions& options) {
  for (const PortAssignment& assignment : options.ports) m_ports.Assign(assignment.number, assignment.path);
  m_ports.Scan();
}

int CQelKeyApp::Run() {
  CQelKeyDlg window(m_port, m_clock, m_interactions, StartLanguage(QLocale::system()));
  m_window = &window;
  window.exec();
  m_window = nullptr;
  return 0;
}

void CQelKeyApp::ShowSerialWarning(std::string_view text) {
  // Only the window opens the port, so a warning always has a window to appear over.
  if (m_window != nullptr) m_window->ShowSerialWarning(text);
}

}  // namespace qel
