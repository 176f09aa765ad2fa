// The settings command: the settings dialog, or the settings given as data, then the write of what
// changed to the unit, and the report that points to the automatic backup when a rewrite of the
// unit's key memory fails half-way.
#include "controller/UnitController.h"
#include "dialogs/SettingsDialog.h"
#include "files/ImageFile.h"
#include "link/UnitCommands.h"
#include "texts/Cp1250.h"
#include "texts/Texts.h"

namespace qel {
namespace {

constexpr std::chrono::milliseconds kWatchdogAfterSettings{1000};
constexpr int kCommentOffsetInt = static_cast<int>(kCommentOffset);

AcceptedSettings Accepted(const SettingsEntries& entries, int accessTime, int commentLength, bool nameChanged,
                          bool accessCodeChanged) {
  AcceptedSettings accepted;
  accepted.values = {.accessTime = entries.permanentAccess ? 0 : accessTime,
                     .recordSize = commentLength + kCommentOffsetInt,
                     .relayInversion = entries.relayInversion ? 1 : 0,
                     .mainRelayInversion = entries.mainRelayInversion ? 1 : 0};
  accepted.nameChanged = nameChanged;
  accepted.accessCodeChanged = accessCodeChanged;
  accepted.setClock = entries.setClock;
  return accepted;
}

}  // namespace

SettingsDialogSetup UnitController::SettingsSetup() const {
  SettingsDialogSetup setup;
  setup.language = language();
  setup.accessTime = settings_.accessTime;
  setup.commentLength = image_.RecordSize() - kCommentOffsetInt;
  setup.elevatorName = Cp1250ToUtf8(settings_.elevatorName);
  setup.relayInversion = settings_.relayInversion != 0;
  setup.mainRelayInversion = settings_.mainRelayInversion != 0;
  setup.accessCode = settings_.accessCode;
  return setup;
}

void UnitController::StopForSettingsDialog() {
  sequencer_.SendByte(unit::kDialogMark);
  sequencer_.Hold();
  sequencer_.DiscardInput();
  selection_.ForgetPick();
  ClearFloors();
}

void UnitController::EndSettingsUnchanged() {
  sequencer_.SendByte(unit::kIdle);
  sequencer_.Rest(kWatchdogAfterSettings);
}

bool UnitController::StartWriteSettings() {
  StopForSettingsDialog();
  SettingsDialog dialog(sequencer_, image_, SettingsSetup());
  const bool ok = view_.RunSettingsDialog(dialog);
  if (!LinkSurvived()) return false;
  if (!ok) {
    EndSettingsUnchanged();
    return false;
  }
  return ApplySettings(Accepted(dialog.entries(), dialog.accessTime(), dialog.commentLength(),
                                dialog.nameChanged(), dialog.accessCodeChanged()),
                       dialog.elevatorName(), dialog.accessCode());
}

bool UnitController::WriteSettings(const NewSettings& settings) {
  StopForSettingsDialog();
  if (!settings.entries.setClock) return WriteJudgedSettings(settings);
  // The dialog offers the PC's time only while it shows the unit's clock running.
  clockedSettings_ = settings;
  return sequencer_.Run(ChainOf(Job::ClockCheck));
}

bool UnitController::ClockChecked(bool running) {
  if (running) return WriteJudgedSettings(clockedSettings_);
  // Read as the dialog's closing reads it.
  sequencer_.DiscardInput();
  EndSettingsUnchanged();
  return false;
}

bool UnitController::WriteJudgedSettings(const NewSettings& settings) {
  const SettingsDialogSetup setup = SettingsSetup();
  const SettingsVerdict verdict = SettingsDialog::Judge(settings.entries, setup);
  // Read as the dialog's closing reads it, for the dialog path's pacing.
  sequencer_.DiscardInput();
  const bool relayout = verdict.Taken() && verdict.commentLength != setup.commentLength;
  if (!verdict.Taken()) view_.ShowMessageBox(Tr(Text::ApplicationCaption, language()), verdict.message);
  if (!verdict.Taken() || (relayout && !settings.relayoutConsented)) {
    EndSettingsUnchanged();
    return false;
  }
  return ApplySettings(Accepted(settings.entries, verdict.accessTime, verdict.commentLength,
                                verdict.nameChanged, settings.accessCode.has_value()),
                       verdict.elevatorName, settings.accessCode.value_or(settings_.accessCode));
}

bool UnitController::ApplySettings(const AcceptedSettings& accepted, const std::string& elevatorName,
                                   int accessCode) {
  const SettingsChanges changes = Diff(ImageFileSettings(), accepted);
  // The rewrite may leave the unit's memory half written: never without a copy on the disk.
  if (changes.recordSizeChanged && !backups_.SaveBeforeWholeMemoryWrite()) {
    EndSettingsUnchanged();
    return false;
  }
  if (changes.recordSizeChanged) {
    const int oldLength = image_.RecordSize() - kCommentOffsetInt;
    const int newLength = accepted.values.recordSize - kCommentOffsetInt;
    const RelayoutLosses losses = CountRelayoutLosses(image_, accepted.values.recordSize);
    image_.RelayoutKeyMemory(accepted.values.recordSize);
    RefillKeyList();
    sequencer_.AppendLog(TrFormatInts(Text::CommentLengthChanged, language(),
                                      {oldLength, newLength, losses.keysDropped, losses.commentsCut}));
  }
  settings_.accessTime = accepted.values.accessTime;
  settings_.relayInversion = accepted.values.relayInversion;
  settings_.mainRelayInversion = accepted.values.mainRelayInversion;
  if (changes.nameChanged) settings_.elevatorName = elevatorName;
  // Like the values above, the clock shows as the write will leave it; a failed write says so.
  if (changes.setClock) settings_.clock = {};
  // The PC keeps the old code until the unit has confirmed the new one.
  settingsWrite_.Aim(changes, accessCode);

  if (!sequencer_.Run(ChainOf(Job::WriteSettings))) return false;
  ShowSettingsLine();
  return true;
}

void UnitController::ReportHalfWrittenMemory() {
  const std::string text = HalfWrittenMemoryReport();
  sequencer_.AppendLog(text);
  view_.ShowMessageBox(Tr(Text::ApplicationCaption, language()), text);
}

}  // namespace qel
