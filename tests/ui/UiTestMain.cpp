#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include "tests/ui/UiTests.h"

int main(int argc, char** argv) {
  // The tests draw nothing on a screen; run them without a display unless told otherwise.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  // What the windows remember stays in this run, away from the user's own settings.
  const QTemporaryDir settings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  if (qEnvironmentVariableIsSet(qel::test::kSizeProbe)) return qel::test::ProbeWindowSizes();
  int failures = 0;
  for (auto* run : {qel::test::RunMainWindowTests, qel::test::RunDialogTests}) failures += run(argc, argv);
  return failures == 0 ? 0 : 1;
}
