#include <signal.h>

#include "cli/TickLoop.h"

namespace qel {
namespace {

void OnInterrupt(int) { TickLoop::CountInterrupt(); }

}  // namespace

// Sleeps keep their length on POSIX systems without help.
TickLoop::SystemTime::SystemTime() = default;
TickLoop::SystemTime::~SystemTime() = default;

void TickLoop::CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

}  // namespace qel
