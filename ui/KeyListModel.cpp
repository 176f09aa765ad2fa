#include "ui/KeyListModel.h"

#include <QBrush>
#include <QColor>
#include <QFont>

#include "ui/QtTexts.h"

namespace qel {
namespace {

// Amber under black bold text: unlike the selection colour of any common style, so a key at the
// reader is told apart from a row the operator clicked at a glance.
const QColor kHighlightBackground(255, 191, 0);
const QColor kHighlightText(0, 0, 0);
// The last key presented, no longer at the reader: the same hue, paler, and not bold.
const QColor kLastPresentedBackground(255, 229, 153);
// A key whose write went wrong: a pale red that no style uses for rows, with its tooltip saying why.
const QColor kMarkedBackground(255, 205, 205);

}  // namespace

KeyListModel::Row KeyListModel::RowOf(const KeyListRow& row) {
  return {QString::number(row.id), ToQString(row.comment), ToQString(row.keyCode), false, row.mark};
}

KeyListModel::KeyListModel(QObject* parent) : QAbstractTableModel(parent) { SetHeaders(Language::English); }

bool KeyListModel::IsCell(const QModelIndex& index) const {
  return index.isValid() && index.model() == this && HasRow(index.row()) && index.column() >= 0 &&
         index.column() < ColumnCount;
}

int KeyListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int KeyListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant KeyListModel::data(const QModelIndex& index, int role) const {
  if (!IsCell(index)) return {};
  const Row& row = m_rows[static_cast<std::size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
      switch (index.column()) {
        case IdColumn:
          return row.id;
        case CommentColumn:
          return row.comment;
        case KeyColumn:
          return row.keyCode;
      }
      return {};
    case HighlightRole:
      return row.highlighted;
    case Qt::BackgroundRole:
      if (row.highlighted) return QBrush(m_keyAtReader ? kHighlightBackground : kLastPresentedBackground);
      if (row.mark != KeyMark::None) return QBrush(kMarkedBackground);
      return {};
    case Qt::ForegroundRole:
      return row.highlighted || row.mark != KeyMark::None ? QVariant(QBrush(kHighlightText)) : QVariant();
    case Qt::ToolTipRole: {
      QString tip;
      if (row.highlighted) tip = m_keyAtReader ? m_atReaderText : m_lastPresentedText;
      if (row.mark != KeyMark::None) {
        if (!tip.isEmpty()) tip += '\n';
        tip += row.mark == KeyMark::DeletionNotConfirmed ? m_deletionNotConfirmedText : m_notInUnitText;
      }
      return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    case Qt::FontRole:
      if (row.highlighted && m_keyAtReader) {
        QFont bold;
        bold.setBold(true);
        return bold;
      }
      return {};
  }
  return {};
}

QVariant KeyListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
    return {};
  return m_headers[section];
}

Qt::ItemFlags KeyListModel::flags(const QModelIndex& index) const {
  if (!IsCell(index)) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void KeyListModel::SetRows(const std::vector<KeyListRow>& rows) {
  beginResetModel();
  m_rows.clear();
  m_rows.reserve(rows.size());
  for (const KeyListRow& row : rows) m_rows.push_back(RowOf(row));
  endResetModel();
}

void KeyListModel::AppendRows(const std::vector<KeyListRow>& rows) {
  if (rows.empty()) return;
  const int first = rowCount();
  beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
  for (const KeyListRow& row : rows) m_rows.push_back(RowOf(row));
  endInsertRows();
}

void KeyListModel::SetHeaders(Language language) {
  m_headers[IdColumn] = QTr(Text::ColumnId, language);
  m_headers[CommentColumn] = QTr(Text::ColumnComment, language);
  m_headers[KeyColumn] = QTr(Text::ColumnKey, language);
  m_atReaderText = QTr(Text::KeyAtReaderNow, language);
  m_lastPresentedText = QTr(Text::KeyLastPresented, language);
  m_notInUnitText = QTr(Text::KeyMarkNotInUnit, language);
  m_deletionNotConfirmedText = QTr(Text::KeyMarkDeletionNotConfirmed, language);
  emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

void KeyListModel::SetHighlighted(int row, bool highlighted) {
  if (!HasRow(row) || m_rows[static_cast<std::size_t>(row)].highlighted == highlighted) return;
  m_rows[static_cast<std::size_t>(row)].highlighted = highlighted;
  emit dataChanged(index(row, 0), index(row, ColumnCount - 1),
                   {HighlightRole, Qt::BackgroundRole, Qt::ForegroundRole, Qt::FontRole});
}

void KeyListModel::SetKeyAtReader(bool atReaderNow) {
  if (m_keyAtReader == atReaderNow) return;
  m_keyAtReader = atReaderNow;
  if (!m_rows.empty())
    emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1),
                     {Qt::BackgroundRole, Qt::ToolTipRole, Qt::FontRole});
}

bool KeyListModel::IsHighlighted(int row) const {
  return HasRow(row) && m_rows[static_cast<std::size_t>(row)].highlighted;
}

}  // namespace qel
