#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "link/PortTable.h"
#include "link/SerialPort.h"
#include "sequencer/UnitController.h"
#include "sim/SimulatedUnit.h"
#include "sim/VirtualSerialDevice.h"
#include "tests/support/FixedLocalClock.h"
#include "tests/support/RecordingView.h"
#include "tests/support/VirtualTimerHost.h"

namespace qel::test {

// The main window's core wired to simulated units on the virtual clock: COM n leads to the path
// "COMn", where a test places a unit, a silent port or nothing.
class UnitRig {
 public:
  explicit UnitRig(Language language = Language::English);

  // Places a unit behind COM `port`; the rig owns it.
  sim::SimulatedUnit& AddUnit(int port, sim::UnitConfig config = {});
  void AddSilentPort(int port);
  void AddUnavailablePort(int port, SerialResult reason);

  // Delivers timer ticks until `done` holds or `limit` of virtual time has passed; true when done.
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);
  void RunFor(std::chrono::milliseconds duration);
  // Presses Connect with the given dialog answer and runs until the key list is loaded and
  // the watchdog rests (or `limit` passes); true when connected.
  bool Connect(ConnectChoice choice = {}, std::chrono::milliseconds limit = std::chrono::minutes(3));

  bool WatchdogRuns() const { return timers.IsRunning(kWatchdogTimer) && timers.RunningCount() == 1; }

  sim::VirtualClock clock;
  VirtualTimerHost timers{clock};
  FixedLocalClock localClock;
  sim::VirtualSerialDevice device{clock};
  PortTable table;
  RecordingView view;
  CSerialPort port{device, table, view};
  UnitController controller;
  int ticks = 0;
  sim::SimTime lastTickAt{0};  // when the last tick was delivered

 private:
  std::map<int, std::unique_ptr<sim::SimulatedUnit>> units_;
};

}  // namespace qel::test
