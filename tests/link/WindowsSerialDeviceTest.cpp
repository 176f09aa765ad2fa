// The Windows serial device against a driver of the test's making: what it asks the driver for,
// what it makes of the driver's answers. The real driver's side is tried on a real PC.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "link/WindowsSerialDevice.h"
#include "texts/WindowsText.h"

namespace qel {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;

const HANDLE kPort = reinterpret_cast<HANDLE>(std::intptr_t{0x40});

// Takes whatever it is asked for, except what the test makes it keep or refuse.
class FakeDriver final : public CommCalls {
 public:
  HANDLE OpenExclusive(const std::wstring& path) override {
    opened.push_back(path);
    if (!Answer(openError)) return INVALID_HANDLE_VALUE;
    ++handles;
    return kPort;
  }
  bool SetupComm(HANDLE, DWORD inQueue, DWORD outQueue) override {
    queues = {inQueue, outQueue};
    return Answer(setupError);
  }
  bool GetCommState(HANDLE, DCB& line) override {
    line = state;
    return true;
  }
  bool SetCommState(HANDLE, const DCB& line) override {
    askedLine = line;
    state = line;
    keepLine(state);
    return Answer(setStateError);
  }
  bool GetCommTimeouts(HANDLE, COMMTIMEOUTS& taken) override {
    taken = timeouts;
    return true;
  }
  bool SetCommTimeouts(HANDLE, const COMMTIMEOUTS& asked) override {
    askedTimeouts = asked;
    timeouts = asked;
    keepTimeouts(timeouts);
    return true;
  }
  bool ReadFile(HANDLE, void* into, DWORD size, DWORD& read) override {
    read = std::min<DWORD>(size, static_cast<DWORD>(incoming.size()));
    std::copy_n(incoming.begin(), read, static_cast<std::uint8_t*>(into));
    return Answer(readError);
  }
  bool WriteFile(HANDLE, const void*, DWORD size, DWORD& written) override {
    written = std::min(size, writable);
    return Answer(writeError);
  }
  bool PurgeComm(HANDLE, DWORD what) override {
    purged = what;
    return true;
  }
  void CloseHandle(HANDLE) override { --handles; }
  DWORD GetLastError() override { return error; }

  DWORD openError = 0, setupError = 0, setStateError = 0, readError = 0, writeError = 0;
  std::function<void(DCB&)> keepLine = [](DCB&) {};
  std::function<void(COMMTIMEOUTS&)> keepTimeouts = [](COMMTIMEOUTS&) {};
  DCB state{};
  COMMTIMEOUTS timeouts{};
  std::vector<std::uint8_t> incoming;
  DWORD writable = MAXDWORD;

  std::vector<std::wstring> opened;
  int handles = 0;
  std::vector<DWORD> queues;
  DCB askedLine{};
  COMMTIMEOUTS askedTimeouts{};
  DWORD purged = 0;

