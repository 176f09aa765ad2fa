// The key list and the floors panel: which row shows which record, the reader highlight and
// the row the edit and delete commands act on.
#include "sequencer/UnitController.h"

namespace qel {

void UnitController::RefillKeyList() { view_.ShowKeyRows(image_.BuildKeyList()); }

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
}

std::optional<int> UnitController::TargetRow() const {
  if (highlightedRow != -1) return highlightedRow;
  if (rowPicked == 1) return view_.SelectedRow();
  return std::nullopt;
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

void UnitController::OnListFocused() { OnListClicked(); }

void UnitController::OnListKeyPressed() {
  ClearFloors();
  HighlightRow(-1, highlightedRow);
  highlightedRow = -1;
}

}  // namespace qel
