#include "sequencer/SystemLocalClock.h"

namespace qel {

std::tm LocalCalendar(std::time_t seconds) {
  std::tm parts{};
  localtime_s(&parts, &seconds);
  return parts;
}

}  // namespace qel
