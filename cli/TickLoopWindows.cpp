#include "cli/TickLoopWindows.h"

#include <timeapi.h>

#include "cli/TickLoop.h"

namespace qel {

BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      TickLoop::CountInterrupt();
      return TRUE;
    case CTRL_CLOSE_EVENT:
      // No one is left to press again: the loop stops even mid-write. Windows ends the process
      // once this returns, so the handler waits, and the program tells the unit and closes the
      // port while Windows' few seconds of grace last.
      TickLoop::CountInterrupt();
      TickLoop::CountInterrupt();
      Sleep(INFINITE);
      return TRUE;
    default:
      return FALSE;
  }
}

TickLoop::SystemTime::SystemTime() { timeBeginPeriod(1); }
TickLoop::SystemTime::~SystemTime() { timeEndPeriod(1); }

void TickLoop::CatchInterrupts() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

}  // namespace qel
