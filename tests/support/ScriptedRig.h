#pragma once

#include "link/PortTable.h"
#include "link/SerialPort.h"
#include "sequencer/UnitController.h"
#include "tests/support/FixedLocalClock.h"
#include "tests/support/RecordingView.h"
#include "tests/support/ScriptedDevice.h"
#include "tests/support/VirtualTimerHost.h"

namespace qel::test {

// The main window's core connected to a scripted line on COM1, for tests that set every reply
// byte themselves.
struct ScriptedRig {
  ScriptedRig() {
    table.Assign(1, "unit");
    controller.Start();
    port.Open(1);
    controller.sequencer().linkOpen = 1;
  }

  // Delivers the next timer tick; the id that ticked.
  int Tick() {
    const std::optional<int> id = timers.AdvanceToNextTick();
    if (!id) return 0;
    controller.OnTimer(*id);
    return *id;
  }

  ScriptedDevice device;
  PortTable table;
  RecordingView view;
  sim::VirtualClock clock;
  VirtualTimerHost timers{clock};
  FixedLocalClock localClock;
  CSerialPort port{device, table, view};
  UnitController controller{port, timers, localClock, view, Language::English};
};

}  // namespace qel::test
