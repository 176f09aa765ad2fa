#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QString>

#include "ui/QtTexts.h"

namespace qel {

// A label that shows its text as it is, names the box it stands for and is announced by it.
inline QLabel* PlainLabel(const QString& text, QWidget* buddy, const char* name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  label->setBuddy(buddy);
  label->setObjectName(QString::fromLatin1(name));
  label->setAccessibleName(WithoutMnemonic(text));
  return label;
}

// Room for `sample` typed into `box`, frame and margins included.
inline int WidthFor(const QLineEdit& box, const QString& sample) {
  return box.fontMetrics().horizontalAdvance(sample) + 16;
}

// Only digits can be typed; what is still out of range (0, 71, nothing) is told at OK.
inline void AcceptDigits(QLineEdit* box, int digits) {
  box->setMaxLength(digits);
  box->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(digits)), box));
}

}  // namespace qel
