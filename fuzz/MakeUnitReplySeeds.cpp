// Writes the seeds of fuzz_unit_replies into the folder given: each operation run against the
// simulated unit, which answers as it should, with every read of the line recorded. After a change
// to an operation or to the simulated unit, in the fuzz build that scripts/fuzz configures:
//   cmake --build build-fuzz --target make_unit_reply_seeds
//   build-fuzz/fuzz/make_unit_reply_seeds fuzz/seeds/fuzz_unit_replies
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "fuzz/OperationRun.h"
#include "fuzz/ReplyLine.h"
#include "sim/SimulatedUnit.h"
#include "sim/VirtualSerialDevice.h"
#include "tests/support/KeyImages.h"

namespace qel::fuzz {
namespace {

using Reads = std::vector<std::vector<std::uint8_t>>;

// A line that keeps what each read of the one behind it found.
class RecordingLine final : public SerialDevice {
 public:
  explicit RecordingLine(SerialDevice& line) : line_(line) {}

  SerialResult Open(const std::string& path) override { return line_.Open(path); }
  SerialResult ConfigureLine() override { return line_.ConfigureLine(); }
  SerialResult ApplyTimeouts() override { return line_.ApplyTimeouts(); }
  int Read(std::span<std::uint8_t> out) override {
    const int n = line_.Read(out);
    reads.emplace_back(out.begin(), out.begin() + std::max(n, 0));
    return n;
  }
  bool Write(std::span<const std::uint8_t> bytes) override { return line_.Write(bytes); }
  void Purge() override { line_.Purge(); }
  void Close() override { line_.Close(); }
  bool IsOpen() const override { return line_.IsOpen(); }
  std::string LastError() const override { return line_.LastError(); }

  Reads reads;

 private:
  SerialDevice& line_;
};

struct Seed {
  const char* name;
  RunSetup setup;
};

constexpr Language kEn = Language::English;
constexpr Language kCz = Language::Czech;

const Seed kSeeds[] = {
    {"login", {UnitOperation::Login, kEn, 0, 0}},
    {"login_bluetooth_czech", {UnitOperation::Login, kCz, 1, 0}},
    {"settings_read", {UnitOperation::SettingsRead, kEn, 0, 0}},
    {"settings_write_all_but_memory", {UnitOperation::SettingsWrite, kEn, 0b0111101, 20}},
    {"settings_write_permanent_access", {UnitOperation::SettingsWrite, kCz, 0b1000000, 0}},
    {"settings_write_comment_length", {UnitOperation::SettingsWrite, kEn, 0b0000010, 40}},
    {"key_load", {UnitOperation::KeyLoad, kEn, 0, 85}},
    {"watchdog_key_at_reader", {UnitOperation::Watchdog, kEn, 0, 0}},
    {"save_one_key", {UnitOperation::SaveKeys, kEn, 0, 85}},
    {"save_four_keys_without_comments", {UnitOperation::SaveKeys, kEn, 3, 0}},
    {"save_filled_comments", {UnitOperation::SaveKeys, kCz, 1, 5}},
    {"delete_key", {UnitOperation::DeleteKey, kEn, 0, 2}},
    {"edit_key", {UnitOperation::EditKey, kCz, 0, 1}},
    {"link_check", {UnitOperation::LinkCheck, kEn, 0, 0}},
    {"delete_all_keys", {UnitOperation::DeleteAllKeys, kEn, 0, 0}},
    {"delete_all_logs", {UnitOperation::DeleteAllLogs, kCz, 0, 0}},
    {"image_write", {UnitOperation::ImageWrite, kEn, 0, 0}},
    {"reader_wait_key_held", {UnitOperation::ReaderWait, kEn, 0, 0}},
    {"clock_check", {UnitOperation::ClockCheck, kCz, 0, 0}},
};

// The reads of one run against a unit holding the preset keys, logged in first unless the run
// logs in itself. The checks fall silent after their third ping, so that the watchdog and the
// link check end.
Reads RecordRun(const RunSetup& setup) {
  sim::VirtualClock clock;
  sim::VirtualSerialDevice line(clock);
  const int recordSize = PresetRecordSize(setup);
  sim::SimulatedUnit unit({.recordSize = recordSize});
  unit.LoadMemory(test::MemoryWithKeys(recordSize, kPresetKeys));
  line.AttachUnit("unit", unit);
  if (setup.operation != UnitOperation::Login) RunOperation(line, clock, {});
  unit.HoldKey(test::EightByteCode(2));
  sim::Faults faults;
  faults.silence = sim::Faults::Silence{unit::kPing, 3, 0};
  unit.SetFaults(faults);
  RecordingLine recorder(line);
  RunOperation(recorder, clock, setup);
  return recorder.reads;
}

std::vector<std::uint8_t> SeedInput(const RunSetup& setup, const Reads& reads) {
  const auto head = EncodeSetup(setup);
  std::vector<std::uint8_t> input(head.begin(), head.end());
  for (const auto& reply : reads) AppendReply(input, reply);
  return input;
}

// The seed played back finds what the unit replied, read by read.
bool ReplaysAlike(const RunSetup& setup, const std::vector<std::uint8_t>& input, const Reads& reads) {
  sim::VirtualClock clock;
  ReplyLine replies(std::span(input).subspan(kSetupSize));
  RecordingLine recorder(replies);
  RunOperation(recorder, clock, setup);
  return recorder.reads == reads;
}

}  // namespace
}  // namespace qel::fuzz

int main(int argc, char** argv) {
  using namespace qel::fuzz;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s SEED_FOLDER\n", argv[0]);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  for (const Seed& seed : kSeeds) {
    const Reads reads = RecordRun(seed.setup);
    const std::vector<std::uint8_t> input = SeedInput(seed.setup, reads);
    if (!ReplaysAlike(seed.setup, input, reads)) {
      std::fprintf(stderr, "%s: the replayed run reads other replies\n", seed.name);
      return 1;
    }
    std::ofstream out(folder / seed.name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(input.data()), static_cast<std::streamsize>(input.size()));
    std::printf("%-36s %5zu reads %6zu bytes\n", seed.name, reads.size(), input.size());
  }
  return 0;
}
