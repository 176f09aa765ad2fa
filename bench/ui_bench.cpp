// The window with a full key list: refilling the view with 4,360 keys (model and painting), a
// keystroke in the filter box over them, building and showing the window, its memory with the
// keys listed, a watchdog tick that finds a presented key among them, printing them to a PDF, and
// the real pacing of the login, of a key save and of a full key load against a unit on a
// pseudo-terminal.
#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPrinter>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>
#include <random>

#include "bench/CannedReplyLine.h"
#include "files/ImageFile.h"
#include "link/PosixSerialDevice.h"
#include "link/UnitCommands.h"
#include "sim/GeneratedKeys.h"
#include "sim/PtyUnitThread.h"
#include "ui/CArchiveDlg.h"
#include "ui/CQelKeyDlg.h"
#include "ui/KeyListPrinter.h"
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
  KeyDialogEnd RunKeyDialog(QWidget*, KeyDialog& dialog) override {
    return keyDialog ? keyDialog(dialog) : KeyDialogEnd::Cancel;
  }
  bool RunSettingsDialog(QWidget*, SettingsDialog& dialog) override {
    return settingsDialog && settingsDialog(dialog);
  }
  void RunArchiveDialog(QWidget* parent, ArchiveDialog& dialog) override {
    if (archiveDialog) archiveDialog(parent, dialog);
  }
  std::optional<std::filesystem::path> AskSaveFile(QWidget*, const QString&, const QString&,
                                                   const QString&) override {
    return std::nullopt;
  }
  std::optional<FloorChange> AskFloorChange(QWidget*, Language, int) override { return std::nullopt; }
  bool AskYesNo(QWidget*, const QString&, const QString&, Language, DefaultAnswer) override { return false; }
  void ShowAbout(QWidget*, Language) override {}
  bool OpenPage(const QUrl&) override { return true; }
  std::optional<ConnectChoice> answer;
  std::function<KeyDialogEnd(KeyDialog&)> keyDialog;
  std::function<bool(SettingsDialog&)> settingsDialog;
  std::function<void(QWidget*, ArchiveDialog&)> archiveDialog;
};

// The operator of the key dialog: types a key, floors 1 and 24 and the comment "Ab", and presses
// OK at once.
class TypingOperator final : public KeyDialogWindow, public TimerHost {
 public:
  KeyDialogEnd Answer(KeyDialog& dialog, const std::string& code) {
    dialog.Open(*this, *this);
    dialog.ToggleManualEntry();
    const bool taken = dialog.Accept(code, "Ab");
    dialog.Close(Floors{0x01, 0x00, 0x80});
    return taken ? KeyDialogEnd::Ok : KeyDialogEnd::Cancel;
  }
  void ShowKeyText(std::string_view) override {}
  void DisableOk() override {}
  void ShowMessage(std::string_view, KeyField) override {}
  bool AskYesNo(std::string_view) override { return true; }
  void ShowStatus(std::string_view) override {}
  bool StartTimer(int, std::chrono::milliseconds) override { return true; }
  void StopTimer(int) override {}
};

// The PC's clock, counting the sequencer's ticks: each one starts by reading it.
class CountingClock final : public LocalClock {
 public:
  LocalTime Now() const override {
    ++reads;
    lastRead = std::chrono::steady_clock::now();
    return system.Now();
  }
  SystemLocalClock system;
  mutable int reads = 0;
  // When the last tick began.
  mutable std::chrono::steady_clock::time_point lastRead{};
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
  CountingClock clock;
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

// A keystroke in the filter box over 4,360 listed keys, and the repaint: the first character of a
// search, which re-filters every key and still lists the most of them (each code with a "1").
void BM_FilterKeystrokeOver4360KeysAndPaint(benchmark::State& state) {
  Program program;
  program.FillWithKeys();
  program.window.resize(980, 620);
  program.window.show();
  auto* filter = program.window.findChild<QLineEdit*>(QStringLiteral("keyFilter"));
  for (auto _ : state) {
    state.PauseTiming();
    filter->clear();
    program.window.repaint();
    QApplication::processEvents();
    state.ResumeTiming();
    QTest::keyClick(filter, '1');
    program.window.repaint();
    QApplication::processEvents();
  }
  const auto* list = program.window.findChild<QAbstractItemView*>(QStringLiteral("keyList"));
  state.counters["rows"] = list->model()->rowCount();
}
BENCHMARK(BM_FilterKeystrokeOver4360KeysAndPaint)->Unit(benchmark::kMillisecond);

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

void BM_WatchdogTickFindingAPresentedKeyAmong4360(benchmark::State& state) {
  const auto memory = sim::GenerateKeyMemory(kMostKeys, kSmallestRecord, 7);
  // The reader reports the last key of the memory, which the search reaches last.
  std::vector<std::uint8_t> presented{1};
  const auto last = memory.begin() + (kMostKeys - 1) * kSmallestRecord;
  presented.insert(presented.end(), last, last + static_cast<std::ptrdiff_t>(KeyCode{}.size()));
  bench::CannedReplyLine device(presented);
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
  controller.sequencer().LinkOpened();
  controller.sequencer().LinkAccepted();
  controller.sequencer().Rest();
  window.StopTimer(Sequencer::kTimerId);                         // the benchmark delivers the ticks itself
  for (auto _ : state) controller.OnTimer(Sequencer::kTimerId);  // 'k', reader check, 0x05, ack check
  state.counters["highlighted_row"] = controller.selection().highlightedRow().value_or(-1);
}
BENCHMARK(BM_WatchdogTickFindingAPresentedKeyAmong4360)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMicrosecond);

