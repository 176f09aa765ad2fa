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

// What one tick of an operation came to.
enum class Outcome {
  Going,   // the next tick goes on with it
  Done,    // it ended well: the next operation of its chain starts, or the watchdog rests
  Failed,  // it ended on an error it has reported: the chain stops
};

// What an operation does, for those that wait on it or ask whether the unit is being written.
enum class OperationKind {
  Login,
  Watchdog,
  SettingsRead,
  SettingsWrite,
  KeyLoad,
  DeleteKey,
  SaveKeys,
  SavePause
};

// One operation with the unit: a state machine that does one step per tick of the sequencer's
// timer. The sequencer starts it from its first step.
class Operation {
 public:
  explicit Operation(OperationKind kind) : kind_(kind) {}
  virtual ~Operation() = default;
  Operation(const Operation&) = delete;
  Operation& operator=(const Operation&) = delete;

  OperationKind kind() const { return kind_; }
  // The period of its ticks when it starts.
  virtual std::chrono::milliseconds Period() const = 0;
  // What goes out before the previous operation's timer stops.
  virtual void Prepare() {}
  // What goes out once its timer runs, before the first tick.
  virtual void Begin() {}
  virtual Outcome Tick() = 0;

 protected:
  int step = 0;

 private:
  friend class Sequencer;
  OperationKind kind_;
};

// Operations that run one after another, and what a failure of any of them leaves to be told
// (after the failing operation has reported its error).
struct Chain {
  std::vector<Operation*> operations;
  std::function<void()> failed;
};

// The frame in which every exchange with the unit runs: one timer whose ticks go to the operation
// that runs, the byte exchange over the one serial port, the chains of operations and the watchdog
// that rests between them, numbered error reports, the message log and the progress of long
// transfers. Single-threaded; nothing here blocks longer than one serial read (10 ms).
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
  void SetWatchdog(Operation& watchdog) { watchdog_ = &watchdog; }

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
  bool Run(Chain chain);
  bool Run(Operation& operation) { return Run(Chain{{&operation}, {}}); }
  // The watchdog, from its first step, with the first tick `period` away.
  bool Rest(std::chrono::milliseconds period = kWatchdogPeriod);
  // A dialog opens: the running operation's ticks stop until Rest.
  void Hold();
  // The running operation goes on with ticks of another period; false when refused.
  bool Repace(std::chrono::milliseconds period);
  // The running operation hands its ticks to `next` without ending, so that `next` hands them back
  // where it left off (a pause on a period of its own); false when refused.
  bool Switch(Operation& next, std::chrono::milliseconds period);
  State state() const;
  bool IsRunning(OperationKind kind) const { return running_ != nullptr && running_->kind() == kind; }
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
  // Stops the running operation's ticks and forgets it and its chain.
  void Stop();
  // Starts chain_'s operation `index`; false when its timer was refused.
  bool StartLink(std::size_t index);
  // The running operation's tick came to `outcome`.
  void Settle(Outcome outcome);
  void ShowProgress();

  CSerialPort& port_;
  TimerHost& timers_;
  LocalClock& clock_;
  View& view_;
  Language language_ = Language::English;
  LocalTime tickTime_{};

  Operation* watchdog_ = nullptr;
  Operation* running_ = nullptr;
  // Whether the timer ticks for running_ (not while a dialog holds it, nor after a refusal).
  bool ticking_ = false;
  Chain chain_;
  std::size_t chainIndex_ = 0;
  // Counts the runs started, so that a tick which started another run leaves it alone.
  unsigned runs_ = 0;

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
