#include "tests/support/KeyDialogDriver.h"

namespace qel::test {

void KeyDialogDriver::RunFor(KeyDialog& dialog, std::chrono::milliseconds duration) {
  const sim::SimTime end = timers.clock().Now() + duration;
  while (timers.clock().Now() < end) {
    if (!timers.AdvanceToNextTick(end)) return;
    ++ticks;
    dialog.OnTimer();
  }
}

KeyDialogEnd KeyDialogDriver::Accept(KeyDialog& dialog, KeyDialogEnd end, const Floors& floors,
                                     std::string_view comment, std::string_view typed) {
  if (!dialog.Accept(typed, comment)) {
    dialog.Close(floors);
    return KeyDialogEnd::Cancel;
  }
  dialog.Close(floors);
  return end;
}

}  // namespace qel::test
