// The Windows serial device against a driver of the test's making: what it asks the driver for,
// what it makes of the driver's answers. The real driver's side is tried on a real PC.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "link/WindowsSerialDevice.h"
#include "texts/WindowsText.h"

namespace qel {
namespace {

using ::testing::Each;

// Takes whatever it is asked for, except what the test makes it keep or refuse.
class FakeDriver final : public CommCalls {
 public:
  HANDLE OpenExclusive(const std::wstring& path) override {
    opened = path;
    return Answer("open") ? (++handles, reinterpret_cast<HANDLE>(std::intptr_t{0x40})) : INVALID_HANDLE_VALUE;
  }
  bool SetupComm(HANDLE, DWORD, DWORD) override { return Answer("setup"); }
  bool GetCommState(HANDLE, DCB& line) override { return (line = state, true); }
  bool SetCommState(HANDLE, const DCB& line) override {
    askedLine = state = line;
    return (keepLine(state), Answer("line"));
  }
  bool GetCommTimeouts(HANDLE, COMMTIMEOUTS& taken) override { return (taken = timeouts, true); }
  bool SetCommTimeouts(HANDLE, const COMMTIMEOUTS& asked) override {
    askedTimeouts = timeouts = asked;
    return (keepTimeouts(timeouts), true);
  }
  bool ReadFile(HANDLE, void*, DWORD, DWORD& read) override { return (read = 0, true); }
  bool WriteFile(HANDLE, const void*, DWORD size, DWORD& written) override {
    return (written = std::min(size, writable), Answer("write"));
  }
  bool PurgeComm(HANDLE, DWORD) override { return true; }
  void CloseHandle(HANDLE) override { --handles; }
  DWORD GetLastError() override { return error; }

  // The error each call ("open", "setup", "line", "write") fails with; none when absent.
  std::map<std::string, DWORD> errors;
  std::function<void(DCB&)> keepLine = [](DCB&) {};
  std::function<void(COMMTIMEOUTS&)> keepTimeouts = [](COMMTIMEOUTS&) {};
  DCB state{}, askedLine{};
  COMMTIMEOUTS timeouts{}, askedTimeouts{};
  DWORD writable = MAXDWORD;
  std::wstring opened;
  int handles = 0;

