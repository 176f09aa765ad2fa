#include "ui/RememberedChoices.h"

#include <QSettings>
#include <QWidget>

#include "link/PortTable.h"

namespace qel {
namespace {

const QString kOrganisation = QStringLiteral("qel-key");
const QString kApplication = QStringLiteral("qel-key");
const QString kGeometry = QStringLiteral("window/geometry");
const QString kTransport = QStringLiteral("connect/transport");
const QString kManualPort = QStringLiteral("connect/manualPort");
const QString kPort = QStringLiteral("connect/port");
const QString kFolder = QStringLiteral("files/folder");

// A value edited by hand into something the dialog cannot show is forgotten.
int Remembered(const QSettings& settings, const QString& key, int least, int most, int otherwise) {
  bool whole = false;
  const int value = settings.value(key).toInt(&whole);
  return whole && value >= least && value <= most ? value : otherwise;
}

}  // namespace

void RestoreWindowGeometry(QWidget& window) {
  const QSettings settings(kOrganisation, kApplication);
  // Qt brings a window saved on a screen that is no longer there back onto one that is.
  window.restoreGeometry(settings.value(kGeometry).toByteArray());
}

void SaveWindowGeometry(const QWidget& window) {
  QSettings(kOrganisation, kApplication).setValue(kGeometry, window.saveGeometry());
}

ConnectChoice RememberedConnectChoice() {
  const QSettings settings(kOrganisation, kApplication);
  ConnectChoice choice;
  choice.transport = Remembered(settings, kTransport, 1, 2, choice.transport);
  choice.manualPort = Remembered(settings, kManualPort, 0, 1, choice.manualPort);
  choice.port = Remembered(settings, kPort, PortTable::kFirstPort, PortTable::kLastPort, choice.port);
  return choice;
}

void RememberConnectChoice(const ConnectChoice& choice) {
  QSettings settings(kOrganisation, kApplication);
  settings.setValue(kTransport, choice.transport);
  settings.setValue(kManualPort, choice.manualPort);
  settings.setValue(kPort, choice.port);
}

QString RememberedFolder() { return QSettings(kOrganisation, kApplication).value(kFolder).toString(); }

void RememberFolder(const QString& folder) {
  QSettings(kOrganisation, kApplication).setValue(kFolder, folder);
}

}  // namespace qel
