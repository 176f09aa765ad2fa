#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <vector>

#include "keystore/KeyMemoryImage.h"
#include "texts/Language.h"

namespace qel {

// The rows of the key list as the core built them, and the reader highlight. Rows carry no data
// of their own beyond what is shown: the core maps a row number to its record.
class KeyListModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { IdColumn, CommentColumn, KeyColumn, ColumnCount };
  // True for the row of the key presented at the unit's reader.
  static constexpr int HighlightRole = Qt::UserRole + 1;

  explicit KeyListModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Replaces every row. The highlight does not survive: the core decides anew what to highlight.
  void SetRows(const std::vector<KeyListRow>& rows);
  // Adds rows after the last one; the rows there keep their highlight and the view its selection.
  void AppendRows(const std::vector<KeyListRow>& rows);
  void SetHeaders(Language language);
  // Rows the list does not have are ignored.
  void SetHighlighted(int row, bool highlighted);
  // Whether the highlighted key is held at the reader now or was only the last one presented.
  void SetKeyAtReader(bool atReaderNow);
  bool IsHighlighted(int row) const;

 private:
  struct Row {
    QString id;
    QString comment;
    QString keyCode;
    bool highlighted = false;
    KeyMark mark = KeyMark::None;
  };

  static Row RowOf(const KeyListRow& row);
  bool IsCell(const QModelIndex& index) const;
  bool HasRow(int row) const { return row >= 0 && row < static_cast<int>(m_rows.size()); }

  std::vector<Row> m_rows;
  std::array<QString, ColumnCount> m_headers;
  bool m_keyAtReader = false;
  QString m_atReaderText;
  QString m_lastPresentedText;
  QString m_notInUnitText;
  QString m_deletionNotConfirmedText;
};

}  // namespace qel
