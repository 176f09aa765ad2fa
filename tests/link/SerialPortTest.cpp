// The port table on a /dev of the test's own making, and the port against a real pseudo-terminal:
// the kernel's view of the line, real read timing and real exclusivity. The test plays the unit on
// the master side.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "link/PortTable.h"
#include "link/PosixSerialDevice.h"
#include "link/SerialPort.h"
#include "tests/support/PtyPair.h"

namespace qel {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using Clock = std::chrono::steady_clock;
using test::PtyPair;

class RecordingWarnings : public SerialWarnings {
 public:
  void ShowSerialWarning(std::string_view text) override { shown.emplace_back(text); }
  std::vector<std::string> shown;
};

// Opens anything, then refuses the set-up steps the test names: no terminal can be made to.
class RefusingDevice : public SerialDevice {
 public:
  SerialResult Open(const std::string&) override {
    open = true;
    return SerialResult::Ok;
  }
  SerialResult ConfigureLine() override { return line; }
  SerialResult ApplyTimeouts() override { return timeouts; }
  int Read(std::span<std::uint8_t>) override { return 0; }
  bool Write(std::span<const std::uint8_t>) override { return open; }
  void Purge() override {}
  void Close() override { open = false; }
  bool IsOpen() const override { return open; }
  std::string LastError() const override { return {}; }

  bool open = false;
  SerialResult line = SerialResult::Ok;
  SerialResult timeouts = SerialResult::Ok;
};

TEST(SerialPortSetUp, EachRefusalShowsItsWarningAndLeavesThePortOpenNotSetUp) {
  const struct {
    SerialResult line, timeouts;
    std::vector<std::string> warnings;
  } cases[] = {
      {SerialResult::Refused, SerialResult::Ok, {"Not able to set COM parameters"}},
      {SerialResult::Ok, SerialResult::Refused, {"Not able to set Timeouts"}},
      {SerialResult::Refused,
       SerialResult::Failed,
       {"Not able to set COM parameters", "Not able to set Timeouts"}},
  };
  PortTable ports;
  ports.Assign(1, "/dev/first");
  for (const auto& c : cases) {
    RefusingDevice device;
    device.line = c.line;
    device.timeouts = c.timeouts;
    RecordingWarnings warnings;
    CSerialPort port(device, ports, warnings);
    port.Open(1);
    EXPECT_EQ(port.GetStatus(), CSerialPort::kOpenNotSetUp);
    EXPECT_TRUE(device.IsOpen());
    EXPECT_EQ(warnings.shown, c.warnings);
  }
}

constexpr int kPtyPort = 3;

class PortOnPty : public ::testing::Test {
 protected:
  PortOnPty() {
    ports.Assign(kPtyPort, pty.slavePath());
    ports.Assign(4, "/dev/qel-no-such-port");
    ports.Assign(5, "/dev/zero");
  }
  // Nothing a terminal can do sets off the set-up warnings.
  ~PortOnPty() override { EXPECT_THAT(warnings.shown, IsEmpty()); }

  void OpenReady() {
    port.Open(kPtyPort);
    ASSERT_EQ(port.GetStatus(), CSerialPort::kReady) << device.LastError();
  }
  // The bytes of the last Read.
  std::vector<std::uint8_t> ReadBytes() {
    const int count = port.Read();
    return {port.ReadBuffer.begin(), port.ReadBuffer.begin() + count};
  }
  // Lets what the master sent reach the slave before the port reads it.
  void SendAndSettle(const std::vector<std::uint8_t>& bytes) {
    pty.Send(bytes);
    std::this_thread::sleep_for(50ms);
  }

