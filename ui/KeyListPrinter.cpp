#include "ui/KeyListPrinter.h"

#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <array>

#include "ui/QtTexts.h"

namespace qel {
namespace {

constexpr int kColumns = 4;
// The widest floor list there is: every other floor.
constexpr const char* kWidestFloors = "1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23";

}  // namespace

struct KeyListPrinter::Layout {
  QRect page;
  int lineHeight = 0;
  int headerHeight = 0;
  int rowsPerPage = 1;
  int pages = 1;
  // Left edges and widths of ID, comment, code and floors.
  std::array<int, kColumns> left{};
  std::array<int, kColumns> width{};
};

KeyListPrinter::KeyListPrinter(const KeyListDocument& document, Language language, QDate date)
    : m_document(document), m_language(language), m_date(date), m_font(QStringLiteral("Sans Serif"), 9) {}

KeyListPrinter::Layout KeyListPrinter::LayOut(QPagedPaintDevice& device) const {
  const QFontMetrics metrics(m_font, &device);
  Layout layout;
  layout.page = QRect(0, 0, device.width(), device.height());
  layout.lineHeight = metrics.lineSpacing() * 5 / 4;
  // Two header lines, a gap, the column headings and the rule under them.
  layout.headerHeight = layout.lineHeight * 4;
  layout.rowsPerPage = std::max(1, (layout.page.height() - layout.headerHeight) / layout.lineHeight);
  const int keys = static_cast<int>(m_document.keys.size());
  layout.pages = std::max(1, (keys + layout.rowsPerPage - 1) / layout.rowsPerPage);

  const int gap = metrics.horizontalAdvance(QStringLiteral("MM"));
  const int id = metrics.horizontalAdvance(QStringLiteral("00000"));
  const int code = metrics.horizontalAdvance(QStringLiteral("DDDDDDDDDDDDDDDD"));
  // The floors keep their room while the page allows; the comment takes the rest, and at least
  // as much as the floors on a narrow page.
  const int rest = layout.page.width() - id - code - 3 * gap;
  const int floors = std::min(metrics.horizontalAdvance(QString::fromLatin1(kWidestFloors)), rest / 2);
  layout.width = {id, rest - floors, code, floors};
  int x = 0;
  for (int column = 0; column < kColumns; ++column) {
    layout.left[column] = x;
    x += layout.width[column] + gap;
  }
  return layout;
}

int KeyListPrinter::PageCount(QPagedPaintDevice& device) const { return LayOut(device).pages; }

QStringList KeyListPrinter::HeaderLines(int page, int pages) const {
  // ISO dates read the same in both languages and sort.
  const QString date = m_date.toString(Qt::ISODate);
  const QString name = m_document.elevatorName.empty() ? QTr(Text::ApplicationCaption, m_language)
                                                       : ToQString(m_document.elevatorName);
  return {
      name + QStringLiteral("  \u2014  ") + date,
      ToQString(TrFormatInts(Text::PrintKeyCount, m_language, {static_cast<int>(m_document.keys.size())})) +
          QStringLiteral("  \u2014  ") +
          ToQString(TrFormatInts(Text::PrintPageNumber, m_language, {page, pages}))};
}

bool KeyListPrinter::Print(QPagedPaintDevice& device) const {
  const Layout layout = LayOut(device);
  QPainter painter;
  if (!painter.begin(&device)) return false;
  painter.setFont(m_font);
  for (int page = 1; page <= layout.pages; ++page) {
    if (page > 1 && !device.newPage()) return false;
    PaintPage(painter, layout, page);
  }
  return painter.end();
}

void KeyListPrinter::PaintPage(QPainter& painter, const Layout& layout, int page) const {
  const QFontMetrics metrics(m_font, painter.device());
  const auto cell = [&](int column, int line, const QString& text) {
    const QRect box(layout.left[column], line * layout.lineHeight, layout.width[column], layout.lineHeight);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(text, Qt::ElideRight, layout.width[column]));
  };
  const QStringList header = HeaderLines(page, layout.pages);
  QFont bold = m_font;
  bold.setBold(true);
  painter.setFont(bold);
  for (int line = 0; line < header.size(); ++line)
    painter.drawText(
        QRect(0, line * layout.lineHeight, layout.page.width(), layout.lineHeight),
        Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(bold, painter.device()).elidedText(header[line], Qt::ElideRight, layout.page.width()));
  const Text headings[kColumns] = {Text::ColumnId, Text::ColumnComment, Text::ColumnKey, Text::ColumnFloors};
  for (int column = 0; column < kColumns; ++column) cell(column, 3, QTr(headings[column], m_language));
  painter.setFont(m_font);
  painter.drawLine(0, layout.headerHeight, layout.page.width(), layout.headerHeight);

  const std::size_t first = static_cast<std::size_t>((page - 1) * layout.rowsPerPage);
  const std::size_t end =
      std::min(m_document.keys.size(), first + static_cast<std::size_t>(layout.rowsPerPage));
  for (std::size_t i = first; i < end; ++i) {
    const PrintedKey& key = m_document.keys[i];
    const int line = 4 + static_cast<int>(i - first);
    cell(0, line, QString::number(key.id));
    cell(1, line, ToQString(key.comment));
    cell(2, line, ToQString(key.keyCode));
    cell(3, line, ToQString(key.floors));
  }
}

}  // namespace qel
