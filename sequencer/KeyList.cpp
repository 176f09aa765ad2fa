// The key list and the floors panel: which row shows which record, the filter, the reader
// highlight and the row the edit and delete commands act on.
#include <algorithm>

#include "sequencer/UnitController.h"
#include "texts/Texts.h"

namespace qel {

void UnitController::RefillKeyList() {
  std::vector<KeyListRow> rows = image_.BuildKeyList(keyFilter_);
  listedRecords_.clear();
  for (KeyListRow& row : rows) {
    listedRecords_.push_back(row.id);
    if (const auto mark = marks_.find(row.id); mark != marks_.end()) row.mark = mark->second;
  }
  view_.ShowKeyRows(std::move(rows));
  ShowFilterSummary();
  view_.ShowLoadCutShort(keyLoad_.cutShort() ? TrFormat(Text::KeyLoadCutShort, language(),
                                                        static_cast<int>(listedRecords_.size()))
                                             : "");
  if (!highlightedRecord) return;
  // Rows shift when keys come and go; the highlight stays with its key, or goes with it. A key
  // the filter hides keeps it, with no row to show it on.
  if (image_.IsUsed(*highlightedRecord) && image_.KeyCodeAt(*highlightedRecord) == highlightedCode) {
    highlightedRow = RecordToRow(*highlightedRecord).value_or(-1);
    if (highlightedRow >= 0) view_.SetRowHighlight(highlightedRow, true);
  } else {
    highlightedRecord.reset();
    highlightedRow = -1;
  }
}

void UnitController::ShowFilterSummary() {
  if (keyFilter_.IsEmpty()) {
    view_.ShowFilterSummary("");
    return;
  }
  view_.ShowFilterSummary(TrFormatInts(Text::KeyFilterSummary, language(),
                                       {static_cast<int>(listedRecords_.size()), image_.KeyCount()}));
}

void UnitController::SetKeyFilter(std::string_view utf8) {
  // The operator's pick is remembered while a filter hides it; one that the list shows but no
  // longer selects has been let go.
  if (const std::optional<int> selected = view_.SelectedRow()) {
    pick_ = RowToRecord(*selected);
    if (pick_) pickCode_ = image_.KeyCodeAt(*pick_);
  } else if (pick_ && RecordToRow(*pick_)) {
    pick_.reset();
  }
  keyFilter_ = KeyFilter(utf8);
  RefillKeyList();
  if (rowPicked == 1 && pick_ && image_.IsUsed(*pick_) && image_.KeyCodeAt(*pick_) == pickCode_) {
    if (const std::optional<int> row = RecordToRow(*pick_)) view_.SelectRow(*row);
  }
  ShowCurrentFloors();
}

std::optional<int> UnitController::RowToRecord(int row) const {
  if (row < 0 || row >= static_cast<int>(listedRecords_.size())) return std::nullopt;
  return listedRecords_[static_cast<std::size_t>(row)];
}

std::optional<int> UnitController::RecordToRow(int record) const {
  const auto found = std::lower_bound(listedRecords_.begin(), listedRecords_.end(), record);
  if (found == listedRecords_.end() || *found != record) return std::nullopt;
  return static_cast<int>(found - listedRecords_.begin());
}

void UnitController::ClearFloors() { view_.ShowFloors(Floors{}); }

void UnitController::ShowFloors(int row) {
  ClearFloors();
  if (const std::optional<int> record = RowToRecord(row)) view_.ShowFloors(image_.FloorsAt(*record));
}

void UnitController::ShowCurrentFloors() {
  const std::optional<int> selected = view_.SelectedRow();
  if (highlightedRecord && (highlightedAtReader || !selected))
    view_.ShowFloors(image_.FloorsAt(*highlightedRecord));
  else
    ShowFloors(selected.value_or(-1));
}

void UnitController::HighlightRow(int newRow, int oldRow) {
  if (oldRow >= 0) view_.SetRowHighlight(oldRow, false);
  if (newRow < 0) {
    highlightedRow = -1;
    highlightedRecord.reset();
    return;
  }
  view_.SetRowHighlight(newRow, true);
  highlightedRow = newRow;
  ShowFloors(newRow);
}

void UnitController::SelectPresentedKey() {
  const std::optional<int> record = image_.FindKeyCode(readerCode);
  if (!record) return;
  // The operator's selection stays where it is: only the highlight and the floors follow the reader.
  const std::optional<int> row = RecordToRow(*record);
  HighlightRow(row.value_or(-1), highlightedRow);
  // A key the list does not show (the filter hides it, or it lies beyond the listed records) has
  // its floors shown all the same.
  if (!row) view_.ShowFloors(image_.FloorsAt(*record));
  highlightedRecord = *record;
  highlightedCode = image_.KeyCodeAt(*record);
}

void UnitController::ShowReaderPresence(bool keyHeld) {
  keyAtReader = keyHeld;
  const bool atReader = keyHeld && highlightedRecord && image_.KeyCodeAt(*highlightedRecord) == readerCode;
  if (atReader == highlightedAtReader) return;
  highlightedAtReader = atReader;
  view_.ShowKeyAtReader(atReader);
  // The presentation is over: a row the operator selected shows its floors again.
  if (!atReader) ShowCurrentFloors();
}

void UnitController::OnListClicked() {
  rowPicked = 1;
  const std::optional<int> selected = view_.SelectedRow();
  if (!selected) {
    ShowCurrentFloors();
    return;
  }
  ShowFloors(*selected);
  if (highlightedRow != *selected) {
    HighlightRow(-1, highlightedRow);
    highlightedRow = -1;
  }
}

std::optional<int> UnitController::TargetRecord() const {
  // A selected row rules out the reader's key, even a row left from before the last command.
  if (const std::optional<int> row = view_.SelectedRow()) {
    if (rowPicked != 1) return std::nullopt;
    const std::optional<int> record = RowToRecord(*row);
    // A row maps to a record only while it is one of the list's; anything else is no key.
    if (!record || !image_.IsUsed(*record)) return std::nullopt;
    return record;
  }
  if (highlightedRecord && image_.IsUsed(*highlightedRecord)) return highlightedRecord;
  return std::nullopt;
}

void UnitController::OnListFocused() { OnListClicked(); }

void UnitController::OnListKeyPressed() {
  HighlightRow(-1, highlightedRow);
  // A row the keyboard reached is picked as a clicked one is.
  const std::optional<int> selected = view_.SelectedRow();
  if (selected) rowPicked = 1;
  ShowFloors(selected.value_or(-1));
}

}  // namespace qel
