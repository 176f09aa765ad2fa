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
  sequencer_.StopTimer(sequencer_.currentTimerId);
  sequencer_.DiscardInput();
  selection_.ForgetPick();
  ClearFloors();

  SettingsDialog dialog(sequencer_, image_, setup);
  const bool ok = view_.RunSettingsDialog(dialog);
  if (!LinkSurvived()) return false;
  if (!ok) {
    sequencer_.SendByte(unit::kIdle);
    RestartWatchdog(kWatchdogAfterSettings);
    return false;
  }
  const SettingsEntries& entries = dialog.entries();
  const int newRecordSize = dialog.commentLength() + kCommentOffsetInt;
  // The rewrite may leave the unit's memory half written: never without a copy on the disk.
  if (image_.RecordSize() != newRecordSize && !BackupBeforeWholeMemoryWrite()) {
    sequencer_.SendByte(unit::kIdle);
    RestartWatchdog(kWatchdogAfterSettings);
    return false;
  }
  SettingsChanges& changes = settingsWrite_.changes;
  changes = {};
  if (settings_.accessTime != dialog.accessTime() && !entries.permanentAccess) {
    changes.accessTimeChanged = true;
    // Leaving permanent access must clear bit 7 of the relay byte too, or the unit stays open.
    if (settings_.accessTime == 0) changes.relayChanged = true;
  }
  if (settings_.accessTime != 0 && entries.permanentAccess) {
    changes.accessTimeChanged = true;
    changes.relayChanged = true;
  }
  if (image_.RecordSize() != newRecordSize) {
    const int oldLength = image_.RecordSize() - kCommentOffsetInt;
    const RelayoutLosses losses = CountRelayoutLosses(image_, newRecordSize);
    image_.RelayoutKeyMemory(newRecordSize);
    RefillKeyList();
    sequencer_.AppendLog(
        TrFormatInts(Text::CommentLengthChanged, language(),
                     {oldLength, dialog.commentLength(), losses.keysDropped, losses.commentsCut}));
    changes.recordSizeChanged = true;
  }
  if ((settings_.mainRelayInversion != 0) != entries.mainRelayInversion ||
      (settings_.relayInversion != 0) != entries.relayInversion)
    changes.relayChanged = true;
  changes.accessCodeChanged = dialog.accessCodeChanged();
  changes.setClock = entries.setClock;

  settings_.accessTime = entries.permanentAccess ? 0 : dialog.accessTime();
  settings_.relayInversion = entries.relayInversion ? 1 : 0;
  settings_.mainRelayInversion = entries.mainRelayInversion ? 1 : 0;
  // The PC keeps the old code until the unit has confirmed the new one.
  settingsWrite_.newAccessCode = dialog.accessCode();
  changes.nameChanged = dialog.nameChanged();
  if (changes.nameChanged) settings_.elevatorName = dialog.elevatorName();

  sequencer_.DisableCommands();
  settingsWrite_.step = 0;
  sequencer_.DiscardInput();
  if (changes.nameChanged) sequencer_.AppendLog("");
  sequencer_.currentTimerId = sequencer_.StartTimer(kSettingsWriteTimer, SettingsWriteOperation::kPeriod);
  if (sequencer_.currentTimerId < 0) return false;
  settingsWrite_.step = 0;
  ShowSettingsLine();
  return true;
}

void UnitController::ReportHalfWrittenMemory() {
  const std::string text = HalfWrittenMemoryReport();
  sequencer_.AppendLog(text);
  view_.ShowMessageBox(Tr(Text::ApplicationCaption, language()), text);
}

}  // namespace qel
