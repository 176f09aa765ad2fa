// The port against a real pseudo-terminal: the kernel's view of the line, real read timing and real
// exclusivity. The test plays the unit on the master side.
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
using ::testing::Pair;
using Clock = std::chrono::steady_clock;
using test::PtyPair;

class RecordingWarnings : public SerialWarnings {
 public:
  void ShowSerialWarning(std::string_view text) override { shown.emplace_back(text); }
  std::vector<std::string> shown;
};

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

TEST(PortTableLinks, ADeviceAssignedThroughALinkIsNotListedAgain) {
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / ("qel-port-links-" + std::to_string(::getpid()));
  fs::create_directories(root / "dev");
  for (const char* name : {"ttyUSB0", "ttyUSB1"}) std::ofstream(root / "dev" / name).put('\0');
  const std::string link = (root / "usb-adapter").string();
  fs::create_symlink(root / "dev" / "ttyUSB0", link);
  PortTable table;
  table.Assign(2, link);
  table.Scan(root / "dev", root / "sys");
  EXPECT_THAT(table.Entries(), ElementsAre(Pair(1, (root / "dev" / "ttyUSB1").string()), Pair(2, link)));
  fs::remove_all(root);
}

TEST(PortPathProblem, OnlyACharacterDeviceMayBeAPort) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path();
  for (const auto& [path, problem] : {std::pair<std::filesystem::path, std::string>{"/dev/null", ""},
                                      {folder / "qel-absent-port", "No such file or directory"},
                                      {folder, "not a character device"}})
    EXPECT_EQ(PortTable::PathProblem(path), problem) << path;
}

}  // namespace
}  // namespace qel
