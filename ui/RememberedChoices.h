#pragma once

#include <QString>

#include "controller/MainView.h"

class QWidget;

namespace qel {

// What the window keeps between runs in the user's settings: where it stood on the screen, and
// the connect dialog's transport and port. Never the access code.
void RestoreWindowGeometry(QWidget& window);
void SaveWindowGeometry(const QWidget& window);

// The transport and port chosen last (USB and the automatic search at first), with the factory
// access code.
ConnectChoice RememberedConnectChoice();
void RememberConnectChoice(const ConnectChoice& choice);

// The folder of the file chosen last in a file dialog; empty at first.
QString RememberedFolder();
void RememberFolder(const QString& folder);

}  // namespace qel
