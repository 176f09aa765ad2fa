#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

#include "controller/MainView.h"
#include "texts/Language.h"

class QWidget;

namespace qel {

// Shows a modal box with an OK button and returns when the operator has closed it. Tests put a
// recording function in its place so that no box is ever left waiting for a click.
using MessageBoxFunction =
    std::function<void(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text)>;

void ShowModalBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text);

// Asks a modal question with Yes and No buttons in `language`, Enter pressing Yes; true for Yes.
using YesNoFunction =
    std::function<bool(QWidget* parent, const QString& caption, const QString& text, Language language)>;

bool AskModalYesNo(QWidget* parent, const QString& caption, const QString& text, Language language);

// The same question with Enter pressing No.
bool AskModalNoByDefault(QWidget* parent, const QString& caption, const QString& text, Language language);

// The same question with Enter pressing the button `defaultAnswer` names.
bool AskModalQuestion(QWidget* parent, const QString& caption, const QString& text, Language language,
                      DefaultAnswer defaultAnswer);

}  // namespace qel
