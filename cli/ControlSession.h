#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "cli/ConsoleView.h"
#include "cli/TickLoop.h"
#include "controller/UnitController.h"
#include "link/SerialDevice.h"
#include "link/SerialPort.h"
#include "sequencer/LocalClock.h"

namespace qel {

// Exit statuses of qelctl.
inline constexpr int kExitDone = 0;
inline constexpr int kExitUnitFailed = 1;
inline constexpr int kExitBadInput = 2;
inline constexpr int kExitNoUnit = 3;
// Ctrl+C, as the shell reports a command it ended.
inline constexpr int kExitInterrupted = 130;

// How to reach the unit.
struct SessionSetup {
  std::optional<std::string> device;  // --device: a path, tried alone
  std::optional<int> port;            // --port: a COM number, tried alone
  int accessCode = 4719;
  bool bluetooth = false;
  // --clock with a date and time: the clock write sends it (running on) instead of the PC's.
  std::optional<LocalTime> clockAt;
  // --backup-dir: where automatic backups go instead of the user's data folder.
  std::optional<std::filesystem::path> backupFolder;
};

// What a session reaches the world through: the serial line, the time its timers run on and the
// PC's calendar clock. Tests put a simulated line and a virtual clock here.
struct ControlWorld {
  SerialDevice& device;
  TickLoop::TimeSource& time;
  LocalClock& localClock;
};

// One connection to the unit, driven as the window drives it: the main window's timers on a tick
// loop, the same controller, the same flows.
class ControlSession {
 public:
  ControlSession(const SessionSetup& setup, const ControlWorld& world, ConsoleView& view, Language language);
  ~ControlSession();

  // The window's Connect: login, settings read and key load. kExitDone once the unit rests
  // connected; otherwise the exit status.
  int Connect();
  // Ticks until the unit rests again: the watchdog runs, the link dropped or work halted. A write
  // that a second Ctrl+C stops says what it leaves in the unit, with the automatic backup.
  TickLoop::Stop Settle();
  // kExitInterrupted once a write was stopped, kExitUnitFailed once an error was reported or the
  // link has gone, else kExitDone.
  int Status() const;
  // An archive transfer was stopped: the unit is half written or half cleared.
  void StoppedTransfer() { writeStopped_ = true; }
  // The archive's work that runs, if any: its transfers write the unit too.
  void SetArchive(const ArchiveTransfers* work) { archive_ = work; }
  // The window's close: 0x04 to a connected unit, and the port closed.
  void Close();

  UnitController& controller() { return *controller_; }
  TickLoop& loop() { return loop_; }
  ConsoleView& view() { return view_; }

 private:
  bool Resting() const;
  // The unit is being written: stopping now would leave it half written.
  bool Writing() const;

  SessionSetup setup_;
  ConsoleView& view_;
  PortTable ports_;
  CSerialPort port_;
  TickLoop loop_;
  TickLoop::Timers timers_;
  std::unique_ptr<LocalClock> givenClock_;
  std::unique_ptr<UnitController> controller_;
  const ArchiveTransfers* archive_ = nullptr;
  bool writeStopped_ = false;
};

}  // namespace qel
