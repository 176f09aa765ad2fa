// The commands that write several keys one after another: a delete of each, or an edit of each
// with its floors changed. One key is in hand at a time; the next starts when its chain ends.
#include <algorithm>
#include <string>
#include <vector>

#include "controller/UnitController.h"
#include "texts/Cp1250.h"
#include "texts/Texts.h"

namespace qel {
namespace {

// The question names this many keys; the rest are counted.
constexpr std::size_t kNamedKeys = 10;

}  // namespace

std::vector<int> UnitController::ChosenKeys(const std::vector<int>& rows) const {
  if (rows.size() <= 1) {
    const std::optional<int> row = rows.empty() ? std::nullopt : std::optional<int>(rows.front());
    const std::optional<int> target = selection_.Target(row, image_);
    return target ? std::vector<int>{*target} : std::vector<int>{};
  }
  std::vector<int> records;
  for (const int row : rows) {
    const std::optional<int> record = selection_.RowToRecord(row);
    if (record && image_.IsUsed(*record)) records.push_back(*record);
  }
  return records;
}

void UnitController::DeleteKeys(const std::vector<int>& records) {
  if (records.size() == 1) DeleteKey(records.front());
  if (records.size() <= 1) return;
  selection_.ForgetPick();
  const Language l = language();
  std::string question = TrFormat(Text::ConfirmDeleteKeys, l, static_cast<int>(records.size()));
  for (std::size_t i = 0; i < std::min(records.size(), kNamedKeys); ++i)
    question +=
        "\n" + TrFormat(Text::ConfirmDeleteKeysLine, l, {std::to_string(records[i]), KeyNamed(records[i])});
  if (records.size() > kNamedKeys)
    question +=
        "\n" + TrFormat(Text::ConfirmDeleteKeysMore, l, static_cast<int>(records.size() - kNamedKeys));
  if (!view_.AskYesNo(Tr(Text::ConfirmDeleteCaption, l), question, DefaultAnswer::No) || !LinkSurvived())
    return;
  // Ctrl+A and Delete empty the unit as Delete all keys does: not without a copy on the disk.
  if (!backups_.SaveBeforeWholeMemoryWrite()) return;
  sequencer_.AppendLog(" ");
  ClearFloors();
  sequencer_.BeginProgress(DeleteKeyOperation::kDuration * static_cast<int>(records.size()));
  batch_.Start(KeyBatch::Kind::Delete, records);
  view_.ShowStopButton(true);
  WriteNextOfBatch();
}

bool UnitController::ChangeFloors(const std::vector<int>& records, const FloorChange& change) {
  // The window asks for the change before it calls: the link may have gone meanwhile.
  if (!LinkSurvived()) return false;
  if (const std::string refusal = JudgeFloorChange(records.size(), change, language()); !refusal.empty()) {
    view_.ShowMessageBox(Tr(Text::ApplicationCaption, language()), refusal);
    return false;
  }
  std::vector<int> changing;
  std::chrono::milliseconds total{};
  for (const int record : records) {
    if (ChangedFloors(image_.FloorsAt(record), change) == image_.FloorsAt(record)) {
      sequencer_.AppendLog(TrFormat(Text::FloorChangeSkipped, language(), {std::to_string(record)}));
      continue;
    }
    changing.push_back(record);
    total += DeleteKeyOperation::kDuration + SaveKeysOperation::Duration(image_, record);
  }
  if (changing.empty()) {
    const std::string_view nothing = Tr(Text::FloorChangeNothing, language());
    sequencer_.AppendLog(nothing);
    view_.ShowMessageBox(Tr(Text::ApplicationCaption, language()), nothing);
    return false;
  }
  // Each key is deleted before it is saved again: many keys are not put at risk without a copy.
  if (changing.size() > 1 && !backups_.SaveBeforeWholeMemoryWrite()) return false;
  // The batch opens as the edit's data command opens, then each key is an edit's delete and save.
  StopForKeyDialog();
  sequencer_.DiscardInput();
  sequencer_.BeginProgress(total);
  batch_.Start(KeyBatch::Kind::ChangeFloors, std::move(changing), change);
  view_.ShowStopButton(true);
  WriteNextOfBatch();
  return true;
}

void UnitController::StopBatch() {
  if (!batch_.Running()) return;
  batch_.AskStop();
  view_.ShowStopButton(false);
}

void UnitController::WriteNextOfBatch() {
  const std::optional<int> next = batch_.Next();
  if (!next) {
    EndBatch();
    return;
  }
  const int id = *next;
  const Language l = language();
  Chain chain;
  if (batch_.kind() == KeyBatch::Kind::Delete) {
    ledger_.DeleteStarting(id, image_.KeyCodeAt(id));
    image_.ZeroKeyCode(id);
    sequencer_.SetProgressText(
        TrFormatInts(Text::ProgressDeletingKeys, l, {batch_.position(), batch_.count(), id}));
    deleteKey_.Aim(id, false);
    chain = ChainOf(Job::DeleteKey);
  } else {
    image_.StoreRecord(id, image_.KeyCodeAt(id), ChangedFloors(image_.FloorsAt(id), batch_.change()),
                       image_.CommentText(id));
    ledger_.EditStarting(id);
    sequencer_.SetProgressText(
        TrFormatInts(Text::ProgressChangingFloors, l, {batch_.position(), batch_.count(), id}));
    sequencer_.AppendLog("");
    deleteKey_.Aim(id, true);
    saveKeys_.Aim({id}, batch_.position() - 1, batch_.count());
    chain = ChainOf(Job::EditKey);
  }
  chain.next = [this] { WriteNextOfBatch(); };
  sequencer_.Run(std::move(chain));
}

void UnitController::EndBatch() {
  view_.ShowStopButton(false);
  std::vector<std::string> lines = batch_.Report(language());
  if (batch_.stopAsked()) lines.insert(lines.begin(), std::string(Tr(Text::BatchStopped, language())));
  // The log reads newest first.
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) sequencer_.AppendLog(*line);
  if (batch_.stopAsked()) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
    view_.ShowMessageBox(Tr(Text::ApplicationCaption, language()), text);
  }
  batch_.Clear();
  RefillKeyList();
}

}  // namespace qel
