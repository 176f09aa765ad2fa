#include "tests/support/UnitRig.h"

namespace qel::test {
namespace {

std::string PathOf(int port) { return "COM" + std::to_string(port); }

}  // namespace

UnitRig::UnitRig(Language language) : controller(port, timers, localClock, view, language) {
  for (int n = PortTable::kFirstPort; n <= PortTable::kLastPort; ++n) table.Assign(n, PathOf(n));
  controller.Start();
}

sim::SimulatedUnit& UnitRig::AddUnit(int portNumber, sim::UnitConfig config) {
  auto& unit = units_[portNumber] = std::make_unique<sim::SimulatedUnit>(std::move(config));
  device.AttachUnit(PathOf(portNumber), *unit);
  return *unit;
}

void UnitRig::AddSilentPort(int portNumber) { device.AddSilentPort(PathOf(portNumber)); }

void UnitRig::AddUnavailablePort(int portNumber, SerialResult reason) {
  device.AddUnavailablePort(PathOf(portNumber), reason);
}

bool UnitRig::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const sim::SimTime end = clock.Now() + limit;
  while (!done()) {
    if (clock.Now() >= end) return false;
    const std::optional<int> id = timers.AdvanceToNextTick();
    if (!id) return done();
    ++ticks;
    lastTickAt = clock.Now();
    controller.OnTimer(*id);
  }
  return true;
}

void UnitRig::RunFor(std::chrono::milliseconds duration) {
  const sim::SimTime end = clock.Now() + duration;
  RunUntil([&] { return clock.Now() >= end; }, duration);
}

bool UnitRig::Connect(ConnectChoice choice, std::chrono::milliseconds limit) {
  view.connectAnswer = choice;
  controller.ConnectCommand();
  return RunUntil([&] { return WatchdogRuns() && view.IsEnabled(Command::AddKeys); }, limit);
}

}  // namespace qel::test