  PtyPair pty;
  PortTable ports;
  PosixSerialDevice device;
  RecordingWarnings warnings;
  CSerialPort port{device, ports, warnings};
};

TEST_F(PortOnPty, OpenSetsTheLineTo19200EightNoneOneRawAndReadWaitsAboutTenMillisecondsTakingAtMost950) {
  // Start from a cooked line with everything the unit's line must not have.
  termios before = pty.SlaveLine();
  before.c_iflag |= IXON | IXOFF | IXANY | ICRNL | ISTRIP | INPCK | PARMRK | BRKINT;
  before.c_oflag |= OPOST | ONLCR;
  before.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
  before.c_cflag = (before.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB | CRTSCTS;
  pty.SetSlaveLine(before);

  OpenReady();
  const termios line = pty.SlaveLine();
  EXPECT_EQ(cfgetispeed(&line), B19200);
  EXPECT_EQ(cfgetospeed(&line), B19200);
  EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CLOCAL | CREAD),
            static_cast<tcflag_t>(CS8 | CLOCAL | CREAD));
  EXPECT_EQ(line.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP | INPCK | PARMRK | BRKINT),
            0u);
  EXPECT_EQ(line.c_oflag & OPOST, 0u);
  EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
  EXPECT_EQ(line.c_cc[VMIN], 0);
  EXPECT_EQ(line.c_cc[VTIME], 0);

  auto start = Clock::now();
  EXPECT_EQ(port.Read(), 0);
  EXPECT_GE(Clock::now() - start, 5ms);
  EXPECT_LT(Clock::now() - start, 200ms);

  pty.Send({0x07, 0x01, 0x06});
  start = Clock::now();
  EXPECT_THAT(ReadBytes(), ElementsAre(0x07, 0x01, 0x06));
  EXPECT_LT(Clock::now() - start, 200ms);

  std::vector<std::uint8_t> all(256);
  std::iota(all.begin(), all.end(), std::uint8_t{0});
  for (const std::uint8_t b : all) port.WriteByte(b);
  EXPECT_THAT(pty.Receive(all.size()), ElementsAreArray(all));
  port.WriteBlock(all);
  EXPECT_THAT(pty.Receive(all.size()), ElementsAreArray(all));
  SendAndSettle(all);
  EXPECT_THAT(ReadBytes(), ElementsAreArray(all));

  port.ReadBuffer[999] = 0xA5;
  std::vector<std::uint8_t> reply(13);
  std::iota(reply.begin(), reply.end(), std::uint8_t{0x40});
  SendAndSettle(reply);
  ASSERT_EQ(port.Read(), 13);
  SendAndSettle({0x99});
  ASSERT_EQ(port.Read(), 1);
  reply[0] = 0x99;
  EXPECT_THAT(std::span(port.ReadBuffer).first(13), ElementsAreArray(reply));

  SendAndSettle(std::vector<std::uint8_t>(1000, 0x11));
  EXPECT_EQ(port.Read(), CSerialPort::kMaxRead);
  EXPECT_EQ(port.ByteAt(949), 0x11);
  EXPECT_EQ(port.ByteAt(950), 0x00);
  EXPECT_EQ(port.ByteAt(999), 0xA5);
  EXPECT_EQ(port.ByteAt(1000), 0x00);
}

TEST_F(PortOnPty, TheLineIsHeldByOnePortAtATimeAndReleasedOnceByAFailedOpenOrAClose) {
  OpenReady();
  SendAndSettle({0x11});
  // The same number again drops what the line held and releases it before taking it, so it does
  // not find itself busy.
  OpenReady();
  EXPECT_EQ(port.Read(), 0);
  PosixSerialDevice otherDevice;
  CSerialPort other(otherDevice, ports, warnings);
  other.Open(kPtyPort);
  EXPECT_EQ(other.GetStatus(), CSerialPort::kNotOpen);
  EXPECT_EQ(other.lastOpenResult(), SerialResult::Busy);
  EXPECT_EQ(otherDevice.LastError(), "Device or resource busy");
  port.Close();
  other.Open(kPtyPort);
  EXPECT_EQ(other.GetStatus(), CSerialPort::kReady);
  other.Close();

  // 0 is "None"; 6 has no device, 4 an absent one, 5 one that is no terminal.
  for (const int n : {0, -1, 71, 6, 4, 5}) {
    OpenReady();
    port.Open(n);
    EXPECT_EQ(port.GetStatus(), CSerialPort::kNotOpen) << n;
    EXPECT_EQ(port.lastOpenResult(), n == 5 ? SerialResult::Failed : SerialResult::NotFound) << n;
    PosixSerialDevice probe;
    EXPECT_EQ(probe.Open(pty.slavePath()), SerialResult::Ok) << n << ": " << probe.LastError();
  }

  OpenReady();
  port.Close();
  EXPECT_EQ(port.GetStatus(), CSerialPort::kNotOpen);
  // Whatever is opened next may get the descriptor number the port had; it must survive.
  const int bystander = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  port.WriteByte(0x55);
  port.WriteBlock(std::vector<std::uint8_t>{0x1D, 0x07, 0x1A});
  EXPECT_THAT(pty.Receive(1, 50ms), IsEmpty());
  SendAndSettle({0x01, 0x02});
  EXPECT_EQ(port.Read(), 0);
  port.Close();
  OpenReady();
  EXPECT_NE(::fcntl(bystander, F_GETFD), -1);
  EXPECT_FALSE(::isatty(bystander));
  ::close(bystander);
}

namespace fs = std::filesystem;
using ::testing::Pair;

// A /dev and a /sys/class/tty of the test's own making.
class PortTableScan : public ::testing::Test {
 protected:
  PortTableScan() {
    fs::create_directories(dev);
    fs::create_directories(sys);
  }
  ~PortTableScan() override { fs::remove_all(root); }

  void Devices(std::initializer_list<std::string> names) {
    for (const std::string& name : names) std::ofstream(dev / name).put('\0');
  }
  void Uart(const std::string& name, const std::string& type) {
    fs::create_directories(sys / name);
    std::ofstream(sys / name / "type") << type << '\n';
  }
  std::string Dev(const std::string& name) const { return (dev / name).string(); }

