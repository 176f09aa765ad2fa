// The archive command: the archive dialog, then what it did taken over into the main window.
#include "link/UnitCommands.h"
#include "sequencer/ArchiveDialog.h"
#include "sequencer/UnitController.h"

namespace qel {

void UnitController::OpenArchive() {
  ArchiveDialog dialog(*this);
  sequencer_.Hold();
  selection_.ForgetPick();
  ClearFloors();
  port_.WriteByte(unit::kDialogMark);
  view_.RunArchiveDialog(dialog);
  // A file loaded is taken over for display even when it did not reach the unit whole; a later
  // deletion of all keys empties it again.
  if (dialog.imageLoaded() || dialog.keysDeleted()) ledger_.ForgetMarks();
  if (dialog.imageLoaded()) {
    const ImageSettings& loaded = dialog.settings();
    image_.Replace(dialog.workImage(), loaded.recordSize);
    settings_.accessTime = loaded.accessTime;
    settings_.relayInversion = loaded.relayInversion;
    settings_.mainRelayInversion = loaded.mainRelayInversion;
    RefillKeyList();
    ShowSettingsLine();
  }
  if (dialog.keysDeleted()) {
    image_.ClearImage();
    RefillKeyList();
  }
  port_.WriteByte(unit::kDialogMark);
  // No watchdog on a closed port, and none after a failed write: the unit may be half written,
  // and as after any critical error only Connect remains, which connects afresh.
  if (!LinkSurvived() || dialog.writeFailed()) return;
  sequencer_.Rest();
}

}  // namespace qel
