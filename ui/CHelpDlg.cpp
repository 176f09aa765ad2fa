#include "ui/CHelpDlg.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "texts/Texts.h"
#include "ui/Desktop.h"
#include "ui/QtTexts.h"

// The page is a resource of a static library, which the linker keeps only when it is asked for;
// the macro must stand outside any namespace.
static void KeepHelpResource() { Q_INIT_RESOURCE(help); }

namespace qel {

CHelpDlg::CHelpDlg(QWidget* parent) : QDialog(parent) {
  KeepHelpResource();
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setSizeGripEnabled(true);
  m_browser = new QTextBrowser(this);
  m_browser->setObjectName(QStringLiteral("helpBrowser"));
  m_browser->setSource(QUrl(QString::fromLatin1(kBuiltInHelp)));
  auto* buttons = new QDialogButtonBox(this);
  m_close = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
  m_close->setObjectName(QStringLiteral("closeButton"));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_browser);
  layout->addWidget(buttons);
  resize(QSize(680, 620).boundedTo(screen()->availableGeometry().size() * 0.9));
}

void CHelpDlg::ShowIn(Language language) {
  setWindowTitle(QTr(Text::HelpWindowCaption, language));
  m_browser->setAccessibleName(windowTitle());
  m_close->setText(QTr(Text::ButtonClose, language));
  m_close->setAccessibleName(m_close->text());
  m_browser->scrollToAnchor(QString::fromLatin1(language == Language::Czech ? "cs" : "en"));
  show();
  raise();
  activateWindow();
}

}  // namespace qel
