// The archive command: the archive's work, in the dialog or not, then what it did taken over into
// the main window.
#include "controller/UnitController.h"
#include "dialogs/ArchiveDialog.h"
#include "link/UnitCommands.h"

namespace qel {

void UnitController::OpenArchive() {
  ArchiveDialog dialog(*this);
  BeginArchive();
  view_.RunArchiveDialog(dialog);
  EndArchive(dialog.work());
}

void UnitController::BeginArchive() {
  sequencer_.Hold();
  selection_.ForgetPick();
  ClearFloors();
  port_.WriteByte(unit::kDialogMark);
}

void UnitController::AllKeysDeleted() {
  image_.ClearImage();
  RefillKeyList();
}

void UnitController::EndArchive(const ArchiveTransfers& work) {
  // A file loaded is taken over for display even when it did not reach the unit whole; a later
  // deletion of all keys empties it again.
  if (work.imageRestored() || work.keysDeleted()) ledger_.ForgetMarks();
  if (work.imageRestored()) {
    const ImageSettings& loaded = work.settings();
    image_.Replace(work.workImage(), loaded.recordSize);
    settings_.accessTime = loaded.accessTime;
    settings_.relayInversion = loaded.relayInversion;
    settings_.mainRelayInversion = loaded.mainRelayInversion;
    if (work.keysDeleted()) image_.ClearImage();
    RefillKeyList();
    ShowSettingsLine();
  }
  port_.WriteByte(unit::kDialogMark);
  // No watchdog on a closed port, and none after a failed write: the unit may be half written,
  // and as after any critical error only Connect remains, which connects afresh.
  if (!LinkSurvived() || work.writeFailed()) return;
  sequencer_.Rest();
}

}  // namespace qel
