#include "sequencer/Sequencer.h"

#include <algorithm>

#include "link/UnitCommands.h"
#include "texts/Texts.h"

namespace qel {

Sequencer::Sequencer(CSerialPort& port, TimerHost& timers, LocalClock& clock, View& view)
    : port_(port),
      clock_(clock),
      view_(view),
      runner_(timers, kTimerId,
              {.starting = [this] { DisableCommands(); },
               .resting = [this] { EndProgress(); },
               .rested = [this] { EnableCommands(); },
               .refused = [this] { ShowTimerError(); }}) {}

void Sequencer::OnTimer(int id) {
  tickTime_ = clock_.Now();
  runner_.OnTimer(id);
}

Sequencer::State Sequencer::state() const {
  if (!linkOpen_) return State::Disconnected;
  if (halted_ || runner_.Stopped()) return State::Halted;
  if (runner_.Resting()) return State::Resting;
  return State::Busy;
}

bool Sequencer::Writing() const {
  return IsRunning(OperationKind::SettingsWrite) || IsRunning(OperationKind::MemoryRewrite) ||
         IsRunning(OperationKind::DeleteKey) || IsRunning(OperationKind::SaveKeys) ||
         IsRunning(OperationKind::SavePause);
}

void Sequencer::LinkOpened() {
  linkOpen_ = true;
  halted_ = false;
}

void Sequencer::LinkClosed() {
  runner_.Stop();
  linkOpen_ = false;
  halted_ = false;
  commandEnabled_ = kDisconnectedCommands;
}

void Sequencer::SendByte(std::uint8_t b) { port_.WriteByte(b); }

void Sequencer::SendBlock(std::span<const std::uint8_t> block) { port_.WriteBlock(block); }

int Sequencer::ReadReply() { return port_.Read(); }

std::uint8_t Sequencer::ReplyByte(int i) const { return port_.ByteAt(i); }

void Sequencer::DiscardInput() { port_.Read(); }

void Sequencer::SendChainStart(std::uint8_t b) {
  lastChained_ = b;
  SendByte(b);
}

int Sequencer::SendChecked(std::uint8_t b) {
  const int n = ReadReply();
  SendByte(b);
  if (n == 1 && ReplyByte(0) == lastChained_) {
    lastChained_ = b;
    return 0;
  }
  return 1;
}

void Sequencer::DisableCommands() {
  for (int i = 0; i < kCommandCount; ++i) view_.SetCommandEnabled(static_cast<Command>(i), false);
  commandsOn_ = {};
}

void Sequencer::EnableCommands() {
  for (int i = 0; i < kCommandCount; ++i)
    view_.SetCommandEnabled(static_cast<Command>(i), commandEnabled_[static_cast<std::size_t>(i)]);
  commandsOn_ = commandEnabled_;
  ShowConnectText();
}

void Sequencer::ShowConnectText() {
  const bool disconnects = commandEnabled_ == kConnectedCommands;
  view_.SetConnectText(Tr(disconnects ? Text::ButtonDisconnect : Text::ButtonConnect, language_),
                       !disconnects);
}

void Sequencer::ReportError(int code, ErrorKind kind, std::string_view text) {
  ++errorCount_;
  lastErrorCode_ = code;
  switch (kind) {
    case ErrorKind::Critical: {
      // Nothing runs any more: closing the window must not ask about a write that has stopped.
      runner_.Halt();
      EndProgress();
      // Only Connect remains: it lets the unit go and connects afresh.
      halted_ = true;
      commandEnabled_ = kDisconnectedCommands;
      EnableCommands();
      const std::string message = TrFormat(Text::CriticalError, language_, code);
      AppendLog(message);
      view_.ShowMessageBox(Tr(Text::ApplicationCaption, language_), message);
      break;
    }
    case ErrorKind::LinkLost: {
      runner_.Halt();
      EndProgress();
      const std::string message = TrFormat(Text::LinkLostError, language_, code);
      view_.ShowMessageBox(Tr(Text::ApplicationCaption, language_), message);
      AppendLog(message);
      commandEnabled_ = kDisconnectedCommands;
      EnableCommands();
      SendByte(unit::kHangUp);
      port_.Close();
      linkOpen_ = false;
      break;
    }
    case ErrorKind::Logged:
      AppendLog(TrFormat(Text::LoggedErrorPrefix, language_, code) + std::string(text));
      break;
  }
}

void Sequencer::AppendLog(std::string_view text) {
  logText_ = std::string(text) + "\r\n" + logText_;
  view_.ShowLog(logText_);
}

void Sequencer::AppendProgress(std::string_view mark) {
  logText_.insert(0, mark);
  view_.ShowLog(logText_);
}

void Sequencer::BeginProgress(std::chrono::milliseconds total, bool atMost) {
  progressShown_ = true;
  progressAtMost_ = atMost;
  progressDone_ = {};
  progressTotal_ = total;
}

void Sequencer::AdvanceProgress(std::chrono::milliseconds period) { ProgressAt(progressDone_ + period); }

void Sequencer::ProgressAt(std::chrono::milliseconds done) {
  if (!progressShown_) return;
  progressDone_ = std::min(done, progressTotal_);
  ShowProgress();
}

void Sequencer::ShowProgress() {
  if (progressTotal_.count() == 0) {
    view_.ShowProgress(progressText_, -1, "");
    return;
  }
  const auto left = std::chrono::ceil<std::chrono::seconds>(progressTotal_ - progressDone_).count();
  const std::string clock =
      std::to_string(left / 60) + (left % 60 < 10 ? ":0" : ":") + std::to_string(left % 60);
  const auto percent = progressDone_ * 100 / progressTotal_;
  view_.ShowProgress(
      progressText_, static_cast<int>(percent),
      TrFormat(progressAtMost_ ? Text::CtlAtMostLeft : Text::ProgressTimeLeft, language_, {clock}));
}

void Sequencer::EndProgress() {
  if (!progressShown_) return;
  progressShown_ = false;
  view_.HideProgress();
}

void Sequencer::ShowTimerError() { view_.ShowMessageBox("", Tr(Text::TimerError, language_)); }

}  // namespace qel
