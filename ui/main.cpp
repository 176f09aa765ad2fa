#include <QApplication>

#include "ui/CQelKeyApp.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  return qel::CQelKeyApp::Main(QApplication::arguments());
}
