#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "link/SerialPort.h"
#include "sequencer/LocalClock.h"
#include "sequencer/OperationRunner.h"
#include "sequencer/TimerHost.h"
#include "sequencer/View.h"
#include "texts/Language.h"

namespace qel {

inline constexpr std::chrono::milliseconds kWatchdogPeriod{500};

enum class ErrorKind : int {
  Critical = 1,  // all work halts; only Connect remains, which connects afresh
  LinkLost = 2,  // the port is closed; only Connect remains
  Logged = 3,    // a log line; the operation goes on
};

// The frame in which every exchange with the main window's unit runs: the runner of its operations
// on one timer, with the watchdog resting between chains, the byte exchange over the one serial
// port, the link's state and command buttons, numbered error reports, the message log and the
// progress of long transfers. Single-threaded; nothing here blocks longer than one serial read
// (10 ms).
class Sequencer {
 public:
  static constexpr int kTimerId = 1;

  enum class State {
    Disconnected,  // no link
    Resting,       // the watchdog runs (or waits while a dialog is open)
    Busy,          // an operation runs
    Halted,        // a critical error stopped all work, or a timer was refused
  };

  using CommandFlags = std::array<bool, kCommandCount>;
  static constexpr CommandFlags kDisconnectedCommands{false, false, false, false, true, false};
  // Connected, the Connect button disconnects.
  static constexpr CommandFlags kConnectedCommands{true, true, true, true, true, true};

  Sequencer(CSerialPort& port, TimerHost& timers, LocalClock& clock, View& view);

  // The watchdog, which Rest runs; registered once, when the window is built.
  void SetWatchdog(Operation& watchdog) { runner_.SetRest(watchdog); }

  // The tick of timer `id`: takes the local time, then runs one step of the running operation.
  void OnTimer(int id);
  // The local time taken at the start of the current tick.
  const LocalTime& tickTime() const { return tickTime_; }
  // The local time now, between ticks too.
  LocalTime Now() const { return clock_.Now(); }

  Language language() const { return language_; }
  void SetLanguage(Language language) { language_ = language; }

  // What runs: the operations of `chain` one after another, then the watchdog. False (with the
  // "Timer error!" box and the chain's failure told) when the first could not start.
  bool Run(Chain chain) { return runner_.Run(std::move(chain)); }
  bool Run(Operation& operation) { return runner_.Run(operation); }
  // The watchdog, from its first step, with the first tick `period` away.
  bool Rest(std::chrono::milliseconds period = kWatchdogPeriod) { return runner_.Rest(period); }
  // A dialog opens: the running operation's ticks stop until Rest.
  void Hold() { runner_.Hold(); }
  // The running operation goes on with ticks of another period; false when refused.
  bool Repace(std::chrono::milliseconds period) { return runner_.Repace(period); }
  // The running operation hands its ticks to `next` without ending, so that `next` hands them back
  // where it left off (a pause on a period of its own); false when refused.
  bool Switch(Operation& next, std::chrono::milliseconds period) { return runner_.Switch(next, period); }
  State state() const;
  bool IsRunning(OperationKind kind) const { return runner_.IsRunning(kind); }
  // Whether the unit is being written: stopping now would leave it half written.
  bool Writing() const;

  // The link: a port opened for a login, a login accepted, and the link let go (port closed by
  // the caller), which stops what runs and leaves only Connect.
  void LinkOpened();
  void LinkAccepted() { commandEnabled_ = kConnectedCommands; }
  void LinkClosed();
  bool linkOpen() const { return linkOpen_; }
  bool halted() const { return halted_; }

  // Byte exchange.
  void SendByte(std::uint8_t b);
  void SendBlock(std::span<const std::uint8_t> block);
  int ReadReply();
  std::uint8_t ReplyByte(int i) const;
  void DiscardInput();
  // Sends b and starts the echo chain with it.
  void SendChainStart(std::uint8_t b);
  // Reads the echo of the previous chained byte, writes b in any case, and moves the chain on to
  // b only when the echo was exactly that byte: one broken link leaves the chain behind for good.
  int SendChecked(std::uint8_t b);
  std::uint8_t lastChained() const { return lastChained_; }

  // The command buttons: all off, or each as the link's flags say.
  void DisableCommands();
  void EnableCommands();
  bool CommandEnabled(Command command) const { return commandsOn_[static_cast<std::size_t>(command)]; }
  const CommandFlags& commandFlags() const { return commandEnabled_; }
  // Names the Connect button after what it does under the current flags.
  void ShowConnectText();

  // Reporting.
  void ReportError(int code, ErrorKind kind, std::string_view text);
  void AppendLog(std::string_view text);
  void AppendProgress(std::string_view mark);
  void ShowTimerError();
  const std::string& log() const { return logText_; }
  // Every error reported so far, counted: a front end without boxes judges a run by them.
  int errorCount() const { return errorCount_; }
  int lastErrorCode() const { return lastErrorCode_; }

  // The progress of a long transfer: its whole time in the protocol (zero when only the unit knows
  // it; `atMost` when the unit may end it sooner), then each tick's period, or how far it is. The
  // view shows it until EndProgress, which the rest and the errors that stop an operation call too.
  void BeginProgress(std::chrono::milliseconds total, bool atMost = false);
  void SetProgressText(std::string text) { progressText_ = std::move(text); }
  void AdvanceProgress(std::chrono::milliseconds period);
  void ProgressAt(std::chrono::milliseconds done);
  void EndProgress();

  CSerialPort& port() { return port_; }
  View& view() { return view_; }

 private:
  void ShowProgress();

  CSerialPort& port_;
  LocalClock& clock_;
  View& view_;
  Language language_ = Language::English;
  LocalTime tickTime_{};

  OperationRunner runner_;

  CommandFlags commandEnabled_ = kDisconnectedCommands;
  CommandFlags commandsOn_{};
  bool linkOpen_ = false;
  bool halted_ = false;
  std::uint8_t lastChained_ = 0;
  std::string logText_;
  int errorCount_ = 0;
  int lastErrorCode_ = 0;

  bool progressShown_ = false;
  bool progressAtMost_ = false;
  std::string progressText_;
  std::chrono::milliseconds progressDone_{};
  std::chrono::milliseconds progressTotal_{};
};

}  // namespace qel
