#include "ui/CAboutDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "texts/Texts.h"
#include "ui/Desktop.h"
#include "ui/QtTexts.h"

namespace qel {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  // The About texts are the same in both languages.
  constexpr Language kAnyLanguage = Language::English;
  setWindowTitle(QTr(Text::ApplicationCaption, kAnyLanguage));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  auto* icon = new QLabel(this);
  icon->setPixmap(ApplicationIcon().pixmap(32, 32));
  icon->setAccessibleName(QTr(Text::ApplicationCaption, kAnyLanguage));
  auto* version = new QLabel(QTr(Text::AboutVersion, kAnyLanguage), this);
  version->setObjectName(QStringLiteral("versionLabel"));
  auto* maker = new QLabel(QString::fromLatin1(kProjectName), this);
  maker->setObjectName(QStringLiteral("makerLabel"));
  const QString address = QString::fromLatin1(kProjectWebPage);
  auto* web = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(address), this);
  web->setObjectName(QStringLiteral("webLabel"));
  web->setOpenExternalLinks(true);
  for (QLabel* label : {version, maker}) label->setAccessibleName(label->text());
  web->setAccessibleName(address);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  ok->setDefault(true);
  ok->setAccessibleName(ok->text());
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* grid = new QGridLayout(this);
  grid->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
  grid->addWidget(version, 0, 1);
  grid->addWidget(maker, 1, 1);
  grid->addWidget(web, 2, 1);
  grid->addWidget(buttons, 0, 2, 3, 1, Qt::AlignTop);
  grid->setColumnStretch(1, 1);
}

}  // namespace qel
