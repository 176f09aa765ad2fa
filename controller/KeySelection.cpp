#include "controller/KeySelection.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "texts/Collation.h"

namespace qel {
namespace {

// The order of row indices for `order`; the rows come in ascending ID, which breaks every tie.
std::vector<std::size_t> SortedIndices(const std::vector<KeyListRow>& rows, const KeyOrder& order) {
  std::vector<std::size_t> indices(rows.size());
  std::iota(indices.begin(), indices.end(), std::size_t{0});
  if (order.column == KeySortColumn::Comment) {
    // Keys once per row: thousands of comments would otherwise be decoded at every comparison.
    std::vector<CzechSortKey> keys;
    keys.reserve(rows.size());
    for (const KeyListRow& row : rows) keys.push_back(MakeCzechSortKey(row.comment));
    std::stable_sort(indices.begin(), indices.end(), [&](std::size_t a, std::size_t b) {
      if (const auto byKey = keys[a] <=> keys[b]; byKey != 0) return byKey < 0;
      return rows[a].comment < rows[b].comment;
    });
  } else if (order.column == KeySortColumn::Code) {
    std::stable_sort(indices.begin(), indices.end(),
                     [&](std::size_t a, std::size_t b) { return rows[a].keyCode < rows[b].keyCode; });
  }
  if (order.descending) std::reverse(indices.begin(), indices.end());
  return indices;
}

}  // namespace

std::vector<KeyListRow> Ordered(std::vector<KeyListRow> rows, const KeyOrder& order) {
  std::vector<KeyListRow> ordered;
  ordered.reserve(rows.size());
  for (const std::size_t index : SortedIndices(rows, order)) ordered.push_back(std::move(rows[index]));
  return ordered;
}

std::vector<KeyListRow> KeySelection::Refill(std::vector<KeyListRow> rows, const KeyMemoryImage& image) {
  std::vector<KeyListRow> ordered = Ordered(std::move(rows), order_);
  listed_.clear();
  for (const KeyListRow& row : ordered) listed_.push_back(row.id);
  if (!highlightedRecord_) return ordered;
  // Rows shift when keys come and go; the highlight stays with its key, or goes with it. A key
  // the filter hides keeps it, with no row to show it on.
  if (image.IsUsed(*highlightedRecord_) && image.KeyCodeAt(*highlightedRecord_) == highlightedCode_) {
    highlightedRow_ = RecordToRow(*highlightedRecord_);
  } else {
    highlightedRecord_.reset();
    highlightedRow_.reset();
  }
  return ordered;
}

void KeySelection::Append(const std::vector<KeyListRow>& rows) {
  for (const KeyListRow& row : rows) listed_.push_back(row.id);
}

void KeySelection::RememberPick(std::optional<int> selectedRow, const KeyMemoryImage& image) {
  if (selectedRow) {
    pick_ = RowToRecord(*selectedRow);
    if (pick_) pickCode_ = image.KeyCodeAt(*pick_);
  } else if (pick_ && RecordToRow(*pick_)) {
    pick_.reset();
  }
}

void KeySelection::SetFilter(std::string_view utf8, std::optional<int> selectedRow,
                             const KeyMemoryImage& image) {
  RememberPick(selectedRow, image);
  filter_ = KeyFilter(utf8);
}

void KeySelection::SortBy(KeySortColumn column, std::optional<int> selectedRow, const KeyMemoryImage& image) {
  RememberPick(selectedRow, image);
  order_ = KeyOrder{column, order_.column == column && !order_.descending};
}

std::optional<int> KeySelection::RowOfPick(const KeyMemoryImage& image) const {
  if (!picked_) return std::nullopt;
  return RowOfRemembered(image);
}

std::optional<int> KeySelection::RowOfRemembered(const KeyMemoryImage& image) const {
  if (!pick_ || !image.IsUsed(*pick_) || image.KeyCodeAt(*pick_) != pickCode_) return std::nullopt;
  return RecordToRow(*pick_);
}

std::optional<int> KeySelection::RowToRecord(int row) const {
  if (row < 0 || row >= RowCount()) return std::nullopt;
  return listed_[static_cast<std::size_t>(row)];
}

std::optional<int> KeySelection::RecordToRow(int record) const {
  const auto found = std::find(listed_.begin(), listed_.end(), record);
  if (found == listed_.end()) return std::nullopt;
  return static_cast<int>(found - listed_.begin());
}

std::optional<int> KeySelection::ReaderReport(bool held, const KeyCode& code, const KeyMemoryImage& image) {
  readerCode_ = code;
  keyAtReader_ = held;
  std::optional<int> presented;
  if (held) presented = image.FindKeyCode(code);
  if (presented) {
    highlightedRecord_ = presented;
    highlightedCode_ = image.KeyCodeAt(*presented);
    highlightedRow_ = RecordToRow(*presented);
  }
  highlightedAtReader_ = held && highlightedRecord_ && image.KeyCodeAt(*highlightedRecord_) == code;
  return presented;
}

void KeySelection::DropHighlight() {
  highlightedRecord_.reset();
  highlightedRow_.reset();
}

std::optional<int> KeySelection::Target(std::optional<int> selectedRow, const KeyMemoryImage& image) const {
  // A selected row rules out the reader's key, even a row left from before the last command.
  if (selectedRow) {
    if (!picked_) return std::nullopt;
    const std::optional<int> record = RowToRecord(*selectedRow);
    // A row maps to a record only while it is one of the list's; anything else is no key.
    if (!record || !image.IsUsed(*record)) return std::nullopt;
    return record;
  }
  if (highlightedRecord_ && image.IsUsed(*highlightedRecord_)) return highlightedRecord_;
  return std::nullopt;
}

std::optional<int> KeySelection::FloorsRecord(std::optional<int> selectedRow) const {
  if (highlightedRecord_ && (highlightedAtReader_ || !selectedRow)) return highlightedRecord_;
  if (!selectedRow) return std::nullopt;
  return RowToRecord(*selectedRow);
}

}  // namespace qel
