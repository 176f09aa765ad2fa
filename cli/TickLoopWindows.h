#pragma once

#include <windows.h>

namespace qel {

// The console's handler that TickLoop::CatchInterrupts installs: Ctrl+C and Ctrl+Break count as
// an interrupt each, the console's closing as two; other events go to the next handler.
BOOL WINAPI OnConsoleEvent(DWORD event);

}  // namespace qel
