// Runs one operation of the sequencer with the unit's replies taken from the input: its first
// bytes choose the operation (OperationRun.h), the rest are the replies, read by read (ReplyLine.h).
#include <cstdint>
#include <span>

#include "fuzz/OperationRun.h"
#include "fuzz/ReplyLine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qel::fuzz;
  if (size < kSetupSize) return 0;
  const std::span<const std::uint8_t> input(data, size);
  qel::sim::VirtualClock clock;
  ReplyLine line(input.subspan(kSetupSize));
  RunOperation(line, clock, DecodeSetup(input.first<kSetupSize>()));
  return 0;
}
