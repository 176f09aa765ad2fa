#pragma once

#include <QStyledItemDelegate>
#include <QTableView>
#include <optional>
#include <vector>

#include "controller/KeySelection.h"

namespace qel {

class KeyListModel;
struct FittedColumn;

// Paints the reader highlight over the selection: when the operator picks the highlighted row, the
// style's selection colour would otherwise hide the highlight. A cell too narrow for its text
// tells the whole text in its tooltip.
class KeyHighlightDelegate final : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

// The key list: full-row selection of one row or several (Shift/Ctrl click, Ctrl+A), grid lines,
// and the list notifications the core listens to. Notifications are raised after the list has
// handled the event itself, so the core sees the selection as the operator left it. The operator
// sizes every column; the comment takes the width the ID and key columns leave, and a click on a
// header asks the core to sort.
class KeyListView final : public QTableView {
  Q_OBJECT

 public:
  explicit KeyListView(KeyListModel& model, QWidget* parent = nullptr);

  // Whether Enter and Delete act on the keys; while off, Enter belongs to the window's default
  // button.
  void SetKeyCommandsOn(bool on) { m_keyCommandsOn = on; }

  // Widens the ID and key columns to what their widest value and header need in the list's font
  // (bold, as the key at the reader is drawn); a column the operator made wider stays so.
  void FitColumns();
  // The sort indicator shows the core's order.
  void ShowOrder(const KeyOrder& order);
  // Highlights `row` (scrolling to it while no row is selected), or removes its highlight; the
  // selection stays the operator's.
  void SetRowHighlight(int row, bool highlighted);
  // Selects (and scrolls to) `row` without a highlight.
  void SelectRow(int row);
  std::optional<int> FirstSelectedRow() const;
  // Every selected row, from the top.
  std::vector<int> SelectedRows() const;

 signals:
  void listClicked();
  void listFocused();
  void listKeyPressed();
  void listDoubleClicked();
  // Enter and the keyboard's Delete key in the list, while `keysCommandsOn` lets them act.
  void listEnterPressed();
  void listDeletePressed();
  void sortRequested(KeySortColumn column);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The width a column needs for its widest value and its header.
  int NeededWidth(const FittedColumn& fitted) const;
  // The comment takes what the other columns leave of the list's width, but never less than its
  // header needs, so a narrow window scrolls rather than squeezing the key column.
  void FitCommentColumn();

  KeyListModel& m_model;
  bool m_keyCommandsOn = false;
};

}  // namespace qel
