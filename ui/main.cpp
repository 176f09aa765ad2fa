#include <QApplication>
#include <QStringList>

#include "ui/CQelKeyApp.h"

int main(int argc, char* argv[]) {
  // Help and option errors come before QApplication, which aborts without a display.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  qel::StartOptions options;
  if (const std::optional<int> status = qel::CQelKeyApp::ReadCommandLine(arguments, options)) return *status;
  QApplication application(argc, argv);
  return qel::CQelKeyApp::Start(options);
}
