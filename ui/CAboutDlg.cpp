#include "ui/CAboutDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "texts/Texts.h"
#include "ui/Desktop.h"
#include "ui/QtTexts.h"

namespace qel {

CAboutDlg::CAboutDlg(Language language, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QTr(Text::ApplicationCaption, language));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  auto* icon = new QLabel(this);
  icon->setPixmap(ApplicationIcon().pixmap(32, 32));
  icon->setAccessibleName(QTr(Text::ApplicationCaption, language));
  auto* version = new QLabel(ToQString(TrFormat(Text::AboutVersion, language, {QEL_VERSION})), this);
  version->setObjectName(QStringLiteral("versionLabel"));
  auto* maker = new QLabel(QString::fromLatin1(kProjectName), this);
  maker->setObjectName(QStringLiteral("makerLabel"));
  for (QLabel* label : {version, maker}) label->setAccessibleName(label->text());

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  ok->setDefault(true);
  ok->setAccessibleName(ok->text());
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* grid = new QGridLayout(this);
  grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
  grid->addWidget(version, 0, 1);
  grid->addWidget(maker, 1, 1);
  grid->addWidget(buttons, 0, 2, 2, 1, Qt::AlignTop);
  grid->setColumnStretch(1, 1);
}

}  // namespace qel
