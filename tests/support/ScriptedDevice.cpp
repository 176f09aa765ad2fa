#include "tests/support/ScriptedDevice.h"

#include <algorithm>

namespace qel::test {

SerialResult ScriptedDevice::Open(const std::string& path) {
  open_ = path == "unit";
  return open_ ? SerialResult::Ok : SerialResult::NotFound;
}

int ScriptedDevice::Read(std::span<std::uint8_t> out) {
  if (!open_ || replies_.empty()) return 0;
  std::vector<std::uint8_t>& reply = replies_.front();
  const std::size_t n = std::min(reply.size(), out.size());
  std::copy_n(reply.begin(), n, out.begin());
  reply.erase(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(n));
  if (reply.empty()) replies_.pop_front();
  return static_cast<int>(n);
}

bool ScriptedDevice::Write(std::span<const std::uint8_t> bytes) {
  if (!open_) return false;
  written_.insert(written_.end(), bytes.begin(), bytes.end());
  return true;
}

}  // namespace qel::test
