#pragma once

#include <ctime>

namespace qel {

// `seconds` broken down in the system's local time zone; each platform has its own thread-safe call.
std::tm LocalCalendar(std::time_t seconds);

}  // namespace qel
