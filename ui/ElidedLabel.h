#pragma once

#include <QLabel>

namespace qel {

// One line of plain text that asks for no width of its own: the layout decides, the text is cut
// with an ellipsis to what it gets, and the tooltip holds all of it. Text from the unit or a file
// is never read as markup.
class ElidedLabel final : public QLabel {
  Q_OBJECT

 public:
  explicit ElidedLabel(QWidget* parent = nullptr);

  void SetFullText(const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace qel
