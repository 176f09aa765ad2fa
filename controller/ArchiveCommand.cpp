// The archive command: the archive's work, in the dialog or not, then what it did taken over into
// the main window.
#include "controller/UnitController.h"
#include "dialogs/ArchiveDialog.h"
#include "link/UnitCommands.h"
#include "texts/Cp1250.h"

namespace qel {

void UnitController::OpenArchive() {
  ArchiveDialog dialog(*this);
  BeginArchive();
  view_.RunArchiveDialog(dialog);
  EndArchive(dialog.work());
  // The import the operator confirmed is saved on the main window's line, with its bar.
  if (dialog.import() && sequencer_.state() == Sequencer::State::Resting) ImportKeys(dialog.import()->keys);
}

void UnitController::BeginArchive() {
  sequencer_.Hold();
  selection_.ForgetPick();
  ClearFloors();
  port_.WriteByte(unit::kDialogMark);
}

std::string UnitController::ElevatorName() const { return Cp1250ToUtf8(settings_.elevatorName); }

void UnitController::AllKeysDeleted() {
  image_.ClearImage();
  RefillKeyList();
}

void UnitController::ImageRestored(const ImageBytes& image, const ImageSettings& settings) {
  // A file loaded is taken over for display even when it did not reach the unit whole; a later
  // deletion of all keys empties it again.
  ledger_.ForgetMarks();
  image_.Replace(image, settings.recordSize);
  settings_.accessTime = settings.accessTime;
  settings_.relayInversion = settings.relayInversion;
  settings_.mainRelayInversion = settings.mainRelayInversion;
  RefillKeyList();
  ShowSettingsLine();
}

void UnitController::EndArchive(const ArchiveTransfers& work) {
  if (work.keysDeleted()) ledger_.ForgetMarks();
  port_.WriteByte(unit::kDialogMark);
  // No watchdog on a closed port, and none after a failed write: the unit may be half written,
  // and as after any critical error only Connect remains, which connects afresh.
  if (!LinkSurvived() || work.writeFailed()) return;
  sequencer_.Rest();
}

}  // namespace qel