// A unit served on a pseudo-terminal, and the program whose connect dialog answers COM1 there.
struct UnitOnAPty {
  UnitOnAPty() = default;
  explicit UnitOnAPty(std::unique_ptr<sim::SimulatedUnit> loaded) : unit(std::move(loaded)) {}
  // False, and the benchmark skipped, when there is no pseudo-terminal to be had.
  bool Start(benchmark::State& state) {
    if (!unit.Start()) {
      state.SkipWithError("no pseudo-terminal");
      return false;
    }
    program.ports.Assign(1, unit.SlavePath());
    program.interactions.answer = ConnectChoice{4719, 1, 1, 1};
    return true;
  }
  sim::PtyUnitThread unit{std::make_unique<sim::SimulatedUnit>()};
  Program program;
};

void BM_LoginPacingOverAPseudoTerminal(benchmark::State& state) {
  for (auto _ : state) {
    UnitOnAPty line;
    if (!line.Start(state)) return;
    Program& program = line.program;
    QElapsedTimer elapsed;
    program.window.controller().ConnectCommand();
    elapsed.start();
    // The verdict tick starts the settings read; until then the login runs on its 50 ms timer.
    while (!program.window.controller().sequencer().IsRunning(OperationKind::SettingsRead) &&
           elapsed.elapsed() < 3000)
      QTest::qWait(1);
    state.SetIterationTime(static_cast<double>(elapsed.nsecsElapsed()) / 1e9);
    program.window.close();
  }
}
BENCHMARK(BM_LoginPacingOverAPseudoTerminal)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// Connects the program to the unit and waits until it rests on the watchdog.
bool ConnectAndRest(Program& program) {
  UnitController& controller = program.window.controller();
  controller.ConnectCommand();
  QElapsedTimer elapsed;
  elapsed.start();
  while (!(controller.sequencer().state() == Sequencer::State::Resting &&
           controller.sequencer().CommandEnabled(Command::EditKey)) &&
         elapsed.elapsed() < 10'000)
    QTest::qWait(1);
  return controller.sequencer().CommandEnabled(Command::EditKey);
}

// From the key dialog's OK to the return to the watchdog, on the window's own timers: the protocol
// takes 15 s (41 ticks) for a key with the comment "Ab".
void BM_SaveOfOneKeyOverAPseudoTerminal(benchmark::State& state) {
  std::mt19937 random(11);
  for (auto _ : state) {
    UnitOnAPty line;
    if (!line.Start(state)) return;
    Program& program = line.program;
    UnitController& controller = program.window.controller();
    if (!ConnectAndRest(program)) return;
    QElapsedTimer elapsed;
    TypingOperator typist;
    int ticksAtOk = 0;
    program.interactions.keyDialog = [&](KeyDialog& dialog) {
      const KeyDialogEnd end = typist.Answer(dialog, KeyCodeToText(sim::RandomEightByteCode(random)));
      elapsed.start();
      ticksAtOk = program.clock.reads;
      return end;
    };
    controller.AddKeys();
    while (controller.sequencer().state() != Sequencer::State::Resting && elapsed.elapsed() < 20'000)
      QTest::qWait(1);
    state.SetIterationTime(static_cast<double>(elapsed.nsecsElapsed()) / 1e9);
    state.counters["ticks"] = program.clock.reads - ticksAtOk;
    state.counters["saved"] = controller.sequencer().log().starts_with("Key saved") ? 1 : 0;
    program.window.close();
  }
}
BENCHMARK(BM_SaveOfOneKeyOverAPseudoTerminal)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// The operator of the settings dialog, who confirms at once.
class ConfirmingOperator final : public SettingsDialogWindow, public TimerHost {
 public:
  bool Answer(SettingsDialog& dialog, const SettingsEntries& entries) {
    dialog.Open(*this, *this);
    const bool ok = dialog.Accept(entries);
    dialog.Close();
    return ok;
  }
  void ShowClock(std::string_view, bool) override {}
  void DisableOk() override {}
  void ShowMessage(std::string_view) override {}
  bool AskYesNo(std::string_view) override { return true; }
  std::optional<int> AskAccessCode(std::string_view) override { return std::nullopt; }
  void FocusField(Field) override {}
  bool StartTimer(int, std::chrono::milliseconds) override { return true; }
  void StopTimer(int) override {}
};

// A new comment length (85 to 35) from the settings dialog's OK to the return to the watchdog:
// ten 200 ms ticks, then 512 blocks and the last block's reply at 750 ms (386.75 s, 523 ticks).
void BM_CommentLengthRewriteOverAPseudoTerminal(benchmark::State& state) {
  for (auto _ : state) {
    UnitOnAPty line;
    if (!line.Start(state) || !ConnectAndRest(line.program)) return;
    Program& program = line.program;
    UnitController& controller = program.window.controller();
    QElapsedTimer elapsed;
    int ticksAtOk = 0;
    ConfirmingOperator confirming;
    program.interactions.settingsDialog = [&](SettingsDialog& dialog) {
      const bool ok = confirming.Answer(dialog, {"5", "35", "Lift A"});
      elapsed.start();
      ticksAtOk = program.clock.reads;
      return ok;
    };
    controller.StartWriteSettings();
    while (controller.sequencer().state() != Sequencer::State::Resting && elapsed.elapsed() < 420'000)
      QTest::qWait(5);
    state.SetIterationTime(static_cast<double>(elapsed.nsecsElapsed()) / 1e9);
    state.counters["ticks"] = program.clock.reads - ticksAtOk;
    state.counters["done"] = controller.sequencer().log().starts_with("Done") ? 1 : 0;
    program.window.close();
  }
}
BENCHMARK(BM_CommentLengthRewriteOverAPseudoTerminal)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// A file copied to the unit, from the archive dialog's start of the write to the judged relay
// byte: two ticks and 513 at 500 ms, then nine at 700 ms (263.8 s).
void BM_ImageRestoreOverAPseudoTerminal(benchmark::State& state) {
  for (auto _ : state) {
    UnitOnAPty line;
    if (!line.Start(state) || !ConnectAndRest(line.program)) return;
    Program& program = line.program;
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "qel-bench-restore.kym";
    SaveImageFile(file, program.window.controller().image().Bytes(), {5, 100, 0, 0});
    QElapsedTimer elapsed;
    bool ready = false;
    program.interactions.archiveDialog = [&](QWidget* parent, ArchiveDialog& dialog) {
      ArchivePrompts prompts;
      prompts.confirm = [](QWidget*, Language, const QString&) { return true; };
      prompts.openFile = [&](QWidget*, const QString&, const QString&) {
        elapsed.start();
        return std::optional(file);
      };
      prompts.saveFile = [](QWidget*, const QString&, const QString&, const QString&, const QString&) {
        return std::nullopt;
      };
      prompts.showBox = [](QWidget*, QMessageBox::Icon, const QString&, const QString&) {};
      CArchiveDlg window(dialog, prompts, parent);
      window.show();
      dialog.LoadImage();
      while (!dialog.MayClose() || !elapsed.isValid()) {
        if (elapsed.isValid() && elapsed.elapsed() > 300'000) break;
        QTest::qWait(5);
      }
      state.SetIterationTime(static_cast<double>(elapsed.nsecsElapsed()) / 1e9);
      ready = program.window.controller().sequencer().log().starts_with("New relay settings set");
      window.done(QDialog::Rejected);
    };
    program.window.controller().OpenArchive();
    state.counters["settings"] = ready ? 1 : 0;
    std::filesystem::remove(file);
    program.window.close();
  }
}
BENCHMARK(BM_ImageRestoreOverAPseudoTerminal)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

// Every key of a full memory of 15-byte records printed to a PDF file.
void BM_PrintOf4360KeysToAPdf(benchmark::State& state) {
  Program program;
  program.FillWithKeys();
  program.window.controller().RefillKeyList();
  const QTemporaryDir dir;
  int pages = 0;
  for (auto _ : state) {
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(dir.filePath(QStringLiteral("keys.pdf")));
    if (!program.window.PrintKeyList(pdf, PrintScope::All)) state.SkipWithError("the PDF cannot be written");
    pages = KeyListPrinter(program.window.controller().KeysToPrint(PrintScope::All, {}), Language::English,
                           QDate::currentDate())
                .PageCount(pdf);
  }
  state.counters["pages"] = pages;
  state.counters["bytes"] = static_cast<double>(QFileInfo(dir.filePath(QStringLiteral("keys.pdf"))).size());
}
BENCHMARK(BM_PrintOf4360KeysToAPdf)->Unit(benchmark::kMillisecond);

// Calls back at each paint of a widget.
class PaintWatch final : public QObject {
 public:
  PaintWatch(QWidget* widget, std::function<void()> painted) : painted_(std::move(painted)) {
    widget->installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted_();
    return false;
  }

 private:
  std::function<void()> painted_;
};

// The connect of a unit whose memory is full of 100-byte records (654 keys), shown in the window:
// the key load's own time (its ticks counted, the protocol's 69), the first row after the tick that
// read it (in the model, and painted) and after the load began, and the whole list after the load's
// last tick. Over a minute in real time: run it alone, --benchmark_filter=KeyLoad.
void BM_KeyLoadOfAFullMemoryOverAPseudoTerminal(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  constexpr int kFullList = 654;
  const auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
  for (auto _ : state) {
    auto loaded = std::make_unique<sim::SimulatedUnit>();
    loaded->LoadMemory(sim::GenerateKeyMemory(kFullList, 100, 5));
    UnitOnAPty line(std::move(loaded));
    if (!line.Start(state)) return;
    Program& program = line.program;
    UnitController& controller = program.window.controller();
    program.window.show();
    if (!QTest::qWaitForWindowExposed(&program.window)) state.SkipWithError("the window is not shown");
    auto* list = program.window.findChild<QAbstractItemView*>(QStringLiteral("keyList"));
    Clock::time_point firstRow{}, firstRowTick{}, painted{}, complete{}, lastTick{};
    QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, [&] {
      if (firstRow == Clock::time_point{}) {
        firstRow = Clock::now();
        firstRowTick = program.clock.lastRead;
      }
      if (list->model()->rowCount() == kFullList) {
        complete = Clock::now();
        lastTick = program.clock.lastRead;
      }
    });
    const PaintWatch paints(list->viewport(), [&] {
      if (firstRow != Clock::time_point{} && painted == Clock::time_point{}) painted = Clock::now();
    });
    controller.ConnectCommand();
    Clock::time_point began{}, ended{};
    int ticksAtBegin = 0;
    for (const auto deadline = Clock::now() + 150s; Clock::now() < deadline; QTest::qWait(1)) {
      const bool loading = controller.sequencer().IsRunning(OperationKind::KeyLoad);
      if (loading && began == Clock::time_point{}) {
        began = Clock::now();
        ticksAtBegin = program.clock.reads;
      }
      if (began != Clock::time_point{} && !loading) {
        ended = Clock::now();
        break;
      }
    }
    state.SetIterationTime(std::chrono::duration<double>(ended - began).count());
    state.counters["ticks"] = program.clock.reads - ticksAtBegin;
    state.counters["rows"] = list->model()->rowCount();
    state.counters["firstRowAfterItsTick_ms"] = ms(firstRow - firstRowTick);
    state.counters["firstRowPaintedAfterItsTick_ms"] = ms(painted - firstRowTick);
    state.counters["firstRowAfterLoadBegan_ms"] = ms(firstRow - began);
    state.counters["wholeListAfterLastTick_ms"] = ms(complete - lastTick);
    program.window.close();
  }
}
BENCHMARK(BM_KeyLoadOfAFullMemoryOverAPseudoTerminal)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  // The windows' remembered place stays in this run, away from the user's own settings.
  const QTemporaryDir settings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
