// Writes PNG pictures of the main window connected to the demo unit, its keys listed and one
// presented at the reader, in both languages: scripts/screenshots runs it.
#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include "sim/DemoUnit.h"
#include "sim/PtyUnitThread.h"
#include "tests/ui/WindowHarness.h"

namespace {

using namespace std::chrono_literals;
using namespace qel;

bool Shoot(Language language, const QString& file) {
  sim::DemoUnit demo = sim::MakeDemoUnit({2026, 12, 6, 9, 41, 0});
  auto unit = std::make_unique<sim::SimulatedUnit>(demo.config);
  unit->LoadMemory(demo.memory);
  sim::PtyUnitThread server(std::move(unit));
  // The visitor arrives once the keys have been loaded, and stays for the picture.
  server.server().PresentKey(demo.visitors.at(1), 8s, 60s);
  if (!server.Start()) return false;

  test::WindowHarness h(language);
  h.ports.Assign(1, server.SlavePath());
  h.interactions.connectAnswer = test::ManualPort(1);
  h.window.resize(980, 620);
  h.window.show();
  h.Click("connectButton");
  if (!QTest::qWaitFor([&] { return h.window.controller().selection().highlightedRow().has_value(); }, 20000))
    return false;
  QTest::qWait(200);
  const bool saved = h.window.grab().save(file);
  h.window.close();
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // The pictures show a fresh window, and the user's own settings stay untouched.
  const QTemporaryDir settings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots");
  QDir().mkpath(folder);
  for (const auto& [language, name] : {std::pair{Language::English, "main-window-en.png"},
                                       std::pair{Language::Czech, "main-window-cs.png"}}) {
    const QString file = QDir(folder).filePath(QString::fromLatin1(name));
    if (!Shoot(language, file)) {
      QTextStream(stderr) << "could not take " << file << '\n';
      return 1;
    }
    QTextStream(stdout) << file << '\n';
  }
  return 0;
}
