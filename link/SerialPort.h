#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "link/PortTable.h"
#include "link/SerialDevice.h"
#include "link/SerialWarnings.h"

namespace qel {

// The one serial line to the unit, opened by COM number 1 to 70 (index 0 is "None"). It knows
// nothing of the protocol: it never interprets a byte, never retries and reports failures only
// through its status and the two set-up warnings.
class CSerialPort {
 public:
  static constexpr int kBufferSize = 1000;
  static constexpr int kMaxRead = 950;

  enum Status { kNotOpen = 0, kOpenNotSetUp = 1, kReady = 2 };

  CSerialPort(SerialDevice& device, PortTable& ports, SerialWarnings& warnings);

  // Releases any port held, then opens port n and sets it up; the outcome is GetStatus().
  void Open(int n);
  void Close();
  // Applies the line settings; false (after the warning box) when they are refused.
  bool ConfigureLine();
  // Takes at most kMaxRead waiting bytes into ReadBuffer from index 0; returns the count
  // (0 when nothing arrived within 10 ms, and when no port is open).
  int Read();
  // ReadBuffer[index] for 0 <= index < kBufferSize, else 0.
  std::uint8_t ByteAt(int index) const;
  // Writes one byte; no result. Nothing happens when no port is open.
  void WriteByte(std::uint8_t b);
  // Writes a block in one hand-over to the driver (the 128-byte memory blocks).
  void WriteBlock(std::span<const std::uint8_t> bytes);
  int GetStatus() const { return PortStatus; }

  // The device behind the last Open, and what the system said when it failed (for the log).
  SerialResult lastOpenResult() const { return lastOpenResult_; }
  const SerialDevice& device() const { return device_; }
  const PortTable& ports() const { return ports_; }
  PortTable& ports() { return ports_; }

  int PortStatus = kNotOpen;
  // Bytes beyond the count of the last Read keep what earlier reads left there.
  std::array<std::uint8_t, kBufferSize> ReadBuffer{};

 private:
  SerialDevice& device_;
  PortTable& ports_;
  SerialWarnings& warnings_;
  SerialResult lastOpenResult_ = SerialResult::NotFound;
};

}  // namespace qel
