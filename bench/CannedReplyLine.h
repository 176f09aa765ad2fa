#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/SerialDevice.h"

namespace qel::bench {

// A line whose far end always has the same reply waiting, so that a benchmark measures the
// program's side of a tick and nothing of a unit's.
class CannedReplyLine final : public SerialDevice {
 public:
  explicit CannedReplyLine(std::vector<std::uint8_t> reply) : reply_(std::move(reply)) {}

  SerialResult Open(const std::string&) override {
    open_ = true;
    return SerialResult::Ok;
  }
  SerialResult ConfigureLine() override { return SerialResult::Ok; }
  SerialResult ApplyTimeouts() override { return SerialResult::Ok; }
  int Read(std::span<std::uint8_t> out) override {
    const std::size_t n = std::min(reply_.size(), out.size());
    std::copy_n(reply_.begin(), n, out.begin());
    return static_cast<int>(n);
  }
  bool Write(std::span<const std::uint8_t> bytes) override {
    written_ += bytes.size();
    return true;
  }
  void Purge() override {}
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  std::string LastError() const override { return {}; }
  std::size_t written() const { return written_; }

 private:
  std::vector<std::uint8_t> reply_;
  bool open_ = false;
  std::size_t written_ = 0;
};

}  // namespace qel::bench
