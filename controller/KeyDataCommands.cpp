// The key commands that take their data: what the key dialog's OK hands over, given by the caller
// instead. The window's dialogs end in the same steps, so both write the same bytes.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "controller/UnitController.h"
#include "texts/Cp1250.h"
#include "texts/Texts.h"

namespace qel {

std::optional<std::string> UnitController::JudgeComment(std::string_view comment) {
  const int maxLength = image_.RecordSize() - static_cast<int>(kCommentOffset);
  KeyVerdict verdict = KeyDialog::Judge({std::nullopt, comment, maxLength, language()});
  if (verdict.Taken()) return std::move(verdict.commentText);
  view_.ShowMessageBox(Tr(Text::ApplicationCaption, language()), verdict.message);
  return std::nullopt;
}

int UnitController::AddKeys(const std::vector<NewKey>& keys) {
  return AddKeyRun(keys, kNextKeyLimit + 1, true);
}

int UnitController::ImportKeys(const std::vector<PlannedKey>& keys) {
  std::vector<NewKey> run;
  for (const PlannedKey& key : keys)
    run.push_back({key.key.code, key.key.floors, Cp1250ToUtf8(key.key.comment)});
  return AddKeyRun(run, static_cast<int>(run.size()), false);
}

int UnitController::AddKeyRun(const std::vector<NewKey>& keys, int most, bool dialogPaced) {
  StopForKeyDialog();
  std::vector<int> added;
  for (const NewKey& key : keys) {
    const std::optional<int> slot = image_.FirstFreeSlot();
    if (!slot || static_cast<int>(added.size()) >= most) break;
    // The line is read as often as before and in the key dialog's opening, so that the run keeps
    // the dialog path's pacing; an import reads it once, or hundreds of keys would hold the window
    // still for seconds.
    if (dialogPaced || added.empty()) {
      sequencer_.DiscardInput();
      sequencer_.DiscardInput();
    }
    const std::optional<std::string> comment = JudgeComment(key.comment);
    if (!comment || !RecordNewKey(*slot, key.code, key.floors, *comment, added)) break;
  }
  const int stored = static_cast<int>(added.size());
  EndAddRun(std::move(added));
  return stored;
}

bool UnitController::AddKeyFromReader(ReaderKey key) {
  if (!image_.FirstFreeSlot()) return false;
  StopForKeyDialog();
  // Read as before the key dialog's construction, for the dialog path's pacing; its opening reads
  // once more after the poll's timer starts.
  sequencer_.DiscardInput();
  readerWait_.Aim(std::move(key));
  return sequencer_.Run(ChainOf(Job::KeyFromReader));
}

void UnitController::KeyFromReader(const std::optional<KeyCode>& code) {
  std::vector<int> added;
  if (code) {
    const ReaderKey& key = readerWait_.key();
    // The comment is judged against this unit's length once the key is in, as the dialog's OK does.
    if (const std::optional<std::string> comment = JudgeComment(key.comment))
      RecordNewKey(*image_.FirstFreeSlot(), *code, key.floors, *comment, added);
  }
  EndAddRun(std::move(added));
}

bool UnitController::RecordNewKey(int slot, const KeyCode& code, const Floors& floors,
                                  const std::string& commentText, std::vector<int>& added) {
  if (!ValidateNewKey(code)) return false;
  image_.StoreRecord(slot, code, floors, commentText);
  RefillKeyList();
  added.push_back(slot);
  sequencer_.AppendLog(Tr(Text::KeyRecorded, language()));
  return true;
}

void UnitController::EndAddRun(std::vector<int> added) {
  sequencer_.AppendLog(std::to_string(added.size()));
  if (added.empty()) {
    sequencer_.Rest();
    return;
  }
  sequencer_.AppendLog("");
  SaveKeys(std::move(added));
}

bool UnitController::EditKey(int record, const KeyChange& change) {
  const std::optional<std::string> comment =
      JudgeComment(change.comment.value_or(Cp1250ToUtf8(image_.CommentText(record))));
  StopForKeyDialog();
  // Read as the edit dialog's opening reads it, for the dialog path's pacing.
  sequencer_.DiscardInput();
  if (!comment) {
    sequencer_.Rest(kWatchdogAfterEdit);
    return false;
  }
  RewriteRecord(record, image_.KeyCodeAt(record), change.floors.value_or(image_.FloorsAt(record)), *comment);
  return true;
}

void UnitController::RewriteRecord(int index, const KeyCode& code, const Floors& floors,
                                   const std::string& commentText) {
  image_.StoreRecord(index, code, floors, commentText);
  RefillKeyList();
  ledger_.EditStarting(index);
  sequencer_.BeginProgress(DeleteKeyOperation::kDuration + SaveKeysOperation::Duration(image_, index));
  sequencer_.SetProgressText(TrFormatInts(Text::ProgressSavingKey, language(), {1, 1, index}));
  sequencer_.AppendLog("");
  deleteKey_.Aim(index, true);
  saveKeys_.Aim({index});
  sequencer_.Run(ChainOf(Job::EditKey));
}

}  // namespace qel
