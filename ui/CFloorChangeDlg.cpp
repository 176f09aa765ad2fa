#include "ui/CFloorChangeDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "ui/QtTexts.h"

namespace qel {
namespace {

// Two lines of twelve keep the dialog narrow enough for a small screen at a large scale.
constexpr int kPerLine = 12;

}  // namespace

CFloorChangeDlg::CFloorChangeDlg(Language language, int keys, MessageBoxFunction showBox, QWidget* parent)
    : QDialog(parent), m_language(language), m_keys(keys), m_showBox(std::move(showBox)) {
  setWindowTitle(QTr(Text::FloorChangeCaption, language));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* layout = new QVBoxLayout(this);
  auto* count = new QLabel(ToQString(TrFormatInts(Text::FloorChangeKeys, language, {keys})), this);
  count->setObjectName(QStringLiteral("keysLabel"));
  count->setAccessibleName(count->text());
  layout->addWidget(count);
  const auto addRow = [&](Text title, const char* name, std::array<QCheckBox*, kFloors>& boxes) {
    auto* label = new QLabel(QTr(title, language), this);
    label->setObjectName(QStringLiteral("%1Label").arg(QLatin1String(name)));
    label->setAccessibleName(WithoutMnemonic(label->text()));
    auto* grid = new QGridLayout;
    for (int i = 0; i < kFloors; ++i) {
      boxes[static_cast<std::size_t>(i)] = new QCheckBox(QString::number(i + 1), this);
      QCheckBox* box = boxes[static_cast<std::size_t>(i)];
      box->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(name)).arg(i + 1));
      box->setAccessibleName(WithoutMnemonic(label->text()) + ' ' + box->text());
      grid->addWidget(box, i / kPerLine, i % kPerLine);
    }
    label->setBuddy(boxes[0]);
    layout->addWidget(label);
    layout->addLayout(grid);
  };
  addRow(Text::FloorChangeAdd, "addFloor", m_add);
  addRow(Text::FloorChangeRemove, "removeFloor", m_remove);

  auto* ok = new QPushButton(QTr(Text::ButtonOk, language), this);
  ok->setObjectName(QStringLiteral("okButton"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QTr(Text::ButtonCancel, language), this);
  cancel->setObjectName(QStringLiteral("cancelButton"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (QPushButton* button : {ok, cancel}) {
    button->setAccessibleName(WithoutMnemonic(button->text()));
    buttons->addWidget(button);
  }
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &CFloorChangeDlg::Accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

FloorChange CFloorChangeDlg::change() const {
  FloorChange change;
  for (int i = 0; i < kFloors; ++i) {
    SetFloor(change.add, i + 1, m_add[static_cast<std::size_t>(i)]->isChecked());
    SetFloor(change.remove, i + 1, m_remove[static_cast<std::size_t>(i)]->isChecked());
  }
  return change;
}

void CFloorChangeDlg::Accept() {
  const std::string refusal = JudgeFloorChange(static_cast<std::size_t>(m_keys), change(), m_language);
  if (refusal.empty()) {
    accept();
    return;
  }
  m_showBox(this, QMessageBox::Warning, QTr(Text::ApplicationCaption, m_language), ToQString(refusal));
}

}  // namespace qel
