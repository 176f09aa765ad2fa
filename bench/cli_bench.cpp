// qelctl against the simulated unit on a pseudo-terminal, run as its own process: the wall time of
// a command against the time its exchange takes on the virtual clock (the protocol's own), and the
// CPU the process spends.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "cli/ControlCommand.h"
#include "sim/GeneratedKeys.h"
#include "sim/PtyUnitThread.h"
#include "sim/VirtualSerialDevice.h"
#include "tests/support/VirtualTime.h"

extern char** environ;

namespace qel {
namespace {

constexpr const char* kVirtualDevice = "/dev/ttyQEL";

struct LocalNoon final : LocalClock {
  LocalTime Now() const override { return {2026, 12, 7, 12, 0, 0}; }
};

// How long `words` take on the virtual clock against a unit holding `keys` keys.
std::chrono::microseconds ProtocolTime(int keys, std::vector<std::string> words) {
  sim::VirtualClock clock;
  sim::SimulatedUnit unit;
  unit.LoadMemory(sim::GenerateKeyMemory(keys, kDefaultRecordSize, 7));
  sim::VirtualSerialDevice device(clock);
  device.AttachUnit(kVirtualDevice, unit);
  test::VirtualTime time(clock);
  LocalNoon localClock;
  words.insert(words.begin(), {"--device", kVirtualDevice});
  const std::vector<std::string_view> arguments(words.begin(), words.end());
  std::ostringstream out;
  std::ostringstream err;
  std::istringstream in;
  RunControl(arguments, {}, {device, time, localClock}, out, err, in);
  return clock.Now();
}

struct ProcessRun {
  double wallSeconds = 0;
  double cpuSeconds = 0;
  int status = -1;
};

// Runs qelctl with `words` against `device`, its output thrown away.
ProcessRun RunQelctl(const std::string& device, std::vector<std::string> words) {
  std::vector<std::string> all{QELCTL_PATH, "--device", device};
  all.insert(all.end(), words.begin(), words.end());
  std::vector<char*> argv;
  for (std::string& word : all) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  ProcessRun run;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    rusage usage{};
    int status = 0;
    wait4(pid, &status, 0, &usage);
    run.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  return run;
}

// One command per run: the wall time beyond the protocol's own (target: under 0.2 s for info
// with 5 keys) and the process's CPU time (target: under 50 ms for any command).
void RunCommand(benchmark::State& state, int keys, const std::vector<std::string>& words) {
  const double protocol = std::chrono::duration<double>(ProtocolTime(keys, words)).count();
  double beyond = 0;
  double cpu = 0;
  for (auto _ : state) {
    auto unit = std::make_unique<sim::SimulatedUnit>();
    unit->LoadMemory(sim::GenerateKeyMemory(keys, kDefaultRecordSize, 7));
    sim::PtyUnitThread served(std::move(unit));
    if (!served.Start()) {
      state.SkipWithError(served.LastError().c_str());
      return;
    }
    const ProcessRun run = RunQelctl(served.SlavePath(), words);
    if (run.status != 0) {
      state.SkipWithError("qelctl failed");
      return;
    }
    state.SetIterationTime(run.wallSeconds);
    beyond = std::max(beyond, run.wallSeconds - protocol);
    cpu = std::max(cpu, run.cpuSeconds);
  }
  state.counters["protocol_s"] = protocol;
  state.counters["most_beyond_protocol_ms"] = beyond * 1000;
  state.counters["most_cpu_ms"] = cpu * 1000;
}

void BM_InfoWith5Keys(benchmark::State& state) { RunCommand(state, 5, {"info"}); }
BENCHMARK(BM_InfoWith5Keys)->UseManualTime()->Iterations(3)->Unit(benchmark::kSecond);

void BM_ListAsJsonWith500Keys(benchmark::State& state) { RunCommand(state, 500, {"list", "--json"}); }
BENCHMARK(BM_ListAsJsonWith500Keys)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

void BM_AddOneKeyTo5(benchmark::State& state) {
  RunCommand(state, 5, {"add", "123456789AB0", "--floors", "1-24", "--comment", "Novák"});
}
BENCHMARK(BM_AddOneKeyTo5)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

void BM_SetAccessTimeAndClockWith5Keys(benchmark::State& state) {
  RunCommand(state, 5, {"set", "--access-time", "9", "--clock", "now"});
}
BENCHMARK(BM_SetAccessTimeAndClockWith5Keys)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace qel
