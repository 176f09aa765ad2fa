#include "ui/FloorsPanel.h"

#include <QCheckBox>
#include <QGridLayout>

#include "texts/Texts.h"
#include "ui/QtTexts.h"

namespace qel {

FloorsPanel::FloorsPanel(QWidget* parent) : QGroupBox(parent) {
  auto* grid = new QGridLayout(this);
  grid->setVerticalSpacing(0);
  for (int floor = 1; floor <= kFloorCount; ++floor) {
    auto* box = new QCheckBox(QString::number(floor), this);
    // Enabled for full contrast, yet out of reach of mouse and keyboard: the panel only shows.
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    box->setFocusPolicy(Qt::NoFocus);
    box->setObjectName(QStringLiteral("floor%1").arg(floor));
    grid->addWidget(box, (floor - 1) / 2, (floor - 1) % 2);
    m_boxes[static_cast<std::size_t>(floor - 1)] = box;
  }
}

void FloorsPanel::ShowFloors(const Floors& floors) {
  for (int floor = 1; floor <= kFloorCount; ++floor)
    m_boxes[static_cast<std::size_t>(floor - 1)]->setChecked(FloorPermitted(floors, floor));
}

void FloorsPanel::ApplyTexts(Language language) {
  const QString title = QTr(Text::FloorsGroup, language);
  setTitle(title);
  setAccessibleName(title);
  for (int floor = 1; floor <= kFloorCount; ++floor)
    m_boxes[static_cast<std::size_t>(floor - 1)]->setAccessibleName(
        ToQString(TrFormat(Text::AccessibleFloor, language, floor)));
}

bool FloorsPanel::IsTicked(int floor) const {
  return floor >= 1 && floor <= kFloorCount && m_boxes[static_cast<std::size_t>(floor - 1)]->isChecked();
}

}  // namespace qel