 private:
  bool Answer(DWORD failure) {
    error = failure;
    return failure == 0;
  }
  DWORD error = 0;
};

TEST(WindowsSerialDevice, OpensComNamesInTheDeviceNamespaceAloneAndTellsABusyPortFromAMissingOne) {
  const struct {
    std::string path;
    DWORD openError, setupError;
    std::wstring name;
    SerialResult result;
  } cases[] = {
      {"COM3", 0, 0, L"\\\\.\\COM3", SerialResult::Ok},
      {"com12", 0, 0, L"\\\\.\\com12", SerialResult::Ok},
      {"\\\\.\\COM3", 0, 0, L"\\\\.\\COM3", SerialResult::Ok},
      {"COM", ERROR_FILE_NOT_FOUND, 0, L"COM", SerialResult::NotFound},
      {"COM2a", ERROR_FILE_NOT_FOUND, 0, L"COM2a", SerialResult::NotFound},
      {"C:\\ports\\COM3", ERROR_PATH_NOT_FOUND, 0, L"C:\\ports\\COM3", SerialResult::NotFound},
      {"COM4", ERROR_ACCESS_DENIED, 0, L"\\\\.\\COM4", SerialResult::Busy},
      {"COM4", ERROR_SHARING_VIOLATION, 0, L"\\\\.\\COM4", SerialResult::Busy},
      {"COM4", ERROR_GEN_FAILURE, 0, L"\\\\.\\COM4", SerialResult::Failed},
      // A file opens, but is no communications device.
      {"C:\\keys.txt", 0, ERROR_INVALID_HANDLE, L"C:\\keys.txt", SerialResult::Failed},
  };
  for (const auto& c : cases) {
    FakeDriver driver;
    driver.openError = c.openError;
    driver.setupError = c.setupError;
    WindowsSerialDevice device(driver);
    EXPECT_EQ(device.Open(c.path), c.result) << c.path;
    EXPECT_THAT(driver.opened, ElementsAre(c.name)) << c.path;
    const bool ok = c.result == SerialResult::Ok;
    EXPECT_EQ(device.IsOpen(), ok) << c.path;
    EXPECT_EQ(driver.handles, ok ? 1 : 0) << c.path;
    EXPECT_EQ(device.LastError(), ok ? "" : WindowsErrorText(c.openError + c.setupError)) << c.path;
  }
}

TEST(WindowsSerialDevice, HoldsOneHandleAtATimeWithQueuesForTheLongestReplies) {
  FakeDriver driver;
  {
    WindowsSerialDevice device(driver);
    ASSERT_EQ(device.Open("COM1"), SerialResult::Ok);
    EXPECT_THAT(driver.queues, ElementsAre(WindowsSerialDevice::kQueueSize, WindowsSerialDevice::kQueueSize));
    ASSERT_EQ(device.Open("COM2"), SerialResult::Ok);
    EXPECT_EQ(driver.handles, 1);
    device.Purge();
    EXPECT_EQ(driver.purged,
              static_cast<DWORD>(PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR));
  }
  EXPECT_EQ(driver.handles, 0);
}

TEST(WindowsSerialDevice, AsksFor19200EightNoneOneRawWithNoFlowControlAndRefusesADriverThatKeptOtherwise) {
  // A line left as another program might leave it.
  DCB used{};
  used.BaudRate = CBR_9600;
  used.ByteSize = 7;
  used.Parity = EVENPARITY;
  used.StopBits = TWOSTOPBITS;
  used.fParity = used.fOutxCtsFlow = used.fOutxDsrFlow = used.fDsrSensitivity = TRUE;
  used.fOutX = used.fInX = used.fErrorChar = used.fNull = used.fAbortOnError = TRUE;
  used.fDtrControl = DTR_CONTROL_HANDSHAKE;
  used.fRtsControl = RTS_CONTROL_TOGGLE;
  used.XonChar = 0x11;
  used.XoffChar = 0x13;
  const struct {
    const char* driver;
    std::function<void(DCB&)> keep;
    SerialResult result;
  } cases[] = {
      {"takes it all", [](DCB&) {}, SerialResult::Ok},
      // Wine on a pseudo-terminal.
      {"reports DTR and RTS on",
       [](DCB& d) {
         d.fDtrControl = DTR_CONTROL_ENABLE;
         d.fRtsControl = RTS_CONTROL_ENABLE;
       },
       SerialResult::Ok},
      {"keeps 9600 baud", [](DCB& d) { d.BaudRate = CBR_9600; }, SerialResult::Refused},
      {"keeps even parity", [](DCB& d) { d.Parity = EVENPARITY; }, SerialResult::Refused},
      {"keeps CTS flow control", [](DCB& d) { d.fOutxCtsFlow = TRUE; }, SerialResult::Refused},
      {"keeps XON/XOFF", [](DCB& d) { d.fInX = TRUE; }, SerialResult::Refused},
      {"keeps stripping nulls", [](DCB& d) { d.fNull = TRUE; }, SerialResult::Refused},
  };
  for (const auto& c : cases) {
    FakeDriver driver;
    driver.state = used;
    driver.keepLine = c.keep;
    WindowsSerialDevice device(driver);
    ASSERT_EQ(device.Open("COM1"), SerialResult::Ok);
    EXPECT_EQ(device.ConfigureLine(), c.result) << c.driver;
    EXPECT_EQ(device.LastError(), c.result == SerialResult::Ok ? "" : "the device kept other line settings")
        << c.driver;

    const DCB& a = driver.askedLine;
    EXPECT_EQ(a.BaudRate, static_cast<DWORD>(CBR_19200));
    EXPECT_EQ(std::vector<int>({a.ByteSize, a.Parity, a.StopBits}),
              std::vector<int>({8, NOPARITY, ONESTOPBIT}));
    EXPECT_EQ(a.fBinary, 1u);
    EXPECT_THAT(std::vector<DWORD>({a.fParity, a.fOutxCtsFlow, a.fOutxDsrFlow, a.fDsrSensitivity, a.fOutX,
                                    a.fInX, a.fErrorChar, a.fNull, a.fAbortOnError}),
                Each(0u));
    EXPECT_EQ(a.fDtrControl, static_cast<DWORD>(DTR_CONTROL_DISABLE));
    EXPECT_EQ(a.fRtsControl, static_cast<DWORD>(RTS_CONTROL_DISABLE));
    // The driver refuses a request with XonChar equal to XoffChar, XON/XOFF in use or not.
    EXPECT_EQ(a.XonChar, used.XonChar);
    EXPECT_EQ(a.XoffChar, used.XoffChar);
  }

  FakeDriver driver;
  driver.setStateError = ERROR_INVALID_PARAMETER;
  WindowsSerialDevice device(driver);
  EXPECT_EQ(device.ConfigureLine(), SerialResult::Failed);
  ASSERT_EQ(device.Open("COM1"), SerialResult::Ok);
  EXPECT_EQ(device.ConfigureLine(), SerialResult::Refused);
  EXPECT_EQ(device.LastError(), WindowsErrorText(ERROR_INVALID_PARAMETER));
}

TEST(WindowsSerialDevice, ReadsWhatWaitsOrWaitsTenMillisecondsForTheFirstByteAndBoundsEveryWrite) {
  const struct {
    const char* driver;
    std::function<void(COMMTIMEOUTS&)> keep;
    SerialResult result;
  } cases[] = {
      {"takes them", [](COMMTIMEOUTS&) {}, SerialResult::Ok},
      {"waits 50 ms", [](COMMTIMEOUTS& t) { t.ReadTotalTimeoutConstant = 50; }, SerialResult::Refused},
      {"returns at once", [](COMMTIMEOUTS& t) { t.ReadTotalTimeoutMultiplier = 0; }, SerialResult::Refused},
      {"never gives up a write", [](COMMTIMEOUTS& t) { t.WriteTotalTimeoutConstant = 0; },
       SerialResult::Refused},
  };
  for (const auto& c : cases) {
    FakeDriver driver;
    driver.keepTimeouts = c.keep;
    WindowsSerialDevice device(driver);
    ASSERT_EQ(device.Open("COM1"), SerialResult::Ok);
    EXPECT_EQ(device.ApplyTimeouts(), c.result) << c.driver;
    const COMMTIMEOUTS& a = driver.askedTimeouts;
    EXPECT_EQ(
        std::vector<DWORD>({a.ReadIntervalTimeout, a.ReadTotalTimeoutMultiplier, a.ReadTotalTimeoutConstant}),
        std::vector<DWORD>({MAXDWORD, MAXDWORD, 10}));
    // A 128-byte block takes about 70 ms on the wire.
    EXPECT_GE(a.WriteTotalTimeoutConstant + 128 * a.WriteTotalTimeoutMultiplier, 500u);
    EXPECT_GT(a.WriteTotalTimeoutMultiplier, 0u);
  }
}

TEST(WindowsSerialDevice, AWriteTheDriverTookOnlyPartOfFailsAsTimedOut) {
  const std::vector<std::uint8_t> block(128, 0x5A);
  const struct {
    DWORD writable, writeError;
    bool written;
    std::string error;
  } cases[] = {
      {MAXDWORD, 0, true, ""},
      {100, 0, false, WindowsErrorText(ERROR_TIMEOUT)},
      {0, ERROR_GEN_FAILURE, false, WindowsErrorText(ERROR_GEN_FAILURE)},
  };
  for (const auto& c : cases) {
    FakeDriver driver;
    driver.writable = c.writable;
    driver.writeError = c.writeError;
    WindowsSerialDevice device(driver);
    EXPECT_FALSE(device.Write(block));
    ASSERT_EQ(device.Open("COM1"), SerialResult::Ok);
    EXPECT_EQ(device.Write(block), c.written) << c.writable;
    EXPECT_EQ(device.LastError(), c.error) << c.writable;
  }

  FakeDriver driver;
  driver.incoming = {0x07, 0x01, 0x06};
  WindowsSerialDevice device(driver);
  std::uint8_t buffer[2] = {};
  EXPECT_EQ(device.Read(buffer), 0);
  ASSERT_EQ(device.Open("COM1"), SerialResult::Ok);
  EXPECT_EQ(device.Read(buffer), 2);
  EXPECT_THAT(buffer, ElementsAre(0x07, 0x01));
  driver.readError = ERROR_OPERATION_ABORTED;
  EXPECT_EQ(device.Read(buffer), 0);
}

}  // namespace
}  // namespace qel
