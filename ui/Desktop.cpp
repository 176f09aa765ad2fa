#include "ui/Desktop.h"

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

namespace qel {

Language StartLanguage(const QLocale& system) {
  const QLocale::Language language = system.language();
  return language == QLocale::Czech || language == QLocale::Slovak ? Language::Czech : Language::English;
}

QUrl HelpTarget(const QDir& currentDir, const QString& installedPage) {
  for (const QString& path : {currentDir.filePath(QString::fromLatin1(kHelpFileName)), installedPage}) {
    QFile page(path);
    if (page.open(QIODevice::ReadOnly)) return QUrl::fromLocalFile(QFileInfo(page).absoluteFilePath());
  }
  return QUrl(QString::fromLatin1(kBuiltInHelp));
}

QPoint PlaceBeside(const QRect& beside, const QSize& size, const QRect& screen, int gap) {
  const QPoint right(beside.right() + 1 + gap, beside.top());
  for (const QPoint& at : {right, QPoint(beside.left() - gap - size.width(), beside.top()),
                           QPoint(beside.left(), beside.bottom() + 1 + gap),
                           QPoint(beside.left(), beside.top() - gap - size.height())})
    if (screen.contains(QRect(at, size))) return at;
  // Covering part of the main window beats standing partly off the screen.
  return QPoint(
      std::clamp(right.x(), screen.left(), std::max(screen.left(), screen.right() + 1 - size.width())),
      std::clamp(right.y(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - size.height())));
}

QIcon ApplicationIcon() {
  QIcon icon;
  for (const int size : {16, 32, 64}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(20, 60, 120));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
    QFont font;
    font.setBold(true);
    font.setPixelSize(size * 3 / 8);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QStringLiteral("QEL"));
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace qel
