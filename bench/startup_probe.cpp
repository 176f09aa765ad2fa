// Starts the program as qel-key does, up to its shown main window, and quits there: timed from
// outside (bench/startup.sh) it gives the start-up time of the whole process.
#include <QApplication>
#include <QTimer>

#include "ui/CQelKeyApp.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  qel::CQelKeyApp app(qel::StartOptions{});
  // The first event after the window is shown closes it.
  QTimer::singleShot(0, [] {
    if (QWidget* window = QApplication::activeModalWidget()) window->close();
  });
  return app.Run();
}
