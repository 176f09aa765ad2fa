#include "link/WindowsSerialDevice.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <memory>
#include <utility>

#include "link/SystemSerialDevice.h"
#include "texts/WindowsText.h"

namespace qel {

namespace {

class SystemCommCalls final : public CommCalls {
 public:
  HANDLE OpenExclusive(const std::wstring& path) override {
    return ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  }
  bool SetupComm(HANDLE port, DWORD inQueue, DWORD outQueue) override {
    return ::SetupComm(port, inQueue, outQueue) != 0;
  }
  bool GetCommState(HANDLE port, DCB& line) override {
    line.DCBlength = sizeof line;
    return ::GetCommState(port, &line) != 0;
  }
  bool SetCommState(HANDLE port, const DCB& line) override {
    DCB copy = line;
    return ::SetCommState(port, &copy) != 0;
  }
  bool GetCommTimeouts(HANDLE port, COMMTIMEOUTS& timeouts) override {
    return ::GetCommTimeouts(port, &timeouts) != 0;
  }
  bool SetCommTimeouts(HANDLE port, const COMMTIMEOUTS& timeouts) override {
    COMMTIMEOUTS copy = timeouts;
    return ::SetCommTimeouts(port, &copy) != 0;
  }
  bool ReadFile(HANDLE port, void* into, DWORD size, DWORD& read) override {
    return ::ReadFile(port, into, size, &read, nullptr) != 0;
  }
  bool WriteFile(HANDLE port, const void* from, DWORD size, DWORD& written) override {
    return ::WriteFile(port, from, size, &written, nullptr) != 0;
  }
  bool PurgeComm(HANDLE port, DWORD what) override { return ::PurgeComm(port, what) != 0; }
  void CloseHandle(HANDLE port) override { ::CloseHandle(port); }
  DWORD GetLastError() override { return ::GetLastError(); }
};

SerialResult Classify(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return SerialResult::NotFound;
    // Windows answers "access denied" for a port another program holds.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return SerialResult::Busy;
    default:
      return SerialResult::Failed;
  }
}

// What ConfigureLine asks for, over the settings the driver had: 19200 8N1, every byte passed as
// it came, no flow control of any kind, DTR and RTS held inactive.
void SetUnitLine(DCB& line) {
  line.BaudRate = CBR_19200;
  line.ByteSize = 8;
  line.Parity = NOPARITY;
  line.StopBits = ONESTOPBIT;
  line.fBinary = TRUE;
  line.fParity = FALSE;
  line.fOutxCtsFlow = FALSE;
  line.fOutxDsrFlow = FALSE;
  line.fDtrControl = DTR_CONTROL_DISABLE;
  line.fDsrSensitivity = FALSE;
  line.fOutX = FALSE;
  line.fInX = FALSE;
  line.fErrorChar = FALSE;
  line.fNull = FALSE;
  line.fRtsControl = RTS_CONTROL_DISABLE;
  line.fAbortOnError = FALSE;
}

// The modem lines are left out: Wine reports DTR and RTS as on for a pseudo-terminal, which has none.
bool SameLine(const DCB& a, const DCB& b) {
  return a.BaudRate == b.BaudRate && a.ByteSize == b.ByteSize && a.Parity == b.Parity &&
         a.StopBits == b.StopBits && a.fBinary == b.fBinary && a.fParity == b.fParity &&
         a.fOutxCtsFlow == b.fOutxCtsFlow && a.fOutxDsrFlow == b.fOutxDsrFlow &&
         a.fDsrSensitivity == b.fDsrSensitivity && a.fOutX == b.fOutX && a.fInX == b.fInX &&
         a.fErrorChar == b.fErrorChar && a.fNull == b.fNull && a.fAbortOnError == b.fAbortOnError;
}

bool SameTimeouts(const COMMTIMEOUTS& a, const COMMTIMEOUTS& b) {
  return a.ReadIntervalTimeout == b.ReadIntervalTimeout &&
         a.ReadTotalTimeoutMultiplier == b.ReadTotalTimeoutMultiplier &&
         a.ReadTotalTimeoutConstant == b.ReadTotalTimeoutConstant &&
         a.WriteTotalTimeoutMultiplier == b.WriteTotalTimeoutMultiplier &&
         a.WriteTotalTimeoutConstant == b.WriteTotalTimeoutConstant;
}

CommCalls& SystemCalls() {
  static SystemCommCalls calls;
  return calls;
}

}  // namespace

std::unique_ptr<SerialDevice> MakeSystemSerialDevice() { return std::make_unique<WindowsSerialDevice>(); }

WindowsSerialDevice::WindowsSerialDevice() : calls_(SystemCalls()) {}

WindowsSerialDevice::~WindowsSerialDevice() { Close(); }

