// The key list and the floors panel as the selection decides them: the rows, the filter, the
// reader highlight and the operator's pick.
#include "controller/UnitController.h"
#include "texts/Texts.h"

namespace qel {

void UnitController::RefillKeyList() {
  std::vector<KeyListRow> rows = selection_.Refill(image_.BuildKeyList(selection_.filter()), image_);
  for (KeyListRow& row : rows)
    if (const auto mark = ledger_.marks().find(row.id); mark != ledger_.marks().end())
      row.mark = mark->second;
  view_.ShowKeyRows(std::move(rows));
  ShowFilterSummary();
  view_.ShowLoadCutShort(
      keyLoad_.cutShort() ? TrFormat(Text::KeyLoadCutShort, language(), selection_.RowCount()) : "");
  if (const std::optional<int> row = selection_.highlightedRow()) view_.SetRowHighlight(*row, true);
}

void UnitController::ShowFilterSummary() {
  if (selection_.filter().IsEmpty()) {
    view_.ShowFilterSummary("");
    return;
  }
  if (const std::optional<int> floor = selection_.filter().floor()) {
    view_.ShowFilterSummary(TrFormatInts(Text::KeyFilterFloorSummary, language(),
                                         {*floor, selection_.RowCount(), image_.KeyCount()}));
    return;
  }
  view_.ShowFilterSummary(
      TrFormatInts(Text::KeyFilterSummary, language(), {selection_.RowCount(), image_.KeyCount()}));
}

void UnitController::SetKeyFilter(std::string_view utf8) {
  selection_.SetFilter(utf8, view_.SelectedRow(), image_);
  RefillKeyList();
  if (const std::optional<int> row = selection_.RowOfPick(image_)) view_.SelectRow(*row);
  ShowCurrentFloors();
}

void UnitController::SortKeyList(KeySortColumn column) {
  selection_.SortBy(column, view_.SelectedRow(), image_);
  RefillKeyList();
  // The refill let the view's selection go: it comes back on the row that now shows its key.
  if (const std::optional<int> row = selection_.RowOfRemembered(image_)) view_.SelectRow(*row);
  ShowCurrentFloors();
}

void UnitController::ShowFloorsOf(std::optional<int> record) {
  view_.ShowFloors(record ? image_.FloorsAt(*record) : Floors{});
}

void UnitController::ShowCurrentFloors() { ShowFloorsOf(selection_.FloorsRecord(view_.SelectedRow())); }

void UnitController::DropHighlight() {
  if (const std::optional<int> row = selection_.highlightedRow()) view_.SetRowHighlight(*row, false);
  selection_.DropHighlight();
}

void UnitController::ReaderReport(bool held, const KeyCode& code) {
  const std::optional<int> oldRow = selection_.highlightedRow();
  const bool wasAtReader = selection_.highlightedAtReader();
  // The operator's selection stays where it is: only the highlight and the floors follow the
  // reader, also for a key the list does not show (the filter hides it, or it lies beyond the
  // listed records).
  if (const std::optional<int> presented = selection_.ReaderReport(held, code, image_)) {
    if (oldRow) view_.SetRowHighlight(*oldRow, false);
    if (const std::optional<int> row = selection_.highlightedRow()) view_.SetRowHighlight(*row, true);
    ShowFloorsOf(presented);
  }
  const bool atReader = selection_.highlightedAtReader();
  if (atReader == wasAtReader) return;
  view_.ShowKeyAtReader(atReader);
  // The presentation is over: a row the operator selected shows its floors again.
  if (!atReader) ShowCurrentFloors();
}

void UnitController::OnListClicked() {
  selection_.Pick();
  const std::optional<int> selected = view_.SelectedRow();
  if (!selected) {
    ShowCurrentFloors();
    return;
  }
  ShowFloorsOf(selection_.RowToRecord(*selected));
  if (selection_.highlightedRow() != selected) DropHighlight();
}

void UnitController::OnListFocused() { OnListClicked(); }

void UnitController::OnListKeyPressed() {
  DropHighlight();
  // A row the keyboard reached is picked as a clicked one is.
  const std::optional<int> selected = view_.SelectedRow();
  if (selected) selection_.Pick();
  ShowFloorsOf(selected ? selection_.RowToRecord(*selected) : std::nullopt);
}

}  // namespace qel
