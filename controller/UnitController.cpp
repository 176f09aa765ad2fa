#include "controller/UnitController.h"

#include "link/DeviceGroup.h"
#include "link/UnitCommands.h"
#include "texts/Cp1250.h"
#include "texts/Texts.h"

namespace qel {

UnitController::UnitController(CSerialPort& port, TimerHost& timers, LocalClock& clock, MainView& view,
                               Language language)
    : port_(port),
      view_(view),
      sequencer_(port, timers, clock, view),
      login_(sequencer_, *this, watchdog_),
      watchdog_(sequencer_, *this),
      settingsRead_(sequencer_, image_, settings_, *this),
      settingsWrite_(sequencer_, image_, settings_, *this),
      memoryRewrite_(sequencer_, image_),
      keyLoad_(sequencer_, image_, ledger_, *this),
      deleteKey_(sequencer_, image_, ledger_),
      saveKeys_(sequencer_, image_, ledger_, savePause_),
      savePause_(sequencer_),
      readerWait_(sequencer_, image_, *this),
      clockCheck_(sequencer_, *this) {
  sequencer_.SetLanguage(language);
  sequencer_.SetWatchdog(watchdog_);
}

Chain UnitController::ChainOf(Job job) {
  const auto keysInDoubt = [this] { KeyWriteStopped(); };
  switch (job) {
    case Job::Connect:
      return {{&login_, &settingsRead_, &keyLoad_}, {}};
    case Job::ReadUnit:
      return {{&settingsRead_, &keyLoad_}, {}};
    case Job::LoadKeys:
      return {{&keyLoad_}, {}};
    case Job::DeleteKey:
      return {{&deleteKey_}, keysInDoubt};
    case Job::EditKey:
      return {{&deleteKey_, &saveKeys_}, keysInDoubt};
    case Job::SaveKeys:
      return {{&saveKeys_}, keysInDoubt};
    case Job::WriteSettings: {
      // A new comment length rewrites the whole memory after the settings.
      Chain chain{{&settingsWrite_}, [this] {
                    if (settingsWrite_.MemoryInDoubt()) ReportHalfWrittenMemory();
                  }};
      if (settingsWrite_.changes().recordSizeChanged) chain.operations.push_back(&memoryRewrite_);
      return chain;
    }
    // A wait ends in what its result asks for, begun in its last tick: the save of the key or
    // the settings write, or the watchdog.
    case Job::KeyFromReader:
      return {{&readerWait_}, {}};
    case Job::ClockCheck:
      return {{&clockCheck_}, {}};
  }
  return {};
}

void UnitController::Start() {
  sequencer_.LinkClosed();
  sequencer_.EnableCommands();
  selection_.ForgetPick();
  ClearFloors();
  image_.ClearImage();
  RefillKeyList();
  ApplyLanguage();
}

bool UnitController::ReadUnit() { return sequencer_.Run(ChainOf(Job::ReadUnit)); }

bool UnitController::LoadKeys() { return sequencer_.Run(ChainOf(Job::LoadKeys)); }

void UnitController::ConnectButton() {
  if (sequencer_.halted()) {
    // The unit may be half written: it is let go, and a fresh connection reads everything again,
    // as a restart of the program would.
    DisconnectCommand();
    ConnectCommand();
  } else if (sequencer_.linkOpen()) {
    DisconnectCommand();
  } else {
    ConnectCommand();
  }
}

void UnitController::DisconnectCommand() {
  const Sequencer::State state = sequencer_.state();
  if (state != Sequencer::State::Resting && state != Sequencer::State::Halted) return;
  sequencer_.Hold();
  selection_.ForgetPick();
  ClearFloors();
  Close();
  sequencer_.LinkClosed();
  sequencer_.EnableCommands();
  sequencer_.AppendLog(TrFormat(Text::QelDisconnectedFrom, language(), currentPort_));
  ShowSettingsLine();
}

void UnitController::ConnectCommand() {
  selection_.ForgetPick();
  ClearFloors();
  // An adapter plugged in since the last Connect must be offered and searched.
  port_.ports().Rescan();
  const std::optional<ConnectChoice> choice =
      view_.AskConnect(language(), Tr(Text::ConnectPrompt, language()));
  if (!choice) return;
  settings_.accessCode = choice->accessCode;
  transport_ = choice->transport;
  sequencer_.AppendLog(Tr(Text::SearchingForQel, language()));
  autoSearch_ = choice->manualPort != 1;
  if (autoSearch_)
    SearchPorts(PortTable::kFirstPort, PortTable::kLastPort);
  else
    SearchPorts(choice->port, choice->port);
}

void UnitController::NoHello() {
  ++currentPort_;
  if (autoSearch_)
    SearchPorts(currentPort_, PortTable::kLastPort);
  else
    sequencer_.EnableCommands();
}

void UnitController::SearchPorts(int first, int last) {
  for (int p = first; p <= last; ++p) {
    currentPort_ = p;
    port_.Open(p);
    if (port_.GetStatus() == CSerialPort::kReady) {
      sequencer_.LinkOpened();
      sequencer_.DiscardInput();
      sequencer_.SendByte(unit::kHangUp);
      sequencer_.AppendLog(TrFormat(Text::PortFound, language(), p));
      login_.Aim(p, transport_, settings_.accessCode);
      sequencer_.Run(ChainOf(Job::Connect));
      return;
    }
    if (port_.lastOpenResult() == SerialResult::AccessDenied) {
      LogPortRefusal(p);
    } else if (port_.ports().IsPinned(p)) {
      // The operator named this device; a silent skip would leave only "QEL not found!".
      LogPinnedPortFailure(p);
    }
  }
  sequencer_.AppendLog(Tr(Text::QelNotFound, language()));
  sequencer_.EnableCommands();
}

void UnitController::LogPortRefusal(int p) {
  const std::string path = port_.ports().PathOf(p).value_or("");
  // Serial adapters belong to "dialout" on Debian; say so when the owner cannot be found out.
  std::string group = DeviceGroupName(path);
  if (group.empty()) group = "dialout";
  sequencer_.AppendLog(TrFormat(Text::PortAccessDenied, language(),
                                {std::to_string(p), path, port_.device().LastError(), group, group}));
}

void UnitController::LogPinnedPortFailure(int p) {
  const std::string path = port_.ports().PathOf(p).value_or("");
  std::string reason;
  switch (port_.lastOpenResult()) {
    case SerialResult::NotFound:
      reason = Tr(Text::PortNoSuchDevice, language());
      break;
    case SerialResult::Busy:
      reason = Tr(Text::PortBusy, language());
      break;
    default:
      reason = port_.device().LastError();
      break;
  }
  sequencer_.AppendLog(TrFormat(Text::PortNotOpened, language(), {std::to_string(p), path, reason}));
}

void UnitController::ToggleLanguage() {
  sequencer_.SetLanguage(language() == Language::Czech ? Language::English : Language::Czech);
  ApplyLanguage();
}

void UnitController::ApplyLanguage() {
  view_.ApplyTexts(language());
  sequencer_.ShowConnectText();
  RefillKeyList();
  ShowSettingsLine();
}

void UnitController::ShowSettingsLine() {
  const std::string summary =
      sequencer_.linkOpen() ? SettingsSummary(settings_, image_.RecordSize(), language()) : std::string();
  if (settings_.elevatorName.size() >= kShownNameLength) settings_.elevatorName.resize(kShownNameLength);
  view_.ShowSettingsLine(summary, Cp1250ToUtf8(settings_.elevatorName));
}

bool UnitController::MayClose() {
  if (!sequencer_.Writing()) return true;
  const Text question =
      settingsWrite_.RewritingMemory() ? Text::ConfirmCloseWhileRewriting : Text::ConfirmCloseWhileWriting;
  const std::string_view caption = Tr(Text::ApplicationCaption, language());
  // Enter must not leave the unit half written: No is the default.
  if (!view_.AskYesNo(caption, Tr(question, language()), DefaultAnswer::No)) return false;
  // The operator leaves the unit half written: what it holds now, and the backup, are told first.
  const std::string report = StopWriteForClose();
  sequencer_.AppendLog(report);
  view_.ShowMessageBox(caption, report);
  return true;
}

void UnitController::Close() {
  if (!sequencer_.linkOpen()) return;
  port_.WriteByte(unit::kHangUp);
  port_.Close();
}

}  // namespace qel
