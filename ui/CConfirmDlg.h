#pragma once

#include <QDialog>
#include <QString>

#include "texts/Language.h"

class QCheckBox;
class QPushButton;

namespace qel {

// Asks for an explicit confirmation before the unit's keys or logs are overwritten or erased: OK
// can be pressed only while the operator's tick is in the box.
class CConfirmDlg final : public QDialog {
  Q_OBJECT

 public:
  CConfirmDlg(Language language, const QString& prompt, QWidget* parent = nullptr);

 private:
  QCheckBox* m_confirm = nullptr;
  QPushButton* m_ok = nullptr;
};

// Shows a CConfirmDlg modally; true only when the operator ticked the box and pressed OK.
bool ConfirmModal(QWidget* parent, Language language, const QString& prompt);

}  // namespace qel
