// CPU cost of one sequencer tick: a 13-byte reply read and one byte written (the reader poll of the
// watchdog), one 128-byte block written (the memory transfers), and one second of the settings
// dialog's live clock (a request and the 7-byte reply, decoded and shown). Measured twice: over an
// in-memory line, which is the sequencer's own cost, and over a real pseudo-terminal, which adds
// the system calls of the serial path.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "bench/CannedReplyLine.h"
#include "dialogs/SettingsDialog.h"
#include "link/PosixSerialDevice.h"
#include "link/SerialPort.h"
#include "link/UnitCommands.h"
#include "sequencer/Sequencer.h"

namespace {

using namespace qel;
using bench::CannedReplyLine;

class NullTimers final : public TimerHost {
 public:
  bool StartTimer(int, std::chrono::milliseconds) override { return true; }
  void StopTimer(int) override {}
};

class NullView final : public View {
 public:
  void ShowMessageBox(std::string_view, std::string_view) override {}
  void SetCommandEnabled(Command, bool) override {}
  void ShowLog(std::string_view) override {}
  void ShowProgress(std::string_view, int, std::string_view) override {}
  void HideProgress() override {}
  void SetConnectText(std::string_view, bool) override {}
  void ShowSerialWarning(std::string_view) override {}
};

// The shape of the watchdog's reader step: take in the 13-byte reply, keep its code, ask again.
class ReaderPollStep final : public Operation {
 public:
  explicit ReaderPollStep(Sequencer& s) : Operation(OperationKind::Watchdog), s_(s) {}
  std::chrono::milliseconds Period() const override { return kWatchdogPeriod; }
  Outcome Tick() override {
    if (s_.ReadReply() == unit::kReaderReplyLength)
      for (int i = 1; i < unit::kReaderReplyLength; ++i) code[i - 1] = s_.ReplyByte(i);
    s_.SendByte(unit::kReadReader);
    return Outcome::Going;
  }
  std::array<std::uint8_t, 12> code{};

 private:
  Sequencer& s_;
};

class BlockStep final : public Operation {
 public:
  explicit BlockStep(Sequencer& s) : Operation(OperationKind::SettingsWrite), s_(s) { block.fill(0xA5); }
  std::chrono::milliseconds Period() const override { return std::chrono::milliseconds{750}; }
  Outcome Tick() override {
    s_.SendBlock(block);
    return Outcome::Going;
  }
  std::array<std::uint8_t, unit::kBlockSize> block{};

 private:
  Sequencer& s_;
};

struct Rig {
  explicit Rig(SerialDevice& device, PortTable& table)
      : port(device, table, view), sequencer(port, timers, clock, view) {
    port.Open(1);
  }
  NullView view;
  NullTimers timers;
  SystemLocalClock clock;
  CSerialPort port;
  Sequencer sequencer;
};

PortTable OnePortTable(const std::string& path) {
  PortTable table;
  table.Assign(1, path);
  return table;
}

void BM_ReaderTick_InMemory(benchmark::State& state) {
  CannedReplyLine device(std::vector<std::uint8_t>(unit::kReaderReplyLength, 0x5A));
  PortTable table = OnePortTable("memory");
  Rig rig(device, table);
  ReaderPollStep step(rig.sequencer);
  rig.sequencer.Run(step);
  for (auto _ : state) rig.sequencer.OnTimer(Sequencer::kTimerId);
  benchmark::DoNotOptimize(step.code);
}
BENCHMARK(BM_ReaderTick_InMemory);

void BM_BlockTick_InMemory(benchmark::State& state) {
  CannedReplyLine device({unit::kAck});
  PortTable table = OnePortTable("memory");
  Rig rig(device, table);
  BlockStep step(rig.sequencer);
  rig.sequencer.Run(step);
  for (auto _ : state) rig.sequencer.OnTimer(Sequencer::kTimerId);
  benchmark::DoNotOptimize(device.written());
}
BENCHMARK(BM_BlockTick_InMemory);

// The far end of a pseudo-terminal, for the real serial path.
class PtyPeer {
 public:
  PtyPeer() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    grantpt(master_);
    unlockpt(master_);
    slave_ = ptsname(master_);
  }
  ~PtyPeer() { close(master_); }
  const std::string& slave() const { return slave_; }
  void Send(std::span<const std::uint8_t> bytes) { (void)!write(master_, bytes.data(), bytes.size()); }
  void Drain() {
    std::array<std::uint8_t, 4096> sink;
    const int flags = fcntl(master_, F_GETFL);
    fcntl(master_, F_SETFL, flags | O_NONBLOCK);
    while (read(master_, sink.data(), sink.size()) > 0) {
    }
    fcntl(master_, F_SETFL, flags);
  }

