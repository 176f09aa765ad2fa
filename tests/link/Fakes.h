#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/SerialDevice.h"
#include "link/SerialWarnings.h"

namespace qel::test {

// Records the set-up warnings instead of showing boxes.
class RecordingWarnings : public SerialWarnings {
 public:
  void ShowSerialWarning(std::string_view text) override { shown.emplace_back(text); }
  std::vector<std::string> shown;
};

// A device whose answers the test chooses and whose every request it can count.
class FakeSerialDevice : public SerialDevice {
 public:
  SerialResult Open(const std::string& path) override {
    ++opens;
    openedPaths.push_back(path);
    open_ = openResult == SerialResult::Ok;
    return openResult;
  }
  SerialResult ConfigureLine() override { return lineResult; }
  SerialResult ApplyTimeouts() override { return timeoutResult; }
  int Read(std::span<std::uint8_t> out) override {
    readSizes.push_back(out.size());
    if (pending.empty()) {
      return 0;
    }
    const std::size_t count = std::min(out.size(), pending.size());
    for (std::size_t i = 0; i < count; ++i) {
      out[i] = pending.front();
      pending.pop_front();
    }
    return static_cast<int>(count);
  }
  bool Write(std::span<const std::uint8_t> bytes) override {
    written.insert(written.end(), bytes.begin(), bytes.end());
    ++writes;
    return open_;
  }
  void Purge() override { ++purges; }
  void Close() override {
    ++closes;
    open_ = false;
  }
  bool IsOpen() const override { return open_; }
  std::string LastError() const override { return {}; }

  SerialResult openResult = SerialResult::Ok;
  SerialResult lineResult = SerialResult::Ok;
  SerialResult timeoutResult = SerialResult::Ok;
  std::deque<std::uint8_t> pending;

  int opens = 0;
  int closes = 0;
  int purges = 0;
  int writes = 0;
  std::vector<std::string> openedPaths;
  std::vector<std::size_t> readSizes;
  std::vector<std::uint8_t> written;

 private:
  bool open_ = false;
};

}  // namespace qel::test
