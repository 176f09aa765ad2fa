#include "sequencer/SystemLocalClock.h"

#include <chrono>

#include "sequencer/LocalClock.h"

namespace qel {

LocalTime SystemLocalClock::Now() const {
  using namespace std::chrono;
  const auto now = time_point_cast<milliseconds>(system_clock::now());
  const std::tm parts = LocalCalendar(system_clock::to_time_t(now));
  const auto millisecond = (now - floor<std::chrono::seconds>(now)).count();
  return {parts.tm_year + 1900,
          parts.tm_mon + 1,
          parts.tm_mday,
          parts.tm_hour,
          parts.tm_min,
          parts.tm_sec,
          static_cast<int>(millisecond)};
}

}  // namespace qel