 private:
  bool Answer(const std::string& call) { return (error = errors[call]) == 0; }
  DWORD error = 0;
};

TEST(WindowsSerialDevice, OpensComNamesInTheDeviceNamespaceAloneAndTellsABusyPortFromAMissingOne) {
  const struct {
    std::string path, failing;
    DWORD error;
    std::wstring name;
    SerialResult result;
  } cases[] = {
      {"com12", "", 0, L"\\\\.\\com12", SerialResult::Ok},
      {"\\\\.\\COM3", "", 0, L"\\\\.\\COM3", SerialResult::Ok},
      {"COM2a", "open", ERROR_FILE_NOT_FOUND, L"COM2a", SerialResult::NotFound},
      {"C:\\ports\\COM3", "open", ERROR_PATH_NOT_FOUND, L"C:\\ports\\COM3", SerialResult::NotFound},
      {"COM4", "open", ERROR_ACCESS_DENIED, L"\\\\.\\COM4", SerialResult::Busy},
      {"COM4", "open", ERROR_SHARING_VIOLATION, L"\\\\.\\COM4", SerialResult::Busy},
      {"COM4", "open", ERROR_GEN_FAILURE, L"\\\\.\\COM4", SerialResult::Failed},
      // A file opens, but is no communications device.
      {"C:\\keys.txt", "setup", ERROR_INVALID_HANDLE, L"C:\\keys.txt", SerialResult::Failed},
  };
  for (const auto& c : cases) {
    FakeDriver driver;
    driver.errors[c.failing] = c.error;
    {
      WindowsSerialDevice device(driver);
      EXPECT_EQ(device.Open(c.path), c.result) << c.path;
      EXPECT_EQ(driver.opened, c.name) << c.path;
      EXPECT_EQ(device.LastError(), c.error == 0 ? "" : WindowsErrorText(c.error)) << c.path;
      // Another Open lets the port held go first.
      if (device.IsOpen()) device.Open(c.path);
      EXPECT_EQ(driver.handles, c.result == SerialResult::Ok ? 1 : 0) << c.path;
    }
    EXPECT_EQ(driver.handles, 0) << c.path;
  }
}

TEST(WindowsSerialDevice, AsksFor19200EightNoneOneRawWithNoFlowControlAndRefusesADriverThatKeptOtherwise) {
  // Every field on: a line left as no program should leave it, XON/XOFF characters included.
  DCB used;
  std::memset(&used, 0xFF, sizeof used);
  used.XonChar = 0x11;
  const struct {
    const char* driver;
    std::function<void(DCB&)> keep;
    SerialResult result;
  } cases[] = {
      // Wine on a pseudo-terminal.
      {"reports DTR and RTS on", [](DCB& d) { d.fDtrControl = d.fRtsControl = 1; }, SerialResult::Ok},
      {"keeps 9600 baud", [](DCB& d) { d.BaudRate = CBR_9600; }, SerialResult::Refused},
      {"keeps even parity", [](DCB& d) { d.Parity = EVENPARITY; }, SerialResult::Refused},
      {"keeps CTS flow control", [](DCB& d) { d.fOutxCtsFlow = TRUE; }, SerialResult::Refused},
      {"keeps stripping nulls", [](DCB& d) { d.fNull = TRUE; }, SerialResult::Refused},
  };
  for (const auto& c : cases) {
    FakeDriver driver;
    driver.state = used;
    driver.keepLine = c.keep;
    WindowsSerialDevice device(driver);
    ASSERT_EQ(device.Open("COM1"), SerialResult::Ok);
    EXPECT_EQ(device.ConfigureLine(), c.result) << c.driver;
    EXPECT_EQ(device.LastError(), c.result == SerialResult::Ok ? "" : "the device kept other line settings");
    const DCB& a = driver.askedLine;
    EXPECT_EQ(std::vector<DWORD>(
                  {a.BaudRate, a.ByteSize, a.Parity, a.StopBits, a.fBinary, a.fDtrControl, a.fRtsControl}),
              std::vector<DWORD>(
                  {CBR_19200, 8, NOPARITY, ONESTOPBIT, TRUE, DTR_CONTROL_DISABLE, RTS_CONTROL_DISABLE}));
    // Windows refuses a line whose XonChar equals its XoffChar, XON/XOFF in use or not.
    EXPECT_NE(a.XonChar, a.XoffChar);
    EXPECT_THAT(std::vector<DWORD>({a.fParity, a.fOutxCtsFlow, a.fOutxDsrFlow, a.fDsrSensitivity, a.fOutX,
                                    a.fInX, a.fErrorChar, a.fNull, a.fAbortOnError}),
                Each(0u));
  }
  FakeDriver driver;
  driver.errors["line"] = ERROR_INVALID_PARAMETER;
  WindowsSerialDevice device(driver);
  ASSERT_EQ(device.Open("COM1"), SerialResult::Ok);
  EXPECT_EQ(device.ConfigureLine(), SerialResult::Refused);
  EXPECT_EQ(device.LastError(), WindowsErrorText(ERROR_INVALID_PARAMETER));
}

TEST(WindowsSerialDevice, AsksForATenMillisecondFirstByteWaitAndABoundedWriteAndRefusesADriverKeepingOthers) {
  FakeDriver driver;
  WindowsSerialDevice device(driver);
  ASSERT_EQ(device.Open("COM1"), SerialResult::Ok);
  EXPECT_EQ(device.ApplyTimeouts(), SerialResult::Ok);
  const COMMTIMEOUTS& a = driver.askedTimeouts;
  EXPECT_EQ(
      std::vector<DWORD>({a.ReadIntervalTimeout, a.ReadTotalTimeoutMultiplier, a.ReadTotalTimeoutConstant}),
      std::vector<DWORD>({MAXDWORD, MAXDWORD, 10}));
  // A 128-byte block takes about 70 ms on the wire; a longer one longer.
  EXPECT_TRUE(a.WriteTotalTimeoutConstant >= 500 && a.WriteTotalTimeoutMultiplier > 0);
  driver.keepTimeouts = [](COMMTIMEOUTS& t) { t.ReadTotalTimeoutConstant = 50; };
  EXPECT_EQ(device.ApplyTimeouts(), SerialResult::Refused);
}

TEST(WindowsSerialDevice, AWriteTheDriverTookOnlyPartOfFailsAsTimedOut) {
  FakeDriver driver;
  WindowsSerialDevice device(driver);
  const std::vector<std::uint8_t> block(128);
  EXPECT_FALSE(device.Write(block));
  ASSERT_EQ(device.Open("COM1"), SerialResult::Ok);
  EXPECT_TRUE(device.Write(block));
  driver.writable = 100;
  EXPECT_FALSE(device.Write(block));
  EXPECT_EQ(device.LastError(), WindowsErrorText(ERROR_TIMEOUT));
  driver.errors["write"] = ERROR_GEN_FAILURE;
  EXPECT_FALSE(device.Write(block));
  EXPECT_EQ(device.LastError(), WindowsErrorText(ERROR_GEN_FAILURE));
}

}  // namespace
}  // namespace qel
