#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

namespace qel {

// Shows a modal box with an OK button and returns when the operator has closed it. Tests put a
// recording function in its place so that no box is ever left waiting for a click.
using MessageBoxFunction =
    std::function<void(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text)>;

void ShowModalBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text);

}  // namespace qel
