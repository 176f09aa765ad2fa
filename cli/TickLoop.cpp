#include "cli/TickLoop.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace qel {
namespace {

// Counted by a signal handler or by the console's own thread: lock-free, so both may touch it.
std::atomic<int> interrupts{0};
static_assert(std::atomic<int>::is_always_lock_free);

// A signal cuts no sleep short here; the loop looks at the flag at least this often.
constexpr std::chrono::milliseconds kInterruptLatency{100};

}  // namespace

TickLoop::Timers::Timers(TickLoop& loop, std::function<void(int)> onTick)
    : loop_(loop), onTick_(std::move(onTick)) {
  loop_.timers_.push_back(this);
}

TickLoop::Timers::~Timers() { std::erase(loop_.timers_, this); }

bool TickLoop::Timers::StartTimer(int id, std::chrono::milliseconds period) {
  if (period <= std::chrono::milliseconds::zero()) return false;
  running_[id] = {period, loop_.time_.Now() + period};
  return true;
}

void TickLoop::Timers::StopTimer(int id) { running_.erase(id); }

TickLoop::Stop TickLoop::RunUntil(const std::function<bool()>& done,
                                  std::optional<Clock::time_point> deadline) {
  while (!done()) {
    if (const int seen = interrupts.load(); seen != 0) {
      // A first Ctrl+C waits for the write to end; a second one is meant.
      if (seen > 1 || !busy_ || !busy_()) return Stop::Interrupted;
      if (!warned_) {
        warned_ = true;
        warn_();
      }
    }
    Timers* next = nullptr;
    int nextId = 0;
    Clock::time_point due = Clock::time_point::max();
    for (Timers* timers : timers_) {
      for (const auto& [id, running] : timers->running_) {
        if (running.due < due) {
          due = running.due;
          next = timers;
          nextId = id;
        }
      }
    }
    if (next == nullptr) return Stop::Idle;
    if (deadline && *deadline < due) {
      time_.SleepUntil(*deadline);
      if (time_.Now() >= *deadline) return Stop::Deadline;
      continue;
    }
    const Clock::time_point now = time_.Now();
    if (deadline && now > *deadline) return Stop::Deadline;
    if (now < due) {
      time_.SleepUntil(due);
      continue;
    }
    // The next tick stays on the period's grid; one that fell a whole period behind starts anew.
    auto& running = next->running_.at(nextId);
    running.due += running.period;
    if (running.due < now) running.due = now + running.period;
    next->onTick_(nextId);
  }
  return Stop::Done;
}

void TickLoop::SystemTime::SleepUntil(Clock::time_point until) {
  std::this_thread::sleep_until(std::min(until, Clock::now() + kInterruptLatency));
}

void TickLoop::CountInterrupt() {
  int seen = interrupts.load();
  while (seen < 2 && !interrupts.compare_exchange_weak(seen, seen + 1)) {
  }
}

bool TickLoop::Interrupted() { return interrupts.load() != 0; }

void TickLoop::DeferInterrupts(std::function<bool()> busy, std::function<void()> warn) {
  busy_ = std::move(busy);
  warn_ = std::move(warn);
}

}  // namespace qel
