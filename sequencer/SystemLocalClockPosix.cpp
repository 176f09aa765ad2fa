#include "sequencer/SystemLocalClock.h"

namespace qel {

std::tm LocalCalendar(std::time_t seconds) {
  std::tm parts{};
  localtime_r(&seconds, &parts);
  return parts;
}

}  // namespace qel
