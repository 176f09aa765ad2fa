#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "link/SerialDevice.h"
#include "sim/SimulatedUnit.h"
#include "sim/VirtualClock.h"

namespace qel::sim {

// A serial line on the virtual clock: device paths lead to simulated units, to ports that open but
// never answer, or to ports that cannot be opened. Writing costs the wire time of the bytes; a
// read with nothing waiting advances virtual time by at most 10 ms, to the unit's next byte when
// that comes sooner. Every byte written is recorded with the time it reached the far end.
class VirtualSerialDevice : public SerialDevice {
 public:
  static constexpr SimTime kReadTimeout{10'000};

  struct WrittenByte {
    SimTime at;
    std::uint8_t byte;
  };

  explicit VirtualSerialDevice(VirtualClock& clock) : clock_(clock) {}

  // The unit is not owned; it must outlive the device.
  void AttachUnit(const std::string& path, SimulatedUnit& unit);
  void AddSilentPort(const std::string& path);
  // Open fails with `reason` (NotFound, Busy, AccessDenied). Paths never added are NotFound too.
  void AddUnavailablePort(const std::string& path, SerialResult reason);
  // Opens, but refuses the line settings.
  void AddRefusingPort(const std::string& path);

  SerialResult Open(const std::string& path) override;
  SerialResult ConfigureLine() override;
  SerialResult ApplyTimeouts() override;
  int Read(std::span<std::uint8_t> out) override;
  bool Write(std::span<const std::uint8_t> bytes) override;
  void Purge() override;
  void Close() override;
  bool IsOpen() const override { return open_ != nullptr; }
  std::string LastError() const override { return lastError_; }

  const std::vector<WrittenByte>& Written() const { return written_; }
  std::vector<std::uint8_t> WrittenBytes() const;
  void ClearWritten() { written_.clear(); }
  // Every path passed to Open, in order, whether it opened or not.
  const std::vector<std::string>& OpenAttempts() const { return openAttempts_; }
  const std::string& OpenPath() const { return openPath_; }

 private:
  enum class Kind { Unit, Silent, Unavailable, Refusing };
  struct Endpoint {
    Kind kind = Kind::Silent;
    SimulatedUnit* unit = nullptr;
    SerialResult reason = SerialResult::NotFound;
  };

  VirtualClock& clock_;
  std::map<std::string, Endpoint> endpoints_;
  const Endpoint* open_ = nullptr;
  std::string openPath_;
  std::string lastError_;
  std::vector<WrittenByte> written_;
  std::vector<std::string> openAttempts_;
};

}  // namespace qel::sim