 private:
  int master_ = -1;
  std::string slave_;
};

void BM_ReaderTick_Pty(benchmark::State& state) {
  PtyPeer peer;
  PosixSerialDevice device;
  PortTable table = OnePortTable(peer.slave());
  Rig rig(device, table);
  ReaderPollStep step(rig.sequencer);
  rig.sequencer.Run(step);
  std::array<std::uint8_t, unit::kReaderReplyLength> reply{};
  reply.fill(0x31);
  for (auto _ : state) {
    state.PauseTiming();
    peer.Drain();
    peer.Send(reply);
    state.ResumeTiming();
    rig.sequencer.OnTimer(Sequencer::kTimerId);
  }
  benchmark::DoNotOptimize(step.code);
}
BENCHMARK(BM_ReaderTick_Pty)->MeasureProcessCPUTime();

void BM_BlockTick_Pty(benchmark::State& state) {
  PtyPeer peer;
  PosixSerialDevice device;
  PortTable table = OnePortTable(peer.slave());
  Rig rig(device, table);
  BlockStep step(rig.sequencer);
  rig.sequencer.Run(step);
  for (auto _ : state) {
    state.PauseTiming();
    peer.Drain();
    state.ResumeTiming();
    rig.sequencer.OnTimer(Sequencer::kTimerId);
  }
}
BENCHMARK(BM_BlockTick_Pty)->MeasureProcessCPUTime();

// The settings dialog's window, drawing nothing.
class QuietSettingsWindow final : public SettingsDialogWindow {
 public:
  void ShowClock(std::string_view text, bool) override { shown = text; }
  void DisableOk() override {}
  void ShowMessage(std::string_view) override {}
  bool AskYesNo(std::string_view) override { return false; }
  std::optional<int> AskAccessCode(std::string_view) override { return std::nullopt; }
  void FocusField(Field) override {}
  std::string shown;
};

constexpr std::array<std::uint8_t, unit::kClockReplyLength> kClockReply{0x53, 0x26, 0x09, 0x06,
                                                                        0x14, 0x03, 0x26};

// One second of the live clock: the request tick and the reply tick.
template <typename Line>
void ClockSecond(benchmark::State& state, Line&& sendReply, SerialDevice& device, const std::string& path) {
  PortTable table = OnePortTable(path);
  Rig rig(device, table);
  KeyMemoryImage image;
  SettingsDialog dialog(rig.sequencer, image, {});
  QuietSettingsWindow window;
  dialog.Open(window, rig.timers);
  for (auto _ : state) {
    dialog.OnTimer();
    state.PauseTiming();
    sendReply();
    state.ResumeTiming();
    dialog.OnTimer();
  }
  benchmark::DoNotOptimize(window.shown);
}

void BM_SettingsClockSecond_InMemory(benchmark::State& state) {
  CannedReplyLine device(std::vector<std::uint8_t>(kClockReply.begin(), kClockReply.end()));
  ClockSecond(
      state, [] {}, device, "memory");
}
BENCHMARK(BM_SettingsClockSecond_InMemory);

void BM_SettingsClockSecond_Pty(benchmark::State& state) {
  PtyPeer peer;
  PosixSerialDevice device;
  ClockSecond(
      state,
      [&] {
        peer.Drain();
        peer.Send(kClockReply);
      },
      device, peer.slave());
}
BENCHMARK(BM_SettingsClockSecond_Pty)->MeasureProcessCPUTime();

}  // namespace
