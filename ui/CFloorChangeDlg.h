#pragma once

#include <QDialog>
#include <array>

#include "controller/KeyBatch.h"
#include "texts/Language.h"
#include "ui/MessageBoxes.h"

class QCheckBox;

namespace qel {

// "Change floors…": the floors to give to the chosen keys and those to take from them, a row of
// 24 boxes each. OK keeps the dialog open with the reason when the change would be refused.
class CFloorChangeDlg final : public QDialog {
  Q_OBJECT

 public:
  CFloorChangeDlg(Language language, int keys, MessageBoxFunction showBox, QWidget* parent = nullptr);

  FloorChange change() const;

 private:
  static constexpr int kFloors = 24;
  void Accept();

  Language m_language;
  int m_keys;
  MessageBoxFunction m_showBox;
  std::array<QCheckBox*, kFloors> m_add{};
  std::array<QCheckBox*, kFloors> m_remove{};
};

}  // namespace qel
