#include "tests/support/UnitRig.h"

#include <algorithm>
#include <utility>

#include "tests/support/KeyImages.h"

namespace qel::test {
namespace {

std::string PathOf(int port) { return "COM" + std::to_string(port); }

template <typename Time>
std::chrono::local_time<std::chrono::milliseconds> Instant(const Time& t, int millisecond) {
  using namespace std::chrono;
  return local_days{year{t.year} / t.month / t.day} + hours{t.hour} + minutes{t.minute} + seconds{t.second} +
         milliseconds{millisecond};
}

}  // namespace

std::chrono::milliseconds ClockOffset(const sim::SimulatedUnit& unit, sim::SimTime at, const LocalTime& pc) {
  using namespace std::chrono_literals;
  sim::SimTime t = at;
  while (unit.ClockAt(t) == unit.ClockAt(at)) t += 1ms;
  return Instant(unit.ClockAt(t), 0) -
         (Instant(pc, pc.millisecond) + std::chrono::duration_cast<std::chrono::milliseconds>(t - at));
}

sim::Faults WrongReply(std::uint8_t command, int index, std::vector<std::uint8_t> bytes) {
  return {.silence = {}, .wrongReplies = {{command, 0, index, std::move(bytes)}}};
}

sim::Faults DeadAt(std::uint8_t command, int after) {
  return {.silence = sim::Faults::Silence{command, 0, after}, .wrongReplies = {}};
}

UnitRig::UnitRig(Language language) : controller(port, timers, localClock, view, language) {
  for (int n = PortTable::kFirstPort; n <= PortTable::kLastPort; ++n) table.Assign(n, PathOf(n));
  controller.backups().SetFolder(files / "backups");
  controller.Start();
}

std::vector<std::filesystem::path> UnitRig::Backups() const {
  std::vector<std::filesystem::path> backups;
  std::error_code none;
  for (const auto& entry : std::filesystem::directory_iterator(files / "backups", none))
    backups.push_back(entry.path());
  // Within one second a later backup has a longer name ("-2"); the time runs on in the names.
  std::sort(backups.begin(), backups.end(), [](const auto& a, const auto& b) {
    return std::pair(a.string().size(), a.string()) < std::pair(b.string().size(), b.string());
  });
  return backups;
}

sim::SimulatedUnit& UnitRig::AddUnit(int portNumber, sim::UnitConfig config) {
  unit = (units_[portNumber] = std::make_unique<sim::SimulatedUnit>(std::move(config))).get();
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
  const bool connected = RunToWatchdog(limit);
  // What a test reads of the progress is that of the command it runs next, not the key load's.
  view.progress.clear();
  return connected;
}

bool UnitRig::ConnectUnit(sim::UnitConfig config, int keys) {
  const int recordSize = config.recordSize;
  sim::SimulatedUnit& placed = AddUnit(1, std::move(config));
  if (keys > 0) placed.LoadMemory(MemoryWithKeys(recordSize, keys));
  return Connect({4719, 1, 1, 1});
}

bool UnitRig::RunToWatchdog(std::chrono::milliseconds limit) {
  return RunUntil([&] { return WatchdogRuns() && view.IsEnabled(Command::AddKeys); }, limit);
}

Timeline UnitRig::SentSince(sim::SimTime mark, std::size_t count, long grain) const {
  Timeline out;
  for (const auto& w : device.Written())
    if (w.at >= mark && out.size() < count)
      out.emplace_back(
          std::chrono::duration_cast<std::chrono::milliseconds>(w.at - mark).count() / grain * grain, w.byte);
  return out;
}

}  // namespace qel::test
