#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "link/SerialPort.h"
#include "sequencer/LocalClock.h"
#include "sequencer/TimerHost.h"
#include "sequencer/View.h"
#include "texts/Language.h"

namespace qel {

// The numbered operation timers of the main window.
enum TimerId : int {
  kLoginTimer = 1,
  kWatchdogTimer = 2,
  kSettingsReadTimer = 3,
  kSettingsWriteTimer = 4,
  kKeyLoadTimer = 5,
  kDeleteKeyTimer = 6,
  kSaveKeyTimer = 7,
  kSavePauseTimer = 8,
};
inline constexpr int kOperationTimerCount = 8;

inline constexpr std::chrono::milliseconds kWatchdogPeriod{500};

enum class ErrorKind : int {
  Critical = 1,  // all work halts; only Connect remains, which connects afresh
  LinkLost = 2,  // the port is closed; only Connect remains
  Logged = 3,    // a log line; the operation goes on
};

// One operation with the unit: a state machine that does one step per tick of its timer.
// `step` is its step counter; the sequencer resets it when it (re)starts the operation's timer
// on its own behalf (the watchdog, after every operation).
class Operation {
 public:
  virtual ~Operation() = default;
  virtual void Tick() = 0;
  int step = 0;
};

// The frame in which every exchange with the unit runs: the tick dispatch, the byte exchange over
// the one serial port, the switching between operations and the watchdog, numbered error reports
// and the message log. Single-threaded; nothing here blocks longer than one serial read (10 ms).
class Sequencer {
 public:
  using CommandFlags = std::array<int, kCommandCount>;
  static constexpr CommandFlags kDisconnectedCommands{0, 0, 0, 0, 1, 0};
  // Connected, the Connect button disconnects.
  static constexpr CommandFlags kConnectedCommands{1, 1, 1, 1, 1, 1};

  Sequencer(CSerialPort& port, TimerHost& timers, LocalClock& clock, View& view);

  // Operations register for their timer id (1..8) once, when the window is built.
  void Register(int timerId, Operation& operation);

  // The tick of timer `id`: takes the local time, then runs one step of that id's operation.
  void OnTimer(int id);
  // The local time taken at the start of the current tick.
  const LocalTime& tickTime() const { return tickTime_; }
  // The local time now, between ticks too.
  LocalTime Now() const { return clock_.Now(); }

  Language language() const { return language_; }
  void SetLanguage(Language language) { language_ = language; }

  // Byte exchange.
  void SendByte(std::uint8_t b);
  void SendBlock(std::span<const std::uint8_t> block);
  int ReadReply();
  std::uint8_t ReplyByte(int i) const;
  void DiscardInput();
  // Reads the echo of the previous data byte, writes b in any case, and moves lastSentByte on to
  // b only when the echo was exactly lastSentByte: one broken link leaves the chain behind for good.
  int SendChecked(std::uint8_t b);

  // Operation switching.
  int StartOperation(int id, std::chrono::milliseconds period);
  void ReturnToWatchdog(int timerToStop);
  // Starts (or restarts) a timer for an operation that hands over on its own; -1 and the
  // "Timer error!" box when the platform refuses.
  int StartTimer(int id, std::chrono::milliseconds period);
  void StopTimer(int id);
  void DisableCommands();
  void EnableCommands();
  // Names the Connect button after what it does under the current flags.
  void ShowConnectText();

  // Reporting.
  void ReportError(int code, ErrorKind kind, std::string_view text);
  void AppendLog(std::string_view text);
  void AppendProgress(std::string_view mark);
  void ShowTimerError();

  // The progress of a long transfer: its whole time in the protocol (zero when only the unit knows
  // it), then each tick's period. The view shows it until EndProgress, which the return to the
  // watchdog and the errors that stop an operation call too.
  void BeginProgress(std::chrono::milliseconds total);
  void SetProgressText(std::string text) { progressText_ = std::move(text); }
  void AdvanceProgress(std::chrono::milliseconds period);
  void EndProgress();

  CSerialPort& port() { return port_; }
  View& view() { return view_; }

  int currentTimerId = 0;
  CommandFlags commandEnabled = kDisconnectedCommands;
  int editAllowed = 0;
  int linkOpen = 0;
  // A critical error halted all work on an open link; cleared when the link is let go or opened
  // afresh.
  bool halted = false;
  std::uint8_t lastSentByte = 0;
  std::string logText;
  // Every error reported so far, counted, and the number of the last: a front end without boxes
  // judges a run by them.
  int errorCount = 0;
  int lastErrorCode = 0;

 private:
  CSerialPort& port_;
  TimerHost& timers_;
  LocalClock& clock_;
  View& view_;
  Language language_ = Language::English;
  LocalTime tickTime_{};
  bool progressShown_ = false;
  std::string progressText_;
  std::chrono::milliseconds progressDone_{};
  std::chrono::milliseconds progressTotal_{};
  std::array<Operation*, kOperationTimerCount + 1> operations_{};
};

}  // namespace qel
