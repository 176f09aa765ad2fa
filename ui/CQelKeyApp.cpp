#include "ui/CQelKeyApp.h"

#include <QCommandLineParser>
#include <QLocale>
#include <QScreen>
#include <QTextStream>
#include <QTimer>

#include "sim/DemoUnit.h"
#include "ui/CQelKeyDlg.h"
#include "ui/DemoReaderPanel.h"
#include "ui/Desktop.h"

namespace qel {
namespace {

constexpr int kBadCommandLine = 2;
constexpr int kCannotStart = 1;
constexpr std::chrono::seconds kFirstVisitor{20};
constexpr std::chrono::seconds kVisitorStays{5};
constexpr std::chrono::seconds kVisitorEvery{15};

int RefuseCommandLine(const QString& message) {
  QTextStream(stderr) << "qel-key: " << message << '\n';
  return kBadCommandLine;
}

}  // namespace

std::optional<int> CQelKeyApp::ReadCommandLine(const QStringList& arguments, StartOptions& options) {
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
  // The program still starts: the device may appear before Connect is pressed.
  for (const QString& warning : PortWarnings(start.options))
    QTextStream(stderr) << "qel-key: " << warning << '\n';
  options = start.options;
  return std::nullopt;
}

int CQelKeyApp::Start(const StartOptions& options) {
  CQelKeyApp app(options);
  if (!app.StartDemo()) return kCannotStart;
  return app.Run();
}

CQelKeyApp::CQelKeyApp(const StartOptions& options) : m_demoRequested(options.demo) {
  for (const PortAssignment& assignment : options.ports) m_ports.Assign(assignment.number, assignment.path);
  m_ports.Scan();
}

CQelKeyApp::~CQelKeyApp() = default;

bool CQelKeyApp::StartDemo() {
  if (!m_demoRequested) return true;
  const LocalTime now = m_clock.Now();
  sim::DemoUnit demo = sim::MakeDemoUnit({now.year, now.month, now.day, now.hour, now.minute, now.second});
  auto unit = std::make_unique<sim::SimulatedUnit>(demo.config);
  unit->LoadMemory(demo.memory);
  m_demo = std::make_unique<sim::PtyUnitThread>(std::move(unit));
  // Residents come and go: after the first load, a key at the reader now and then.
  m_demo->server().PresentKeysInTurn(demo.visitors, kFirstVisitor, kVisitorStays, kVisitorEvery);
  if (!m_demo->Start()) {
    QTextStream(stderr) << "qel-key: the demo unit cannot start: "
                        << QString::fromStdString(m_demo->LastError()) << '\n';
    return false;
  }
  m_ports.Assign(kDemoPort, m_demo->SlavePath());
  m_demoReader = std::make_unique<DemoReaderPanel>(m_demo->server(), StartLanguage(QLocale::system()));
  return true;
}

int CQelKeyApp::Run() {
  CQelKeyDlg window(m_port, m_clock, m_interactions, StartLanguage(QLocale::system()));
  m_window = &window;
  if (m_demoReader) {
    // Application-modal, as exec would make it, the main window would block the reader; modal
    // to a window it does not have, it blocks nothing.
    window.setWindowModality(Qt::WindowModal);
    // Once the main window is up and placed, the reader stands beside it, wholly on the screen;
    // its frame is taken to be as thick as the main window's.
    QTimer::singleShot(0, m_demoReader.get(), [this, &window] {
      constexpr int kGap = 8;
      const QSize frame = m_demoReader->sizeHint() + (window.frameGeometry().size() - window.size());
      m_demoReader->move(
          PlaceBeside(window.frameGeometry(), frame, window.screen()->availableGeometry(), kGap));
      m_demoReader->show();
    });
  }
  window.exec();
  m_window = nullptr;
  return 0;
}

void CQelKeyApp::ShowSerialWarning(std::string_view text) {
  // Only the window opens the port, so a warning always has a window to appear over.
  if (m_window != nullptr) m_window->ShowSerialWarning(text);
}

}  // namespace qel
