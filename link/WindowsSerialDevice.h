#pragma once

#include <windows.h>

#include <string>

#include "link/SerialDevice.h"

namespace qel {

// The few Win32 calls the serial device makes, so that a test can stand in for the driver. The
// system's own are a plain pass-through; each returns what its Win32 namesake does.
class CommCalls {
 public:
  virtual ~CommCalls() = default;
  // CreateFileW for reading and writing, shared with nobody, the device existing.
  virtual HANDLE OpenExclusive(const std::wstring& path) = 0;
  virtual bool SetupComm(HANDLE port, DWORD inQueue, DWORD outQueue) = 0;
  virtual bool GetCommState(HANDLE port, DCB& line) = 0;
  virtual bool SetCommState(HANDLE port, const DCB& line) = 0;
  virtual bool GetCommTimeouts(HANDLE port, COMMTIMEOUTS& timeouts) = 0;
  virtual bool SetCommTimeouts(HANDLE port, const COMMTIMEOUTS& timeouts) = 0;
  virtual bool ReadFile(HANDLE port, void* into, DWORD size, DWORD& read) = 0;
  virtual bool WriteFile(HANDLE port, const void* from, DWORD size, DWORD& written) = 0;
  virtual bool PurgeComm(HANDLE port, DWORD what) = 0;
  virtual void CloseHandle(HANDLE port) = 0;
  virtual DWORD GetLastError() = 0;
};

// A serial line through the Win32 communications API. The port is opened with no sharing, so a
// second opener, in this program or another, is turned away until Close.
class WindowsSerialDevice final : public SerialDevice {
 public:
  // The driver queues asked for: several of the unit's longest replies.
  static constexpr DWORD kQueueSize = 4096;
  // How long Read waits for the first byte when nothing is waiting.
  static constexpr DWORD kFirstByteWaitMs = 10;
  // A write gives up after this plus kWriteMsPerByte for each byte (one takes about 0.5 ms on the
  // wire), so that an adapter that stopped sending cannot hang the program.
  static constexpr DWORD kWriteWaitMs = 1000;
  static constexpr DWORD kWriteMsPerByte = 2;

  WindowsSerialDevice();
  explicit WindowsSerialDevice(CommCalls& calls) : calls_(calls) {}
  ~WindowsSerialDevice() override;
  WindowsSerialDevice(const WindowsSerialDevice&) = delete;
  WindowsSerialDevice& operator=(const WindowsSerialDevice&) = delete;

  // "COM3" (any case) is the device \\.\COM3; any other path is opened as given.
  SerialResult Open(const std::string& path) override;
  SerialResult ConfigureLine() override;
  SerialResult ApplyTimeouts() override;
  int Read(std::span<std::uint8_t> out) override;
  // False as well when the write timed out with bytes left over.
  bool Write(std::span<const std::uint8_t> bytes) override;
  void Purge() override;
  void Close() override;
  bool IsOpen() const override { return port_ != INVALID_HANDLE_VALUE; }
  std::string LastError() const override { return lastError_; }

  // The name Open hands to the system for `path`.
  static std::wstring DeviceName(const std::string& path);

 private:
  // Keeps the system's reason for `error` and returns its class.
  SerialResult Fail(DWORD error);
  // Keeps `reason` for a line request the device turned down, wholly or in part.
  SerialResult Refuse(std::string reason);

  CommCalls& calls_;
  HANDLE port_ = INVALID_HANDLE_VALUE;
  std::string lastError_;
};

}  // namespace qel
