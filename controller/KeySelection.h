#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "keystore/KeyFilter.h"
#include "keystore/KeyMemoryImage.h"

namespace qel {

// The columns the key list sorts by, in the list's order.
enum class KeySortColumn { Id, Comment, Code };

// How the rows are ordered: by one column, ties by ID; descending reverses the whole order.
struct KeyOrder {
  KeySortColumn column = KeySortColumn::Id;
  bool descending = false;
  bool operator==(const KeyOrder&) const = default;
};

// `rows`, in ascending ID, put in `order`.
std::vector<KeyListRow> Ordered(std::vector<KeyListRow> rows, const KeyOrder& order);

// Who chose what in the key list: the records of the rows shown (the image through the filter),
// the operator's pick, the reader highlight and the key at the reader. It draws nothing: the
// controller tells the view what changed. The row the view selects is the view's; the calls that
// depend on it are given it. Rows follow the operator's order, so every call that turns a row
// into a record, or back, goes through the selection.
class KeySelection {
 public:
  // The list as the image built it through filter(), returned in order(): the rows to show. The
  // highlight stays with its record and key, on the row that now shows it (none while the filter
  // hides it), or goes with the key.
  std::vector<KeyListRow> Refill(std::vector<KeyListRow> rows, const KeyMemoryImage& image);
  // Rows that follow the last one shown, of records after its own, while the order is by ascending
  // ID: a load's keys as they arrive.
  void Append(const std::vector<KeyListRow>& rows);
  const KeyFilter& filter() const { return filter_; }
  const KeyOrder& order() const { return order_; }
  // The operator clicked the header of `column`: a new column sorts ascending, the column sorted
  // by already reverses. The key of `selectedRow` is remembered as a filter change remembers it.
  void SortBy(KeySortColumn column, std::optional<int> selectedRow, const KeyMemoryImage& image);
  // The operator's text in the filter box (UTF-8), while the view selects `selectedRow`: a pick
  // the new filter hides is remembered until a filter shows it again, and one that the list shows
  // but no longer selects has been let go.
  void SetFilter(std::string_view utf8, std::optional<int> selectedRow, const KeyMemoryImage& image);
  // After a refill under a new filter: the row that shows the remembered pick, to be selected
  // again, while the operator's pick still holds and its key is still the one picked.
  std::optional<int> RowOfPick(const KeyMemoryImage& image) const;
  // Remembers the key of `selectedRow` across a refill; with none selected, a remembered key the
  // list shows has been let go.
  void RememberPick(std::optional<int> selectedRow, const KeyMemoryImage& image);
  // After a refill in a new order: the row that shows the key the view selected, picked or not.
  std::optional<int> RowOfRemembered(const KeyMemoryImage& image) const;

  // The record shown in `row`, and the row that shows `record`: none for a row the list does not
  // have or a record it does not show.
  std::optional<int> RowToRecord(int row) const;
  std::optional<int> RecordToRow(int record) const;
  int RowCount() const { return static_cast<int>(listed_.size()); }

  // The operator clicked or reached the selected row: it is the target of the next command.
  void Pick() { picked_ = true; }
  // A command began: a row left selected from before it is no target.
  void ForgetPick() { picked_ = false; }

  // A reader report: whether a key is held there, and the code the reader sent (kept also with
  // no key held). A held key that the image holds becomes the highlight; its record is returned.
  // Whether the highlight is held at the reader is judged afresh.
  std::optional<int> ReaderReport(bool held, const KeyCode& code, const KeyMemoryImage& image);
  // The operator took the list back from the reader: nothing is highlighted.
  void DropHighlight();

  std::optional<int> highlightedRow() const { return highlightedRow_; }
  // True while the highlighted key is held at the reader, false once it is only the last presented.
  bool highlightedAtReader() const { return highlightedAtReader_; }
  const KeyCode& readerCode() const { return readerCode_; }
  // Whether the last reader report had a key held there (readerCode()).
  bool keyAtReader() const { return keyAtReader_; }

  // The record the edit, delete and replace commands act on: the record of the selected row once
  // the operator has picked it since the last command, else (no row selected) the highlighted key
  // while it is still in the image; none when neither holds a key. A resident's key at the reader
  // never takes the place of the operator's row.
  std::optional<int> Target(std::optional<int> selectedRow, const KeyMemoryImage& image) const;
  // The record whose floors the panel shows: the key held at the reader, else that of the
  // selected row, else the key last presented; none without any of them.
  std::optional<int> FloorsRecord(std::optional<int> selectedRow) const;

 private:
  KeyFilter filter_;
  KeyOrder order_;
  // The record of each row shown, in order_.
  std::vector<int> listed_;
  // The operator picked the selected row since the last command.
  bool picked_ = false;
  // The operator's pick (record and key) at the last filter or order change, kept while a filter
  // hides it.
  std::optional<int> pick_;
  KeyCode pickCode_{};
  // The key last presented at the reader that the image holds: its record, its code, its row.
  std::optional<int> highlightedRecord_;
  KeyCode highlightedCode_{};
  std::optional<int> highlightedRow_;
  bool highlightedAtReader_ = false;
  KeyCode readerCode_{};
  bool keyAtReader_ = false;
};

}  // namespace qel
