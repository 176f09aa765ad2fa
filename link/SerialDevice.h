#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace qel {

// Outcome of a device request. The system's own reason stays with the device (LastError) for
// messages; callers branch on this value only.
enum class SerialResult {
  Ok,
  NotFound,      // no such device
  Busy,          // held by another program (or by an earlier open of ours)
  AccessDenied,  // exists, but this user may not open it
  Refused,       // the device rejected the request (line settings, timeouts)
  Failed,        // anything else
};

// One serial line, opened by device path. The real implementations are POSIX termios and the Win32
// communications API; tests and the in-process simulated unit provide others. Not thread-safe:
// used from one thread only.
class SerialDevice {
 public:
  virtual ~SerialDevice() = default;

  // Opens `path` exclusively for reading and writing; any device held before is released first.
  virtual SerialResult Open(const std::string& path) = 0;
  // 19200 baud, 8 data bits, no parity, 1 stop bit, raw 8-bit, no flow control, DTR and RTS inactive.
  virtual SerialResult ConfigureLine() = 0;
  // Read timing: a read returns the bytes already waiting at once, or waits at most 10 ms for the first.
  virtual SerialResult ApplyTimeouts() = 0;
  // Reads at most out.size() bytes under the read timing above. Returns the count, 0 on timeout,
  // on failure and when nothing is open.
  virtual int Read(std::span<std::uint8_t> out) = 0;
  // Hands the bytes to the driver, blocking until it took them. False when nothing is open or the write
  // failed.
  virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
  // Drops pending input and output.
  virtual void Purge() = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // The system's reason for the last failure, for messages ("Permission denied").
  virtual std::string LastError() const = 0;
};

}  // namespace qel
