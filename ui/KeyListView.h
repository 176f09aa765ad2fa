#pragma once

#include <QStyledItemDelegate>
#include <QTableView>
#include <optional>
#include <vector>

namespace qel {

class KeyListModel;

// Paints the reader highlight over the selection: when the operator picks the highlighted row, the
// style's selection colour would otherwise hide the highlight.
class KeyHighlightDelegate final : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

// The key list: full-row selection of one row or several (Shift/Ctrl click, Ctrl+A), grid lines, and the list
// notifications the core listens to. Notifications are raised after the list has handled the event itself, so
// the core sees the selection as the operator left it.
class KeyListView final : public QTableView {
  Q_OBJECT

 public:
  explicit KeyListView(KeyListModel& model, QWidget* parent = nullptr);

  // Whether Enter and Delete act on the keys; while off, Enter belongs to the window's default
  // button.
  void SetKeyCommandsOn(bool on) { m_keyCommandsOn = on; }

  // Sets the widths of the ID and key columns to their start values; the comment takes the rest.
  void ResetColumnWidths();
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

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  KeyListModel& m_model;
  bool m_keyCommandsOn = false;
};

}  // namespace qel
