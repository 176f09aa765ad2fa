#include "sequencer/Sequencer.h"

#include <algorithm>

#include "link/UnitCommands.h"
#include "texts/Texts.h"

namespace qel {

Sequencer::Sequencer(CSerialPort& port, TimerHost& timers, LocalClock& clock, View& view)
    : port_(port), timers_(timers), clock_(clock), view_(view) {}

void Sequencer::Register(int timerId, Operation& operation) {
  if (timerId >= 1 && timerId <= kOperationTimerCount) operations_[timerId] = &operation;
}

void Sequencer::OnTimer(int id) {
  tickTime_ = clock_.Now();
  if (id < 1 || id > kOperationTimerCount) return;
  if (Operation* operation = operations_[id]) operation->Tick();
}

void Sequencer::SendByte(std::uint8_t b) { port_.WriteByte(b); }

void Sequencer::SendBlock(std::span<const std::uint8_t> block) { port_.WriteBlock(block); }

int Sequencer::ReadReply() { return port_.Read(); }

std::uint8_t Sequencer::ReplyByte(int i) const { return port_.ByteAt(i); }

void Sequencer::DiscardInput() { port_.Read(); }

int Sequencer::SendChecked(std::uint8_t b) {
  const int n = ReadReply();
  SendByte(b);
  if (n == 1 && ReplyByte(0) == lastSentByte) {
    lastSentByte = b;
    return 0;
  }
  return 1;
}

int Sequencer::StartTimer(int id, std::chrono::milliseconds period) {
  if (timers_.StartTimer(id, period)) return id;
  ShowTimerError();
  return -1;
}

void Sequencer::StopTimer(int id) {
  if (id > 0) timers_.StopTimer(id);
}

int Sequencer::StartOperation(int id, std::chrono::milliseconds period) {
  DisableCommands();
  StopTimer(currentTimerId);
  DiscardInput();
  return StartTimer(id, period);
}

void Sequencer::ReturnToWatchdog(int timerToStop) {
  StopTimer(timerToStop);
  EndProgress();
  currentTimerId = StartTimer(kWatchdogTimer, kWatchdogPeriod);
  if (currentTimerId < 0) return;
  if (Operation* watchdog = operations_[kWatchdogTimer]) watchdog->step = 0;
  EnableCommands();
}

void Sequencer::DisableCommands() {
  for (int i = 0; i < kCommandCount; ++i) view_.SetCommandEnabled(static_cast<Command>(i), false);
  editAllowed = 0;
}

void Sequencer::EnableCommands() {
  for (int i = 0; i < kCommandCount; ++i)
    view_.SetCommandEnabled(static_cast<Command>(i), commandEnabled[i] != 0);
  editAllowed = commandEnabled[static_cast<int>(Command::EditKey)];
  ShowConnectText();
}

void Sequencer::ShowConnectText() {
  const bool disconnects = commandEnabled == kConnectedCommands;
  view_.SetConnectText(Tr(disconnects ? Text::ButtonDisconnect : Text::ButtonConnect, language_),
                       !disconnects);
}

void Sequencer::ReportError(int code, ErrorKind kind, std::string_view text) {
  ++errorCount;
  lastErrorCode = code;
  switch (kind) {
    case ErrorKind::Critical: {
      StopTimer(currentTimerId);
      // Nothing runs any more: closing the window must not ask about a write that has stopped.
      currentTimerId = 0;
      EndProgress();
      // Only Connect remains: it lets the unit go and connects afresh.
      halted = true;
      commandEnabled = kDisconnectedCommands;
      EnableCommands();
      const std::string message = TrFormat(Text::CriticalError, language_, code);
      AppendLog(message);
      view_.ShowMessageBox(Tr(Text::ApplicationCaption, language_), message);
      break;
    }
    case ErrorKind::LinkLost: {
      StopTimer(currentTimerId);
      currentTimerId = 0;
      EndProgress();
      const std::string message = TrFormat(Text::LinkLostError, language_, code);
      view_.ShowMessageBox(Tr(Text::ApplicationCaption, language_), message);
      AppendLog(message);
      commandEnabled = kDisconnectedCommands;
      EnableCommands();
      SendByte(unit::kHangUp);
      port_.Close();
      linkOpen = 0;
      break;
    }
    case ErrorKind::Logged:
      AppendLog(TrFormat(Text::LoggedErrorPrefix, language_, code) + std::string(text));
      break;
  }
}

void Sequencer::AppendLog(std::string_view text) {
  logText = std::string(text) + "\r\n" + logText;
  view_.ShowLog(logText);
}

void Sequencer::AppendProgress(std::string_view mark) {
  logText.insert(0, mark);
  view_.ShowLog(logText);
}

void Sequencer::BeginProgress(std::chrono::milliseconds total) {
  progressShown_ = true;
  progressDone_ = {};
  progressTotal_ = total;
}

void Sequencer::AdvanceProgress(std::chrono::milliseconds period) {
  if (!progressShown_) return;
  if (progressTotal_.count() == 0) {
    view_.ShowProgress(progressText_, -1, "");
    return;
  }
  progressDone_ = std::min(progressDone_ + period, progressTotal_);
  const auto left = std::chrono::ceil<std::chrono::seconds>(progressTotal_ - progressDone_).count();
  const std::string clock =
      std::to_string(left / 60) + (left % 60 < 10 ? ":0" : ":") + std::to_string(left % 60);
  const auto percent = progressDone_ * 100 / progressTotal_;
  view_.ShowProgress(progressText_, static_cast<int>(percent),
                     TrFormat(Text::ProgressTimeLeft, language_, {clock}));
}

void Sequencer::EndProgress() {
  if (!progressShown_) return;
  progressShown_ = false;
  view_.HideProgress();
}

void Sequencer::ShowTimerError() { view_.ShowMessageBox("", Tr(Text::TimerError, language_)); }

}  // namespace qel
