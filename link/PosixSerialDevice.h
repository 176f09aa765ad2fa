#pragma once

#include <chrono>
#include <string>

#include "link/SerialDevice.h"

namespace qel {

// A serial line through the POSIX terminal interface. Works with real adapters and with
// pseudo-terminals, which have no modem lines: there DTR and RTS are simply absent.
//
// Open holds the device exclusively in two ways: TIOCEXCL keeps other programs from opening it at
// all, but not a program running as root; the flock() lock is honoured by every cooperating opener
// (a second instance of this program included) whoever runs it. Both end with Close.
class PosixSerialDevice final : public SerialDevice {
 public:
  // How long Read waits for the first byte when nothing is waiting.
  static constexpr std::chrono::milliseconds kFirstByteWait{10};

  PosixSerialDevice() = default;
  ~PosixSerialDevice() override;
  PosixSerialDevice(const PosixSerialDevice&) = delete;
  PosixSerialDevice& operator=(const PosixSerialDevice&) = delete;

  SerialResult Open(const std::string& path) override;
  SerialResult ConfigureLine() override;
  SerialResult ApplyTimeouts() override;
  // Returns the bytes already waiting at once; when none wait, returns as soon as the first one
  // arrives, or 0 after kFirstByteWait. A hung-up or failed line reads as 0.
  int Read(std::span<std::uint8_t> out) override;
  // Blocks until the driver took every byte.
  bool Write(std::span<const std::uint8_t> bytes) override;
  void Purge() override;
  void Close() override;
  bool IsOpen() const override { return fd_ >= 0; }
  std::string LastError() const override { return lastError_; }

 private:
  // Keeps the system's reason for errno `error` and returns its class.
  SerialResult Fail(int error);
  // Keeps `reason` for a line request the device turned down, wholly or in part.
  SerialResult Refuse(std::string reason);

  int fd_ = -1;
  std::string lastError_;
};

}  // namespace qel
