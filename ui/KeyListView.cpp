#include "ui/KeyListView.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QToolTip>
#include <algorithm>
#include <array>

#include "ui/KeyListModel.h"

namespace qel {

// A column sized for its widest value: `count` of the widest of `characters`.
struct FittedColumn {
  int column;
  QStringView characters;
  int count;
};

namespace {

// IDs run to 4359, key codes are 16 hexadecimal digits.
constexpr std::array kFittedColumns{FittedColumn{KeyListModel::IdColumn, u"0123456789", 4},
                                    FittedColumn{KeyListModel::KeyColumn, u"0123456789ABCDEF", 16}};

// The room the style leaves on either side of a cell's text.
int TextMargin(const QStyle* style, const QWidget* widget) {
  return style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
}

}  // namespace

void KeyHighlightDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (index.data(KeyListModel::HighlightRole).toBool()) option->state &= ~QStyle::State_Selected;
}

bool KeyHighlightDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                     const QStyleOptionViewItem& option, const QModelIndex& index) {
  if (event->type() != QEvent::ToolTip || !index.isValid())
    return QStyledItemDelegate::helpEvent(event, view, option, index);
  QStyleOptionViewItem cell = option;
  initStyleOption(&cell, index);
  const QStyle* style = view->style();
  const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &cell, view);
  const int needed = cell.fontMetrics.horizontalAdvance(cell.text) + 2 * TextMargin(style, view);
  if (needed <= textRect.width()) return QStyledItemDelegate::helpEvent(event, view, option, index);
  // The cell's text is cut: the whole of it first, then what the row has to say of its own.
  QString tip = cell.text;
  if (const QString own = index.data(Qt::ToolTipRole).toString(); !own.isEmpty()) tip += '\n' + own;
  QToolTip::showText(event->globalPos(), tip, view->viewport(), view->visualRect(index));
  return true;
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
  horizontalHeader()->setStretchLastSection(false);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setSectionsClickable(true);
  horizontalHeader()->setSortIndicatorShown(true);
  ShowOrder(KeyOrder{});
  // The sections start at their needed widths: FitColumns only ever widens them.
  for (const FittedColumn& fitted : kFittedColumns) setColumnWidth(fitted.column, NeededWidth(fitted));
  connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
    static_assert(KeyListModel::IdColumn == static_cast<int>(KeySortColumn::Id) &&
                  KeyListModel::CommentColumn == static_cast<int>(KeySortColumn::Comment) &&
                  KeyListModel::KeyColumn == static_cast<int>(KeySortColumn::Code));
    emit sortRequested(static_cast<KeySortColumn>(section));
  });
  connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section) {
    if (section != KeyListModel::CommentColumn) FitCommentColumn();
  });
}

int KeyListView::NeededWidth(const FittedColumn& fitted) const {
  QFont bold = font();
  bold.setBold(true);
  const QFontMetrics metrics(bold);
  int widest = 0;
  for (const QChar c : fitted.characters) widest = std::max(widest, metrics.horizontalAdvance(c));
  // One pixel more for the grid line.
  const int cell = fitted.count * widest + 2 * TextMargin(style(), this) + 1;
  return std::max(cell, horizontalHeader()->sectionSizeHint(fitted.column));
}

void KeyListView::FitColumns() {
  for (const FittedColumn& fitted : kFittedColumns)
    setColumnWidth(fitted.column, std::max(columnWidth(fitted.column), NeededWidth(fitted)));
  FitCommentColumn();
}

void KeyListView::FitCommentColumn() {
  const int left =
      viewport()->width() - columnWidth(KeyListModel::IdColumn) - columnWidth(KeyListModel::KeyColumn);
  setColumnWidth(KeyListModel::CommentColumn,
                 std::max(left, horizontalHeader()->sectionSizeHint(KeyListModel::CommentColumn)));
}

void KeyListView::ShowOrder(const KeyOrder& order) {
  horizontalHeader()->setSortIndicator(static_cast<int>(order.column),
                                       order.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void KeyListView::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  FitCommentColumn();
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
