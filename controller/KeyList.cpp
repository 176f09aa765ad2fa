// The key list and the floors panel as the selection decides them: the rows, the filter, the
// reader highlight and the operator's pick.
#include "controller/UnitController.h"
#include "keystore/FloorList.h"
#include "texts/Cp1250.h"
#include "texts/Texts.h"

namespace qel {

void UnitController::RefillKeyList() { ListKeys(0); }

void UnitController::ListKeys(int keptRows) {
  std::vector<KeyListRow> rows = image_.BuildKeyList(selection_.filter());
  if (arrivedRecords_)
    std::erase_if(rows, [end = *arrivedRecords_](const KeyListRow& row) { return row.id >= end; });
  rows = selection_.Refill(std::move(rows), image_);
  for (KeyListRow& row : rows)
    if (const auto mark = ledger_.marks().find(row.id); mark != ledger_.marks().end())
      row.mark = mark->second;
  if (keptRows > 0) {
    rows.erase(rows.begin(), rows.begin() + std::min<std::ptrdiff_t>(keptRows, std::ssize(rows)));
    view_.AppendKeyRows(std::move(rows));
  } else {
    view_.ShowKeyRows(std::move(rows));
  }
  ShowFilterSummary();
  view_.ShowLoadCutShort(
      keyLoad_.cutShort() ? TrFormat(Text::KeyLoadCutShort, language(), selection_.RowCount()) : "");
  if (const std::optional<int> row = selection_.highlightedRow()) view_.SetRowHighlight(*row, true);
}

void UnitController::KeysChanged() {
  if (!arrivedRecords_) {
    RefillKeyList();
    return;
  }
  arrivedRecords_.reset();
  // A load's end: in ID order what it listed as it went is the head of the whole list; in another
  // order what the end adds may fall anywhere.
  if (selection_.order() == KeyOrder{})
    ListKeys(selection_.RowCount());
  else
    RefillKeepingSelected();
}

void UnitController::RefillKeepingSelected() {
  selection_.RememberPick(view_.SelectedRow(), image_);
  RefillKeyList();
  // The refill let the view's selection go: it comes back on the row that now shows its key.
  if (const std::optional<int> row = selection_.RowOfRemembered(image_)) view_.SelectRow(*row);
}

void UnitController::KeysArrived(int upToByte) {
  const int records = std::min(upToByte / image_.RecordSize(), image_.ListedCount());
  if (!arrivedRecords_ || records < *arrivedRecords_) {
    // A load begins: nothing of what the list showed before is known to be in the unit still.
    arrivedRecords_ = records;
    RefillKeyList();
    return;
  }
  std::vector<KeyListRow> rows = image_.KeyRows(*arrivedRecords_, records, selection_.filter());
  arrivedRecords_ = records;
  if (rows.empty()) {
    ShowFilterSummary();
  } else if (selection_.order() == KeyOrder{}) {
    selection_.Append(rows);
    view_.AppendKeyRows(std::move(rows));
    ShowFilterSummary();
  } else {
    // In another order the new keys fall anywhere among those listed.
    RefillKeepingSelected();
  }
}

KeyListDocument UnitController::KeysToPrint(PrintScope scope, const std::vector<int>& selectedRows) const {
  std::vector<KeyListRow> rows;
  if (scope == PrintScope::Selected) {
    std::vector<int> records;
    for (int row : selectedRows)
      if (const std::optional<int> record = selection_.RowToRecord(row)) records.push_back(*record);
    std::sort(records.begin(), records.end());
    for (int record : records) {
      std::vector<KeyListRow> one = image_.KeyRows(record, record + 1, {});
      rows.insert(rows.end(), one.begin(), one.end());
    }
  } else {
    rows = image_.KeyRows(0, image_.ListedCount(),
                          scope == PrintScope::Shown ? selection_.filter() : KeyFilter{});
  }
  // While a load runs, only what the list shows has arrived.
  if (arrivedRecords_)
    std::erase_if(rows, [end = *arrivedRecords_](const KeyListRow& row) { return row.id >= end; });
  // On paper as on the screen.
  rows = Ordered(std::move(rows), selection_.order());
  KeyListDocument document;
  document.elevatorName = Cp1250ToUtf8(settings_.elevatorName.substr(0, kShownNameLength));
  for (KeyListRow& row : rows)
    document.keys.push_back(
        {row.id, std::move(row.comment), std::move(row.keyCode), PrintedFloorList(image_.FloorsAt(row.id))});
  return document;
}

void UnitController::ShowFilterSummary() {
  if (selection_.filter().IsEmpty()) {
    view_.ShowFilterSummary("");
    return;
  }
  // While keys load, the image's count is of an earlier refill: the keys that have arrived count.
  int keys = image_.KeyCount();
  if (arrivedRecords_) {
    keys = 0;
    for (int record = 0; record < *arrivedRecords_; ++record) keys += image_.IsUsed(record) ? 1 : 0;
  }
  if (const std::optional<int> floor = selection_.filter().floor()) {
    view_.ShowFilterSummary(
        TrFormatInts(Text::KeyFilterFloorSummary, language(), {*floor, selection_.RowCount(), keys}));
    return;
  }
  view_.ShowFilterSummary(TrFormatInts(Text::KeyFilterSummary, language(), {selection_.RowCount(), keys}));
}

void UnitController::SetKeyFilter(std::string_view utf8) {
  selection_.SetFilter(utf8, view_.SelectedRow(), image_);
  RefillKeyList();
  if (const std::optional<int> row = selection_.RowOfPick(image_)) view_.SelectRow(*row);
  ShowCurrentFloors();
}

void UnitController::SortKeyList(KeySortColumn column) {
  selection_.SortBy(column, view_.SelectedRow(), image_);
  RefillKeepingSelected();
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
