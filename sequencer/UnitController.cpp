#include "sequencer/UnitController.h"

#include "files/AutomaticBackup.h"
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
      login_(*this),
      watchdog_(*this),
      settingsRead_(*this),
      settingsWrite_(*this),
      keyLoad_(*this),
      deleteKey_(*this),
      saveKeys_(*this),
      savePause_(*this),
      backupFolder_(DefaultBackupFolder()) {
  sequencer_.SetLanguage(language);
  sequencer_.Register(kLoginTimer, login_);
  sequencer_.Register(kWatchdogTimer, watchdog_);
  sequencer_.Register(kSettingsReadTimer, settingsRead_);
  sequencer_.Register(kSettingsWriteTimer, settingsWrite_);
  sequencer_.Register(kKeyLoadTimer, keyLoad_);
  sequencer_.Register(kDeleteKeyTimer, deleteKey_);
  sequencer_.Register(kSaveKeyTimer, saveKeys_);
  sequencer_.Register(kSavePauseTimer, savePause_);
}

void UnitController::Start() {
  sequencer_.commandEnabled = Sequencer::kDisconnectedCommands;
  sequencer_.EnableCommands();
  selection_.ForgetPick();
  ClearFloors();
  image_.ClearImage();
  RefillKeyList();
  sequencer_.linkOpen = 0;
  ApplyLanguage();
}

void UnitController::ConnectButton() {
  if (sequencer_.halted) {
    // The unit may be half written: it is let go, and a fresh connection reads everything again,
    // as a restart of the program would.
    DisconnectCommand();
    ConnectCommand();
  } else if (sequencer_.linkOpen == 1) {
    DisconnectCommand();
  } else {
    ConnectCommand();
  }
}

void UnitController::DisconnectCommand() {
  const bool resting = sequencer_.currentTimerId == kWatchdogTimer || sequencer_.halted;
  if (sequencer_.linkOpen != 1 || !resting) return;
  sequencer_.halted = false;
  sequencer_.StopTimer(sequencer_.currentTimerId);
  sequencer_.currentTimerId = 0;
  selection_.ForgetPick();
  ClearFloors();
  Close();
  sequencer_.linkOpen = 0;
  sequencer_.commandEnabled = Sequencer::kDisconnectedCommands;
  sequencer_.EnableCommands();
  sequencer_.AppendLog(TrFormat(Text::QelDisconnectedFrom, language(), currentPort));
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
  transport = choice->transport;
  sequencer_.AppendLog(Tr(Text::SearchingForQel, language()));
  if (choice->manualPort == 1) {
    autoSearch = 0;
    SearchPorts(choice->port, choice->port);
  } else {
    autoSearch = 1;
    SearchPorts(PortTable::kFirstPort, PortTable::kLastPort);
  }
}

void UnitController::SearchPorts(int first, int last) {
  for (int p = first; p <= last; ++p) {
    currentPort = p;
    port_.Open(p);
    if (port_.GetStatus() == CSerialPort::kReady) {
      sequencer_.linkOpen = 1;
      sequencer_.halted = false;
      sequencer_.DiscardInput();
      sequencer_.SendByte(unit::kHangUp);
      sequencer_.AppendLog(TrFormat(Text::PortFound, language(), p));
      login_.step = 0;
      sequencer_.currentTimerId = sequencer_.StartOperation(kLoginTimer, LoginOperation::kPeriod);
      return;
    }
    if (port_.lastOpenResult() == SerialResult::AccessDenied) {
      LogPortRefusal(p);
    } else if (port_.ports().IsPinned(p)) {
      // The operator named this device; a silent skip would leave only "QEL not found!".
      LogPinnedPortFailure(p);
    }
    sequencer_.linkOpen = 0;
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

void UnitController::StartSettingsRead() {
  settingsRead_.step = 0;
  sequencer_.currentTimerId =
      sequencer_.StartOperation(kSettingsReadTimer, SettingsReadOperation::kFastPeriod);
  sequencer_.SendByte(unit::kGetAccessTime);
}

void UnitController::StartKeyLoad() {
  // A fresh load shows what the unit holds: nothing is in doubt any more.
  marks_.clear();
  keyLoad_.Start();
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
      sequencer_.linkOpen == 0 ? std::string() : SettingsSummary(settings_, image_.RecordSize(), language());
  if (settings_.elevatorName.size() >= kShownNameLength) settings_.elevatorName.resize(kShownNameLength);
  view_.ShowSettingsLine(summary, Cp1250ToUtf8(settings_.elevatorName));
}

bool UnitController::MayClose() {
  const int running = sequencer_.currentTimerId;
  const bool writing = running == kSettingsWriteTimer || running == kDeleteKeyTimer ||
                       running == kSaveKeyTimer || running == kSavePauseTimer;
  if (!writing) return true;
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
  if (sequencer_.linkOpen != 1) return;
  port_.WriteByte(unit::kHangUp);
  port_.Close();
}

}  // namespace qel
