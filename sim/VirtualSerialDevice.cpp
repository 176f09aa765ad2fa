#include "sim/VirtualSerialDevice.h"

#include <array>

namespace qel::sim {
namespace {

const char* ReasonText(SerialResult reason) {
  switch (reason) {
    case SerialResult::NotFound:
      return "No such file or directory";
    case SerialResult::Busy:
      return "Device or resource busy";
    case SerialResult::AccessDenied:
      return "Permission denied";
    case SerialResult::Refused:
      return "Invalid argument";
    default:
      return "Input/output error";
  }
}

}  // namespace

void VirtualSerialDevice::AttachUnit(const std::string& path, SimulatedUnit& unit) {
  endpoints_[path] = Endpoint{Kind::Unit, &unit, SerialResult::Ok};
}

void VirtualSerialDevice::AddSilentPort(const std::string& path) {
  endpoints_[path] = Endpoint{Kind::Silent, nullptr, SerialResult::Ok};
}

void VirtualSerialDevice::AddUnavailablePort(const std::string& path, SerialResult reason) {
  endpoints_[path] = Endpoint{Kind::Unavailable, nullptr, reason};
}

void VirtualSerialDevice::AddRefusingPort(const std::string& path) {
  endpoints_[path] = Endpoint{Kind::Refusing, nullptr, SerialResult::Refused};
}

SerialResult VirtualSerialDevice::Open(const std::string& path) {
  Close();
  openAttempts_.push_back(path);
  const auto found = endpoints_.find(path);
  const SerialResult result = found == endpoints_.end()                 ? SerialResult::NotFound
                              : found->second.kind == Kind::Unavailable ? found->second.reason
                                                                        : SerialResult::Ok;
  if (result != SerialResult::Ok) {
    lastError_ = ReasonText(result);
    return result;
  }
  open_ = &found->second;
  openPath_ = path;
  return SerialResult::Ok;
}

SerialResult VirtualSerialDevice::ConfigureLine() {
  if (open_ == nullptr) return SerialResult::Failed;
  if (open_->kind == Kind::Refusing) {
    lastError_ = ReasonText(SerialResult::Refused);
    return SerialResult::Refused;
  }
  return SerialResult::Ok;
}

SerialResult VirtualSerialDevice::ApplyTimeouts() {
  return open_ == nullptr ? SerialResult::Failed : SerialResult::Ok;
}

int VirtualSerialDevice::Read(std::span<std::uint8_t> out) {
  if (open_ == nullptr) return 0;
  if (open_->kind != Kind::Unit) {
    clock_.Advance(kReadTimeout);
    return 0;
  }
  SimulatedUnit& unit = *open_->unit;
  std::size_t n = unit.Read(out, clock_.Now());
  if (n == 0) {
    const auto next = unit.NextOutputTime();
    if (next && *next <= clock_.Now() + kReadTimeout) {
      clock_.AdvanceTo(*next);
      n = unit.Read(out, clock_.Now());
    } else {
      clock_.Advance(kReadTimeout);
    }
  }
  return static_cast<int>(n);
}

bool VirtualSerialDevice::Write(std::span<const std::uint8_t> bytes) {
  if (open_ == nullptr) return false;
  for (std::uint8_t b : bytes) {
    clock_.Advance(SimulatedUnit::kByteTime);
    written_.push_back({clock_.Now(), b});
    if (open_->kind == Kind::Unit) open_->unit->Receive(b, clock_.Now());
  }
  return true;
}

void VirtualSerialDevice::Purge() {
  if (open_ == nullptr || open_->kind != Kind::Unit) return;
  std::array<std::uint8_t, 256> scratch{};
  while (open_->unit->Read(scratch, clock_.Now()) > 0) {
  }
}

void VirtualSerialDevice::Close() {
  open_ = nullptr;
  openPath_.clear();
}

std::vector<std::uint8_t> VirtualSerialDevice::WrittenBytes() const {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(written_.size());
  for (const WrittenByte& w : written_) bytes.push_back(w.byte);
  return bytes;
}

}  // namespace qel::sim
