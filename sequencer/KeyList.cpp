// The key list and the floors panel: which row shows which record, the reader highlight and
// the row the edit and delete commands act on.
#include "sequencer/UnitController.h"

namespace qel {

void UnitController::RefillKeyList() {
  view_.ShowKeyRows(image_.BuildKeyList());
  if (!highlightedRecord) return;
  // Rows shift when keys come and go; the highlight stays with its key, or goes with it.
  if (image_.IsUsed(*highlightedRecord) && image_.KeyCodeAt(*highlightedRecord) == highlightedCode) {
    highlightedRow = image_.RecordToRow(*highlightedRecord);
    view_.SetRowHighlight(highlightedRow, true);
  } else {
    highlightedRecord.reset();
    highlightedRow = -1;
  }
}

void UnitController::ClearFloors() { view_.ShowFloors(Floors{}); }

void UnitController::ShowFloors(int row) {
  ClearFloors();
  if (row < 0) return;
  if (const std::optional<int> record = image_.RowToRecord(row)) view_.ShowFloors(image_.FloorsAt(*record));
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
  const int row = image_.RecordToRow(*record);
  if (const std::optional<int> selected = view_.SelectedRow()) highlightedRow = *selected;
  HighlightRow(row, highlightedRow);
  highlightedRecord = *record;
  highlightedCode = image_.KeyCodeAt(*record);
}

void UnitController::ShowReaderPresence(bool keyHeld) {
  keyAtReader = keyHeld;
  const bool atReader = keyHeld && highlightedRecord && image_.KeyCodeAt(*highlightedRecord) == readerCode;
  if (atReader == highlightedAtReader) return;
  highlightedAtReader = atReader;
  view_.ShowKeyAtReader(atReader);
}

void UnitController::OnListClicked() {
  rowPicked = 1;
  const std::optional<int> selected = view_.SelectedRow();
  if (!selected) return;
  ShowFloors(*selected);
  if (highlightedRow != *selected) {
    HighlightRow(-1, highlightedRow);
    highlightedRow = -1;
  }
}

std::optional<int> UnitController::TargetRecord() const {
  if (highlightedRecord) {
    if (image_.IsUsed(*highlightedRecord)) return highlightedRecord;
    return std::nullopt;
  }
  if (rowPicked != 1) return std::nullopt;
  const std::optional<int> row = view_.SelectedRow();
  if (!row) return std::nullopt;
  const std::optional<int> record = image_.RowToRecord(*row);
  // A row maps to a record only while it is one of the list's; anything else is no key.
  if (!record || !image_.IsUsed(*record)) return std::nullopt;
  return record;
}

void UnitController::OnListFocused() { OnListClicked(); }

void UnitController::OnListKeyPressed() {
  const int wasHighlighted = highlightedRow;
  HighlightRow(-1, highlightedRow);
  // Removing the highlight deselects its row; a key that left the selection there shows none.
  const std::optional<int> selected = view_.SelectedRow();
  if (selected && *selected != wasHighlighted)
    ShowFloors(*selected);
  else
    ClearFloors();
}

}  // namespace qel
