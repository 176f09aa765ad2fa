#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "link/SerialDevice.h"

namespace qel::test {

// A serial line whose far end is a script: each Read hands out the next queued reply whole (or
// nothing when none is queued), every byte written is kept. Only the path "unit" opens. For exact
// checks of the sequencer's own rules, where a simulated unit would only get in the way.
class ScriptedDevice final : public SerialDevice {
 public:
  void QueueReply(std::vector<std::uint8_t> reply) { replies_.push_back(std::move(reply)); }
  const std::vector<std::uint8_t>& written() const { return written_; }
  void ClearWritten() { written_.clear(); }
  std::size_t pendingReplies() const { return replies_.size(); }

  SerialResult Open(const std::string& path) override;
  SerialResult ConfigureLine() override { return SerialResult::Ok; }
  SerialResult ApplyTimeouts() override { return SerialResult::Ok; }
  int Read(std::span<std::uint8_t> out) override;
  bool Write(std::span<const std::uint8_t> bytes) override;
  void Purge() override {}
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  std::string LastError() const override { return open_ ? "" : "No such file or directory"; }

 private:
  bool open_ = false;
  std::deque<std::vector<std::uint8_t>> replies_;
  std::vector<std::uint8_t> written_;
};

}  // namespace qel::test
