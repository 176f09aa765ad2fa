#pragma once

#include <QDate>
#include <QFont>
#include <QStringList>

#include "controller/KeyListPrint.h"
#include "texts/Language.h"

class QPagedPaintDevice;
class QPainter;

namespace qel {

// Lays a key list out on the pages of a printer or a PDF: on every page a header (the elevator,
// the date, the number of keys, "Page 2 of 5") and the column headings, then one line per key.
// A comment or floor list too long for its column is elided, so that every row is one line and
// nothing runs off the page.
class KeyListPrinter {
 public:
  KeyListPrinter(const KeyListDocument& document, Language language, QDate date);

  // The pages the list takes on `device` as its page is set now.
  int PageCount(QPagedPaintDevice& device) const;
  // The header's two lines on page `page` (from 1) of `pages`.
  QStringList HeaderLines(int page, int pages) const;
  // Paints every page; false when the device cannot be painted on (a file that cannot be written).
  bool Print(QPagedPaintDevice& device) const;

 private:
  struct Layout;
  Layout LayOut(QPagedPaintDevice& device) const;
  void PaintPage(QPainter& painter, const Layout& layout, int page) const;

  const KeyListDocument& m_document;
  Language m_language;
  QDate m_date;
  QFont m_font;
};

}  // namespace qel
