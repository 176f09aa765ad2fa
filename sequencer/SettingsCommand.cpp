// The settings command: the settings dialog, then the write of what changed to the unit, and the
// report that points to the automatic backup when a rewrite of the unit's key memory fails half-way.
#include "files/ImageFile.h"
#include "link/UnitCommands.h"
#include "sequencer/SettingsDialog.h"
#include "sequencer/UnitController.h"
#include "texts/Cp1250.h"
#include "texts/Texts.h"

namespace qel {
namespace {

constexpr std::chrono::milliseconds kWatchdogAfterSettings{1000};
constexpr int kCommentOffsetInt = static_cast<int>(kCommentOffset);

AcceptedSettings Accepted(const SettingsDialog& dialog) {
  const SettingsEntries& entries = dialog.entries();
  AcceptedSettings accepted;
  accepted.values = {.accessTime = entries.permanentAccess ? 0 : dialog.accessTime(),
                     .recordSize = dialog.commentLength() + kCommentOffsetInt,
                     .relayInversion = entries.relayInversion ? 1 : 0,
                     .mainRelayInversion = entries.mainRelayInversion ? 1 : 0};
  accepted.nameChanged = dialog.nameChanged();
  accepted.accessCodeChanged = dialog.accessCodeChanged();
  accepted.setClock = entries.setClock;
  return accepted;
}

}  // namespace

bool UnitController::StartWriteSettings() {
  sequencer_.SendByte(unit::kDialogMark);
  SettingsDialogSetup setup;
  setup.language = language();
  setup.accessTime = settings_.accessTime;
  setup.commentLength = image_.RecordSize() - kCommentOffsetInt;
  setup.elevatorName = Cp1250ToUtf8(settings_.elevatorName);
  setup.relayInversion = settings_.relayInversion != 0;
  setup.mainRelayInversion = settings_.mainRelayInversion != 0;
  setup.accessCode = settings_.accessCode;
  sequencer_.Hold();
  sequencer_.DiscardInput();
  selection_.ForgetPick();
  ClearFloors();

  SettingsDialog dialog(sequencer_, image_, setup);
  const bool ok = view_.RunSettingsDialog(dialog);
  if (!LinkSurvived()) return false;
  if (!ok) {
    sequencer_.SendByte(unit::kIdle);
    sequencer_.Rest(kWatchdogAfterSettings);
    return false;
  }
  const AcceptedSettings accepted = Accepted(dialog);
  const SettingsChanges changes = Diff(ImageFileSettings(), accepted);
  // The rewrite may leave the unit's memory half written: never without a copy on the disk.
  if (changes.recordSizeChanged && !BackupBeforeWholeMemoryWrite()) {
    sequencer_.SendByte(unit::kIdle);
    sequencer_.Rest(kWatchdogAfterSettings);
    return false;
  }
  if (changes.recordSizeChanged) {
    const int oldLength = image_.RecordSize() - kCommentOffsetInt;
    const RelayoutLosses losses = CountRelayoutLosses(image_, accepted.values.recordSize);
    image_.RelayoutKeyMemory(accepted.values.recordSize);
    RefillKeyList();
    sequencer_.AppendLog(
        TrFormatInts(Text::CommentLengthChanged, language(),
                     {oldLength, dialog.commentLength(), losses.keysDropped, losses.commentsCut}));
  }
  settings_.accessTime = accepted.values.accessTime;
  settings_.relayInversion = accepted.values.relayInversion;
  settings_.mainRelayInversion = accepted.values.mainRelayInversion;
  if (changes.nameChanged) settings_.elevatorName = dialog.elevatorName();
  // The PC keeps the old code until the unit has confirmed the new one.
  settingsWrite_.Aim(changes, dialog.accessCode());

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