  const fs::path root = fs::temp_directory_path() / ("qel-ports-" + std::to_string(::getpid()));
  const fs::path dev = root / "dev";
  const fs::path sys = root / "sys";
  PortTable table;
};

TEST_F(PortTableScan, ListsSerialGroupsInFixedOrderEachInNumericOrder) {
  Devices({"ttyS0", "rfcomm1", "ttyACM0", "ttyUSB10", "ttyUSB2", "rfcomm0", "ttyS4", "ttyS1", "ttyS2"});
  // ttyS1 has no type file and ttyS2 reports no UART: names the kernel merely reserved.
  Uart("ttyS0", "4");
  Uart("ttyS2", "0");
  Uart("ttyS4", "4");
  Devices({"tty0", "ttyUSB", "ttySAC0", "ttyUSB1x", "null", "rfcomm"});
  fs::create_directories(dev / "ttyUSB3");
  table.Scan(dev, sys);
  EXPECT_THAT(table.Entries(),
              ElementsAre(Pair(1, Dev("ttyUSB2")), Pair(2, Dev("ttyUSB10")), Pair(3, Dev("ttyACM0")),
                          Pair(4, Dev("rfcomm0")), Pair(5, Dev("rfcomm1")), Pair(6, Dev("ttyS0")),
                          Pair(7, Dev("ttyS4"))));
}

TEST_F(PortTableScan, AssignmentsKeepTheirNumbersBeforeOrAfterAScanAndFoundDevicesFillTheGaps) {
  Devices({"ttyUSB0", "ttyUSB1", "ttyACM0", "ttyACM1"});
  const std::string link = (root / "usb-adapter").string();
  fs::create_symlink(dev / "ttyUSB0", link);
  table.Assign(2, "/dev/pts/7");
  table.Assign(5, link);
  table.Scan(dev, sys);
  table.Assign(4, Dev("ttyUSB1"));
  // ttyUSB0 is taken through the link, ttyUSB1 by its own path: neither is listed again.
  EXPECT_THAT(table.Entries(), ElementsAre(Pair(1, Dev("ttyACM0")), Pair(2, "/dev/pts/7"),
                                           Pair(3, Dev("ttyACM1")), Pair(4, Dev("ttyUSB1")), Pair(5, link)));
}

TEST_F(PortTableScan, OnlyNumbersOneToSeventyAreFilledAndARescanReplacesWhatWasFound) {
  for (const int n : {0, -1, 71}) EXPECT_FALSE(table.Assign(n, "/dev/pts/0")) << n;
  EXPECT_TRUE(table.Assign(1, "/dev/pts/1"));
  EXPECT_TRUE(table.Assign(70, "/dev/pts/70"));
  for (int i = 0; i < 75; ++i) Devices({"ttyUSB" + std::to_string(i)});
  table.Scan(dev, sys);
  const auto entries = table.Entries();
  ASSERT_EQ(entries.size(), 70u);
  EXPECT_EQ(entries[1], std::make_pair(2, Dev("ttyUSB0")));
  EXPECT_EQ(entries[68], std::make_pair(69, Dev("ttyUSB67")));
  for (const int n : {0, 71}) EXPECT_EQ(table.PathOf(n), std::nullopt) << n;

  fs::remove(dev / "ttyUSB0");
  table.Scan(dev, sys);
  EXPECT_EQ(table.PathOf(2), Dev("ttyUSB1"));
  table.Scan(root / "absent", sys);
  EXPECT_THAT(table.Entries(), ElementsAre(Pair(1, "/dev/pts/1"), Pair(70, "/dev/pts/70")));
}

TEST_F(PortTableScan, RescanFindsAnAdapterPluggedInSinceAndKeepsThePinnedNumbers) {
  Devices({"ttyUSB0"});
  table.Assign(1, "/dev/pts/1");
  table.Rescan();  // never scanned: nothing to look at again
  EXPECT_THAT(table.Entries(), ElementsAre(Pair(1, "/dev/pts/1")));
  table.Scan(dev, sys);
  Devices({"ttyACM0"});
  table.Rescan();
  EXPECT_THAT(table.Entries(),
              ElementsAre(Pair(1, "/dev/pts/1"), Pair(2, Dev("ttyUSB0")), Pair(3, Dev("ttyACM0"))));
  EXPECT_TRUE(table.IsPinned(1));
  EXPECT_FALSE(table.IsPinned(2));

  Devices({"ttyUSB0"});
  for (const auto& [path, problem] : {std::pair<fs::path, std::string>{"/dev/null", ""},
                                      {root / "absent", "No such file or directory"},
                                      {dev / "ttyUSB0", "not a character device"}})
    EXPECT_EQ(PortTable::PathProblem(path), problem) << path;
}

}  // namespace
}  // namespace qel
