#include "tests/support/VirtualTimerHost.h"

namespace qel::test {

bool VirtualTimerHost::StartTimer(int id, std::chrono::milliseconds period) {
  if (refused_ == id) {
    refused_.reset();
    return false;
  }
  timers_[id] = Timer{period, clock_.Now() + period, starts_++};
  return true;
}

void VirtualTimerHost::StopTimer(int id) { timers_.erase(id); }

std::optional<int> VirtualTimerHost::AdvanceToNextTick(sim::SimTime notAfter) {
  auto first = timers_.end();
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (first == timers_.end() || it->second.due < first->second.due ||
        (it->second.due == first->second.due && it->second.order < first->second.order))
      first = it;
  }
  if (first == timers_.end() || first->second.due > notAfter) {
    if (notAfter != sim::SimTime::max()) clock_.AdvanceTo(notAfter);
    return std::nullopt;
  }
  Timer& timer = first->second;
  clock_.AdvanceTo(timer.due);
  timer.due += timer.period;
  if (timer.due < clock_.Now()) timer.due = clock_.Now() + timer.period;
  return first->first;
}

std::optional<std::chrono::milliseconds> VirtualTimerHost::PeriodOf(int id) const {
  auto it = timers_.find(id);
  if (it == timers_.end()) return std::nullopt;
  return it->second.period;
}

}  // namespace qel::test
