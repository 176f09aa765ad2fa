#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "link/SerialDevice.h"

namespace qel::fuzz {

// The unit's side of fuzz_unit_replies' input: one reply per read of the line, each a length byte
// and that many bytes. A length of 0 is a read that finds nothing. A length byte of 0xF0 or more
// takes the next byte too, ((length - 0xF0) << 8) + next, for the long reads of a memory stream.
// A reply longer than one read takes is cut there. Once the input or kMaxReplies runs out, the
// unit has fallen silent.
class ReplyLine final : public SerialDevice {
 public:
  static constexpr int kMaxReplies = 2048;

  explicit ReplyLine(std::span<const std::uint8_t> replies) : rest_(replies) {}

  SerialResult Open(const std::string&) override {
    open_ = true;
    return SerialResult::Ok;
  }
  SerialResult ConfigureLine() override { return SerialResult::Ok; }
  SerialResult ApplyTimeouts() override { return SerialResult::Ok; }
  int Read(std::span<std::uint8_t> out) override;
  bool Write(std::span<const std::uint8_t>) override { return open_; }
  void Purge() override {}
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  std::string LastError() const override { return {}; }

 private:
  std::span<const std::uint8_t> rest_;
  int replies_ = 0;
  bool open_ = false;
};

// The replies in that form, for seeds recorded from the simulated unit.
void AppendReply(std::vector<std::uint8_t>& input, std::span<const std::uint8_t> reply);

}  // namespace qel::fuzz
