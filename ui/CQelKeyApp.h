#pragma once

#include <QStringList>
#include <memory>
#include <optional>

#include "link/PortTable.h"
#include "link/SerialPort.h"
#include "link/SerialWarnings.h"
#include "link/SystemSerialDevice.h"
#include "sequencer/LocalClock.h"
#include "sim/PtyUnitThread.h"
#include "ui/StartOptions.h"
#include "ui/WindowInteractions.h"

namespace qel {

class CQelKeyDlg;
class DemoReaderPanel;

// The program: the serial line with its COM numbers, and the main window run once. The program
// ends when the window closes.
class CQelKeyApp final : public SerialWarnings {
 public:
  // Reads the command line into `options`, printing help, an option error or a warning about a
  // pinned port. Needs no QApplication, so that --help works without a display. The exit status
  // when the program ends here.
  static std::optional<int> ReadCommandLine(const QStringList& arguments, StartOptions& options);
  // Runs the program with options already read. Needs a QApplication.
  static int Start(const StartOptions& options);

  explicit CQelKeyApp(const StartOptions& options);
  ~CQelKeyApp() override;
  CQelKeyApp(const CQelKeyApp&) = delete;
  CQelKeyApp& operator=(const CQelKeyApp&) = delete;

  // Starts the demo unit when asked for; false (after a message on stderr) when it cannot run.
  bool StartDemo();
  // Shows the main window and returns when it has closed.
  int Run();

  // The serial port's set-up warnings appear over the main window.
  void ShowSerialWarning(std::string_view text) override;

 private:
  std::unique_ptr<SerialDevice> m_device = MakeSystemSerialDevice();
  PortTable m_ports;
  CSerialPort m_port{*m_device, m_ports, *this};
  SystemLocalClock m_clock;
  DesktopInteractions m_interactions;
  CQelKeyDlg* m_window = nullptr;
  bool m_demoRequested = false;
  std::unique_ptr<sim::PtyUnitThread> m_demo;
  // Declared after m_demo: it uses the demo's server, so it goes first.
  std::unique_ptr<DemoReaderPanel> m_demoReader;
};

}  // namespace qel
