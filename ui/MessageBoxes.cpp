#include "ui/MessageBoxes.h"

#include <QAbstractButton>

#include "ui/QtTexts.h"

namespace qel {
namespace {

// The core ends lines with CR LF, as its log does; a box wants plain line feeds.
QString WithLineFeeds(QString text) { return text.replace(QLatin1String("\r\n"), QLatin1String("\n")); }

}  // namespace

void ShowModalBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text) {
  QMessageBox box(icon, caption, WithLineFeeds(text), QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

bool AskModalYesNo(QWidget* parent, const QString& caption, const QString& text, Language language) {
  return AskModalQuestion(parent, caption, text, language, DefaultAnswer::Yes);
}

bool AskModalNoByDefault(QWidget* parent, const QString& caption, const QString& text, Language language) {
  return AskModalQuestion(parent, caption, text, language, DefaultAnswer::No);
}

bool AskModalQuestion(QWidget* parent, const QString& caption, const QString& text, Language language,
                      DefaultAnswer defaultAnswer) {
  QMessageBox box(QMessageBox::Question, caption, WithLineFeeds(text), QMessageBox::Yes | QMessageBox::No,
                  parent);
  box.setTextFormat(Qt::PlainText);
  // Qt's own button texts follow the system's language, not the one the operator chose.
  box.button(QMessageBox::Yes)->setText(QTr(Text::ButtonYes, language));
  box.button(QMessageBox::No)->setText(QTr(Text::ButtonNo, language));
  box.setDefaultButton(defaultAnswer == DefaultAnswer::Yes ? QMessageBox::Yes : QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace qel
