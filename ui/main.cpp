#include <QApplication>
#include <QCoreApplication>

#include "ui/CQelKeyApp.h"

int main(int argc, char* argv[]) {
  // Help and option errors come before QApplication, which aborts without a display; a core
  // application needs none and gives the help its program name.
  qel::StartOptions options;
  std::optional<int> status;
  {
    const QCoreApplication commandLine(argc, argv);
    status = qel::CQelKeyApp::ReadCommandLine(QCoreApplication::arguments(), options);
  }
  if (status) return *status;
  QApplication application(argc, argv);
  return qel::CQelKeyApp::Start(options);
}