std::wstring WindowsSerialDevice::DeviceName(const std::string& path) {
  const bool comNumber =
      path.size() > 3 &&
      std::equal(path.begin(), path.begin() + 3, "COM",
                 [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; }) &&
      std::all_of(path.begin() + 3, path.end(), [](char c) { return c >= '0' && c <= '9'; });
  // Only COM1 to COM9 are also reachable by the bare name; the device namespace serves them all.
  return comNumber ? L"\\\\.\\" + WideFromUtf8(path) : WideFromUtf8(path);
}

SerialResult WindowsSerialDevice::Open(const std::string& path) {
  Close();
  const HANDLE port = calls_.OpenExclusive(DeviceName(path));
  if (port == INVALID_HANDLE_VALUE) {
    return Fail(calls_.GetLastError());
  }
  // Also refuses anything that is not a communications device, so a stray file never counts as a port.
  if (!calls_.SetupComm(port, kQueueSize, kQueueSize)) {
    const DWORD error = calls_.GetLastError();
    calls_.CloseHandle(port);
    return Fail(error);
  }
  port_ = port;
  lastError_.clear();
  return SerialResult::Ok;
}

SerialResult WindowsSerialDevice::ConfigureLine() {
  if (!IsOpen()) {
    return Fail(ERROR_INVALID_HANDLE);
  }
  // Built over the driver's own settings: it checks fields this line does not use (XonChar must
  // differ from XoffChar even with XON/XOFF off).
  DCB wanted{};
  if (!calls_.GetCommState(port_, wanted)) {
    return Refuse(WindowsErrorText(calls_.GetLastError()));
  }
  SetUnitLine(wanted);
  if (!calls_.SetCommState(port_, wanted)) {
    return Refuse(WindowsErrorText(calls_.GetLastError()));
  }
  DCB taken{};
  if (!calls_.GetCommState(port_, taken)) {
    return Refuse(WindowsErrorText(calls_.GetLastError()));
  }
  if (!SameLine(wanted, taken)) {
    return Refuse("the device kept other line settings");
  }
  return SerialResult::Ok;
}

SerialResult WindowsSerialDevice::ApplyTimeouts() {
  if (!IsOpen()) {
    return Fail(ERROR_INVALID_HANDLE);
  }
  // MAXDWORD, MAXDWORD and a constant: ReadFile returns what is waiting at once, or the first byte
  // as soon as it arrives, or nothing after the constant.
  const COMMTIMEOUTS wanted{MAXDWORD, MAXDWORD, kFirstByteWaitMs, kWriteMsPerByte, kWriteWaitMs};
  if (!calls_.SetCommTimeouts(port_, wanted)) {
    return Refuse(WindowsErrorText(calls_.GetLastError()));
  }
  COMMTIMEOUTS taken{};
  if (!calls_.GetCommTimeouts(port_, taken)) {
    return Refuse(WindowsErrorText(calls_.GetLastError()));
  }
  if (!SameTimeouts(wanted, taken)) {
    return Refuse("the device kept other timeouts");
  }
  return SerialResult::Ok;
}

int WindowsSerialDevice::Read(std::span<std::uint8_t> out) {
  if (!IsOpen() || out.empty()) {
    return 0;
  }
  DWORD read = 0;
  const auto size = static_cast<DWORD>(std::min<std::size_t>(out.size(), INT_MAX));
  if (!calls_.ReadFile(port_, out.data(), size, read)) {
    Fail(calls_.GetLastError());
    return 0;
  }
  return static_cast<int>(read);
}

bool WindowsSerialDevice::Write(std::span<const std::uint8_t> bytes) {
  if (!IsOpen()) {
    return false;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const auto size = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, MAXDWORD));
    DWORD written = 0;
    if (!calls_.WriteFile(port_, bytes.data() + done, size, written)) {
      Fail(calls_.GetLastError());
      return false;
    }
    // A write that timed out reports success with the bytes it managed.
    if (written < size) {
      Fail(ERROR_TIMEOUT);
      return false;
    }
    done += written;
  }
  return true;
}

void WindowsSerialDevice::Purge() {
  if (IsOpen()) {
    calls_.PurgeComm(port_, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
  }
}

void WindowsSerialDevice::Close() {
  if (!IsOpen()) {
    return;
  }
  calls_.CloseHandle(port_);
  port_ = INVALID_HANDLE_VALUE;
}

SerialResult WindowsSerialDevice::Fail(DWORD error) {
  lastError_ = WindowsErrorText(error);
  return Classify(error);
}

SerialResult WindowsSerialDevice::Refuse(std::string reason) {
  lastError_ = std::move(reason);
  return SerialResult::Refused;
}

}  // namespace qel
