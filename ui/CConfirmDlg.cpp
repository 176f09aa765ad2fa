#include "ui/CConfirmDlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>

#include "ui/QtTexts.h"

namespace qel {

CConfirmDlg::CConfirmDlg(Language language, const QString& prompt, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QTr(Text::ApplicationCaption, language));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  m_confirm = new QCheckBox(prompt, this);
  m_confirm->setObjectName(QStringLiteral("confirmBox"));
  m_confirm->setAccessibleName(prompt);
  m_ok = new QPushButton(QTr(Text::ButtonOk, language), this);
  m_ok->setObjectName(QStringLiteral("okButton"));
  m_ok->setDefault(true);
  m_ok->setEnabled(false);
  auto* cancel = new QPushButton(QTr(Text::ButtonCancel, language), this);
  cancel->setObjectName(QStringLiteral("cancelButton"));
  for (QAbstractButton* button : {static_cast<QAbstractButton*>(m_ok), static_cast<QAbstractButton*>(cancel)})
    button->setAccessibleName(WithoutMnemonic(button->text()));

  auto* row = new QHBoxLayout(this);
  row->addWidget(m_confirm, 1);
  row->addWidget(m_ok);
  row->addWidget(cancel);

  connect(m_confirm, &QCheckBox::toggled, m_ok, &QPushButton::setEnabled);
  connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  m_confirm->setFocus();
}

bool ConfirmModal(QWidget* parent, Language language, const QString& prompt) {
  CConfirmDlg dialog(language, prompt, parent);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace qel
