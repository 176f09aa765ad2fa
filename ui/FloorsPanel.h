#pragma once

#include <QGroupBox>
#include <array>

#include "keystore/KeyMemoryImage.h"
#include "texts/Language.h"

class QCheckBox;

namespace qel {

// The floors of one key, display only: 24 boxes that the operator cannot change, in two columns, odd floors
// left, even floors right, floor 1 at the top. Floors are edited in the key dialog, never here.
class FloorsPanel final : public QGroupBox {
  Q_OBJECT

 public:
  static constexpr int kFloorCount = 24;

  explicit FloorsPanel(QWidget* parent = nullptr);

  // Ticks exactly the floors whose bits are set.
  void ShowFloors(const Floors& floors);
  void ApplyTexts(Language language);
  bool IsTicked(int floor) const;

 private:
  std::array<QCheckBox*, kFloorCount> m_boxes{};
};

}  // namespace qel
