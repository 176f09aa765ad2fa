#pragma once

#include <memory>

#include "link/SerialDevice.h"

namespace qel {

// The serial device of the system the program runs on: termios on Linux, the Win32 communications
// API on Windows.
std::unique_ptr<SerialDevice> MakeSystemSerialDevice();

}  // namespace qel
