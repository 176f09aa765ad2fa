#include "ui/MessageBoxes.h"

namespace qel {

void ShowModalBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text) {
  // The core ends lines with CR LF, as its log does; a box wants plain line feeds.
  QString lines = text;
  lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  QMessageBox box(icon, caption, lines, QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace qel
