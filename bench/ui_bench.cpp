// The window with a full key list: refilling the view with 4,360 keys (model and painting),
// building and showing the window, its memory with the keys listed, a watchdog tick that finds
// a presented key among them, and the login's real pacing against a unit on a pseudo-terminal.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <algorithm>
#include <memory>

#include "link/PosixSerialDevice.h"
#include "link/UnitCommands.h"
#include "sim/GeneratedKeys.h"
#include "sim/PtyUnitThread.h"
#include "ui/CQelKeyDlg.h"
#include "ui/WindowInteractions.h"

namespace {

using namespace qel;
using namespace std::chrono_literals;

constexpr int kSmallestRecord = 15;
constexpr int kMostKeys = 4360;

class NoInteractions final : public WindowInteractions {
 public:
  void ShowBox(QWidget*, QMessageBox::Icon, const QString&, const QString&) override {}
  std::optional<ConnectChoice> AskConnect(QWidget*, const ConnectDialogSetup&) override { return answer; }
  void ShowAbout(QWidget*) override {}
  void OpenPage(const QUrl&) override {}
  std::optional<ConnectChoice> answer;
};

class NoWarnings final : public SerialWarnings {
 public:
  void ShowSerialWarning(std::string_view) override {}
};

// The window of the program over a real serial path.
struct Program {
  explicit Program(Language language = Language::English) : window(port, clock, interactions, language) {}
  // The image of a unit whose memory is full of 15-byte records.
  void FillWithKeys() {
    KeyMemoryImage& image = window.controller().image();
    image.SetRecordSize(kSmallestRecord);
    const auto memory = sim::GenerateKeyMemory(kMostKeys, kSmallestRecord, 7);
    image.WriteBytes(0, memory);
  }

  PortTable ports;
  PosixSerialDevice device;
  NoWarnings warnings;
  CSerialPort port{device, ports, warnings};
  SystemLocalClock clock;
  NoInteractions interactions;
  CQelKeyDlg window;
};

void BM_RefillKeyListWith4360KeysAndPaint(benchmark::State& state) {
  Program program;
  program.FillWithKeys();
  program.window.resize(980, 620);
  program.window.show();
  QApplication::processEvents();
  for (auto _ : state) {
    program.window.controller().RefillKeyList();
    program.window.repaint();
    QApplication::processEvents();
  }
  state.counters["rows"] = static_cast<double>(program.window.controller().image().BuildKeyList().size());
}
BENCHMARK(BM_RefillKeyListWith4360KeysAndPaint)->Unit(benchmark::kMillisecond);

void BM_BuildAndShowTheWindow(benchmark::State& state) {
  for (auto _ : state) {
    Program program;
    program.window.show();
    QApplication::processEvents();
    benchmark::DoNotOptimize(program.window.isVisible());
  }
}
BENCHMARK(BM_BuildAndShowTheWindow)->Unit(benchmark::kMillisecond);

long ResidentKilobytes() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
  return -1;
}

void BM_ResidentMemoryWith4360KeysListed(benchmark::State& state) {
  Program program;
  program.FillWithKeys();
  program.window.show();
  for (auto _ : state) {
    program.window.controller().RefillKeyList();
    QApplication::processEvents();
  }
  state.counters["resident_MB"] = static_cast<double>(ResidentKilobytes()) / 1024.0;
}
BENCHMARK(BM_ResidentMemoryWith4360KeysListed)->Iterations(3)->Unit(benchmark::kMillisecond);

// A line whose far end always answers the reader poll with the last key of a full memory.
class PresentedKeyDevice final : public SerialDevice {
 public:
  explicit PresentedKeyDevice(const KeyCode& code) {
    reply_[0] = 1;
    std::copy(code.begin(), code.end(), reply_.begin() + 1);
  }
  SerialResult Open(const std::string&) override {
    open_ = true;
    return SerialResult::Ok;
  }
  SerialResult ConfigureLine() override { return SerialResult::Ok; }
  SerialResult ApplyTimeouts() override { return SerialResult::Ok; }
  int Read(std::span<std::uint8_t> out) override {
    std::copy(reply_.begin(), reply_.end(), out.begin());
    return static_cast<int>(reply_.size());
  }
  bool Write(std::span<const std::uint8_t>) override { return true; }
  void Purge() override {}
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  std::string LastError() const override { return {}; }

 private:
  std::array<std::uint8_t, unit::kReaderReplyLength> reply_{};
  bool open_ = false;
};

void BM_WatchdogTickFindingAPresentedKeyAmong4360(benchmark::State& state) {
  const auto memory = sim::GenerateKeyMemory(kMostKeys, kSmallestRecord, 7);
  KeyCode last{};
  std::copy_n(memory.begin() + (kMostKeys - 1) * kSmallestRecord, last.size(), last.begin());
  PresentedKeyDevice device(last);
  PortTable ports;
  ports.Assign(1, "unit");
  NoWarnings warnings;
  CSerialPort port(device, ports, warnings);
  SystemLocalClock clock;
  NoInteractions interactions;
  CQelKeyDlg window(port, clock, interactions, Language::English);
  UnitController& controller = window.controller();
  controller.image().SetRecordSize(kSmallestRecord);
  controller.image().WriteBytes(0, memory);
  controller.RefillKeyList();
  port.Open(1);
  controller.sequencer().linkOpen = 1;
  controller.sequencer().commandEnabled = Sequencer::kConnectedCommands;
  controller.sequencer().ReturnToWatchdog(0);
  window.StopTimer(kWatchdogTimer);                         // the benchmark delivers the ticks itself
  for (auto _ : state) controller.OnTimer(kWatchdogTimer);  // 'k', reader check, 0x05, ack check
  state.counters["highlighted_row"] = controller.highlightedRow;
}
BENCHMARK(BM_WatchdogTickFindingAPresentedKeyAmong4360)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMicrosecond);

void BM_LoginPacingOverAPseudoTerminal(benchmark::State& state) {
  for (auto _ : state) {
    sim::PtyUnitThread unit(std::make_unique<sim::SimulatedUnit>());
    if (!unit.Start()) {
      state.SkipWithError("no pseudo-terminal");
      return;
    }
    Program program;
    program.ports.Assign(1, unit.SlavePath());
    program.interactions.answer = ConnectChoice{4719, 1, 1, 1};
    QElapsedTimer elapsed;
    program.window.controller().ConnectCommand();
    elapsed.start();
    // The verdict tick starts the settings read; until then the login runs on its 50 ms timer.
    while (program.window.controller().sequencer().currentTimerId != kSettingsReadTimer &&
           elapsed.elapsed() < 3000)
      QTest::qWait(1);
    state.SetIterationTime(static_cast<double>(elapsed.nsecsElapsed()) / 1e9);
    program.window.close();
  }
}
BENCHMARK(BM_LoginPacingOverAPseudoTerminal)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
