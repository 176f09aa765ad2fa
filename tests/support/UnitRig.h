#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "controller/UnitController.h"
#include "link/PortTable.h"
#include "link/SerialPort.h"
#include "sim/SimulatedUnit.h"
#include "sim/VirtualSerialDevice.h"
#include "tests/files/TempFolder.h"
#include "tests/support/FixedLocalClock.h"
#include "tests/support/RecordingView.h"
#include "tests/support/VirtualTimerHost.h"

namespace qel::test {

// Bytes with the tick each went out on, in ms after a mark.
using Timeline = std::vector<std::pair<long, int>>;

// Reply byte `index` to the first `command` comes as `bytes` instead (none: left out).
sim::Faults WrongReply(std::uint8_t command, int index, std::vector<std::uint8_t> bytes);
// The unit goes dead at the first `command`, after `after` bytes of its answer.
sim::Faults DeadAt(std::uint8_t command, int after = 0);

// How far the unit's clock runs ahead of the PC's (behind when negative), to the millisecond: the
// PC's clock shows `pc` at the virtual instant `at` and runs on from there. Measured at the unit's
// next whole second, where its clock shows exactly what it holds.
std::chrono::milliseconds ClockOffset(const sim::SimulatedUnit& unit, sim::SimTime at, const LocalTime& pc);

// The main window's core wired to simulated units on the virtual clock: COM n leads to the path
// "COMn", where a test places a unit, a silent port or nothing.
class UnitRig {
 public:
  explicit UnitRig(Language language = Language::English);

  // Places a unit behind COM `port`; the rig owns it, and `unit` points at the last one placed.
  sim::SimulatedUnit& AddUnit(int port, sim::UnitConfig config = {});
  void AddSilentPort(int port);
  void AddUnavailablePort(int port, SerialResult reason);

  // Delivers timer ticks until `done` holds or `limit` of virtual time has passed; true when done.
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);
  void RunFor(std::chrono::milliseconds duration);
  // Presses Connect with the given dialog answer and runs until the key list is loaded and
  // the watchdog rests (or `limit` passes); true when connected.
  bool Connect(ConnectChoice choice = {}, std::chrono::milliseconds limit = std::chrono::minutes(3));
  // Places a unit holding `keys` keys behind COM1 and connects to it; true when connected.
  bool ConnectUnit(sim::UnitConfig config = {}, int keys = 0);
  // Runs until the watchdog rests with the commands enabled again.
  bool RunToWatchdog(std::chrono::milliseconds limit = std::chrono::minutes(10));

  // The controller's automatic backups so far, oldest first.
  std::vector<std::filesystem::path> Backups() const;

  // Whether `kind` runs on the sequencer's ticking timer, the only one running.
  bool Runs(OperationKind kind) const {
    return controller.sequencer().IsRunning(kind) && timers.IsRunning(Sequencer::kTimerId) &&
           timers.RunningCount() == 1;
  }
  bool WatchdogRuns() const { return Runs(OperationKind::Watchdog); }
  // The key Edit and Delete would act on in the window.
  std::optional<int> Target() const {
    return controller.selection().Target(view.selected, controller.image());
  }

  // The first `count` bytes written from `mark` on, each with its ms after it rounded down to `grain`.
  Timeline SentSince(sim::SimTime mark, std::size_t count = SIZE_MAX, long grain = 100) const;

  // Where the controller's automatic backups go: a folder "backups" in here, made when first needed.
  TempFolder files;
  sim::VirtualClock clock;
  VirtualTimerHost timers{clock};
  VirtualTimerHost dialogTimers{clock};  // the timers of a dialog the test plays
  FixedLocalClock localClock;
  sim::VirtualSerialDevice device{clock};
  PortTable table;
  RecordingView view;
  CSerialPort port{device, table, view};
  UnitController controller;
  sim::SimulatedUnit* unit = nullptr;
  int ticks = 0;
  sim::SimTime lastTickAt{0};  // when the last tick was delivered

 private:
  std::map<int, std::unique_ptr<sim::SimulatedUnit>> units_;
};

}  // namespace qel::test
