#include "ui/KeyListView.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <algorithm>

#include "ui/KeyListModel.h"

namespace qel {
namespace {

constexpr int kIdWidth = 50;
constexpr int kKeyWidth = 116;

}  // namespace

void KeyHighlightDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (index.data(KeyListModel::HighlightRole).toBool()) option->state &= ~QStyle::State_Selected;
}

KeyListView::KeyListView(KeyListModel& model, QWidget* parent) : QTableView(parent), m_model(model) {
  setModel(&m_model);
  setItemDelegate(new KeyHighlightDelegate(this));
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setShowGrid(true);
  setWordWrap(false);
  setTabKeyNavigation(false);
  verticalHeader()->hide();
  // Fixed row heights keep a refill of thousands of rows from measuring each one.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  horizontalHeader()->setHighlightSections(false);
  // The comment takes whatever width the window has to spare; ID and key keep theirs.
  horizontalHeader()->setStretchLastSection(false);
  horizontalHeader()->setSectionResizeMode(KeyListModel::CommentColumn, QHeaderView::Stretch);
  ResetColumnWidths();
}

void KeyListView::ResetColumnWidths() {
  setColumnWidth(KeyListModel::IdColumn, kIdWidth);
  setColumnWidth(KeyListModel::KeyColumn, kKeyWidth);
}

void KeyListView::SetRowHighlight(int row, bool highlighted) {
  if (row < 0 || row >= m_model.rowCount()) return;
  m_model.SetHighlighted(row, highlighted);
  // Not away from the operator's row: the commands act on that one.
  if (highlighted && !selectionModel()->hasSelection())
    scrollTo(m_model.index(row, 0), QAbstractItemView::EnsureVisible);
}

void KeyListView::SelectRow(int row) {
  if (row < 0 || row >= m_model.rowCount()) return;
  const QModelIndex first = m_model.index(row, 0);
  selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  scrollTo(first, QAbstractItemView::EnsureVisible);
}

std::optional<int> KeyListView::FirstSelectedRow() const {
  const QModelIndexList rows = selectionModel()->selectedRows();
  if (rows.isEmpty()) return std::nullopt;
  const auto first = std::min_element(
      rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  return first->row();
}

std::vector<int> KeyListView::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

void KeyListView::mouseReleaseEvent(QMouseEvent* event) {
  QTableView::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton) emit listClicked();
}

void KeyListView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTableView::mouseDoubleClickEvent(event);
  // Below the last row there is no key to edit, not even the one at the reader.
  if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
    emit listDoubleClicked();
}

void KeyListView::focusInEvent(QFocusEvent* event) {
  QTableView::focusInEvent(event);
  emit listFocused();
}

void KeyListView::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if ((enter || event->key() == Qt::Key_Delete) &&
      (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    // With no key command to run, Enter belongs to the window's default button.
    if (!m_keyCommandsOn) {
      event->ignore();
      return;
    }
    event->accept();
    if (enter)
      emit listEnterPressed();
    else
      emit listDeletePressed();
    return;
  }
  QTableView::keyPressEvent(event);
  emit listKeyPressed();
}

}  // namespace qel
