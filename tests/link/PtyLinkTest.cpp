// The port against a real pseudo-terminal: the kernel's view of the line, real read timing and
// real exclusivity. The test plays the unit on the master side.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <numeric>
#include <vector>

#include "link/PosixSerialDevice.h"
#include "link/SerialPort.h"
#include "tests/link/Fakes.h"
#include "tests/link/PtyPair.h"

namespace qel {
namespace {

using test::PtyPair;
using test::RecordingWarnings;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using Clock = std::chrono::steady_clock;

constexpr int kPtyPort = 3;

std::vector<std::uint8_t> AllByteValues() {
  std::vector<std::uint8_t> bytes(256);
  std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
  return bytes;
}

class PortOnPty : public ::testing::Test {
 protected:
  PortOnPty() { ports.Assign(kPtyPort, pty.slavePath()); }

  // Collects what arrives at the port in up to `attempts` reads of at most 10 ms wait each.
  std::vector<std::uint8_t> ReadFromPort(std::size_t wanted, int attempts = 100) {
    std::vector<std::uint8_t> got;
    for (int i = 0; i < attempts && got.size() < wanted; ++i) {
      const int count = port.Read();
      for (int k = 0; k < count; ++k) {
        got.push_back(port.ByteAt(k));
      }
    }
    return got;
  }

  PtyPair pty;
  PortTable ports;
  PosixSerialDevice device;
  RecordingWarnings warnings;
  CSerialPort port{device, ports, warnings};
};

TEST_F(PortOnPty, OpenSetsTheLineTo19200EightNoneOneRawWithoutFlowControl) {
  // Start from a cooked line with everything the unit's line must not have.
  termios before = pty.SlaveLine();
  before.c_iflag |= IXON | IXOFF | IXANY | ICRNL | ISTRIP | INPCK | PARMRK | BRKINT;
  before.c_oflag |= OPOST | ONLCR;
  before.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
  before.c_cflag = (before.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB | CRTSCTS;
  cfsetspeed(&before, B38400);
  pty.SetSlaveLine(before);

  port.Open(kPtyPort);
  ASSERT_EQ(port.GetStatus(), CSerialPort::kReady) << device.LastError();
  EXPECT_THAT(warnings.shown, IsEmpty());

  const termios line = pty.SlaveLine();
  EXPECT_EQ(cfgetispeed(&line), B19200);
  EXPECT_EQ(cfgetospeed(&line), B19200);
  EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(line.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP | INPCK | PARMRK | BRKINT),
            0u);
  EXPECT_EQ(line.c_oflag & OPOST, 0u);
  EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
  EXPECT_EQ(line.c_cc[VMIN], 0);
  EXPECT_EQ(line.c_cc[VTIME], 0);
}

TEST_F(PortOnPty, IdleReadReturnsNothingAfterAboutTenMilliseconds) {
  port.Open(kPtyPort);
  const auto start = Clock::now();
  EXPECT_EQ(port.Read(), 0);
  const auto waited = Clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(5));
  EXPECT_LT(waited, std::chrono::milliseconds(200));
}

TEST_F(PortOnPty, WaitingBytesAreReadAtOnce) {
  port.Open(kPtyPort);
  pty.Send({0x07, 0x01, 0x06});
  const auto start = Clock::now();
  ASSERT_EQ(port.Read(), 3);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(200));
  EXPECT_EQ(port.ByteAt(0), 0x07);
  EXPECT_EQ(port.ByteAt(1), 0x01);
  EXPECT_EQ(port.ByteAt(2), 0x06);
}

TEST_F(PortOnPty, AShortReadKeepsTheRestOfTheEarlierRead) {
  port.Open(kPtyPort);
  std::vector<std::uint8_t> reply(13);
  std::iota(reply.begin(), reply.end(), std::uint8_t{0x40});
  pty.Send(reply);
  ASSERT_EQ(port.Read(), 13);
  pty.Send({0x99});
  ASSERT_EQ(port.Read(), 1);
  EXPECT_EQ(port.ByteAt(0), 0x99);
  for (int i = 1; i < 13; ++i) {
    EXPECT_EQ(port.ByteAt(i), reply[static_cast<std::size_t>(i)]) << "index " << i;
  }
}

TEST_F(PortOnPty, EveryByteValuePassesUnchangedBothWays) {
  port.Open(kPtyPort);
  ASSERT_EQ(port.GetStatus(), CSerialPort::kReady);
  const std::vector<std::uint8_t> all = AllByteValues();

  for (const std::uint8_t b : all) {
    port.WriteByte(b);
  }
  EXPECT_THAT(pty.Receive(all.size()), ElementsAreArray(all));

  port.WriteBlock(all);
  EXPECT_THAT(pty.Receive(all.size()), ElementsAreArray(all));

  pty.Send(all);
  EXPECT_THAT(ReadFromPort(all.size()), ElementsAreArray(all));
}

TEST_F(PortOnPty, ASecondPortCannotOpenTheLineWhileTheFirstHoldsIt) {
  port.Open(kPtyPort);
  ASSERT_EQ(port.GetStatus(), CSerialPort::kReady);

  PosixSerialDevice otherDevice;
  CSerialPort other(otherDevice, ports, warnings);
  other.Open(kPtyPort);
  EXPECT_EQ(other.GetStatus(), CSerialPort::kNotOpen);
  EXPECT_EQ(other.lastOpenResult(), SerialResult::Busy);
  EXPECT_EQ(otherDevice.LastError(), "Device or resource busy");

  port.Close();
  other.Open(kPtyPort);
  EXPECT_EQ(other.GetStatus(), CSerialPort::kReady);
}

TEST_F(PortOnPty, OpeningTheSameNumberTwiceInARowWorks) {
  port.Open(kPtyPort);
  port.Open(kPtyPort);
  ASSERT_EQ(port.GetStatus(), CSerialPort::kReady) << device.LastError();
  port.WriteByte(0x04);
  EXPECT_THAT(pty.Receive(1), ElementsAreArray({0x04}));
}

TEST_F(PortOnPty, NumbersOutsideTheRangeReleaseTheLine) {
  for (const int n : {0, -1, 71}) {
    port.Open(kPtyPort);
    ASSERT_EQ(port.GetStatus(), CSerialPort::kReady);
    port.Open(n);
    EXPECT_EQ(port.GetStatus(), CSerialPort::kNotOpen) << n;

    PosixSerialDevice otherDevice;
    EXPECT_EQ(otherDevice.Open(pty.slavePath()), SerialResult::Ok) << n << ": " << otherDevice.LastError();
  }
}

TEST_F(PortOnPty, CloseThenOpenReleasesNoDescriptorTwice) {
  port.Open(kPtyPort);
  port.Close();
  // Whatever is opened next may get the descriptor number the port had; it must survive.
  const int bystander = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(bystander, 0);
  port.Close();
  port.Open(kPtyPort);
  EXPECT_EQ(port.GetStatus(), CSerialPort::kReady);
  // Still /dev/null, not closed and handed out again.
  struct stat held {};
  struct stat null {};
  ASSERT_EQ(::stat("/dev/null", &null), 0);
  ASSERT_EQ(::fstat(bystander, &held), 0);
  EXPECT_EQ(held.st_rdev, null.st_rdev);
  ::close(bystander);
}

TEST_F(PortOnPty, WriteAndReadAfterCloseDoNothing) {
  port.Open(kPtyPort);
  port.Close();
  port.WriteByte(0x55);
  EXPECT_EQ(port.Read(), 0);
  EXPECT_THAT(pty.Receive(1, std::chrono::milliseconds(50)), IsEmpty());
}

TEST(PosixSerialDevice, AMissingDeviceIsNotFoundWithTheSystemsReason) {
  PosixSerialDevice device;
  EXPECT_EQ(device.Open("/dev/qel-no-such-port"), SerialResult::NotFound);
  EXPECT_EQ(device.LastError(), "No such file or directory");
  EXPECT_FALSE(device.IsOpen());
}

TEST(PosixSerialDevice, AFileThatIsNoTerminalIsNotAPort) {
  const auto path = std::filesystem::temp_directory_path() / ("qel-not-a-port-" + std::to_string(::getpid()));
  std::FILE* file = std::fopen(path.c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  PosixSerialDevice device;
  EXPECT_EQ(device.Open(path.string()), SerialResult::Failed);
  EXPECT_FALSE(device.IsOpen());
  std::filesystem::remove(path);
}

TEST(PosixSerialDevice, NothingOpenMeansNothingMoves) {
  PosixSerialDevice device;
  std::uint8_t buffer[4] = {};
  const std::uint8_t byte = 0x04;
  EXPECT_EQ(device.Read(buffer), 0);
  EXPECT_FALSE(device.Write(std::span(&byte, 1)));
  EXPECT_NE(device.ConfigureLine(), SerialResult::Ok);
  EXPECT_NE(device.ApplyTimeouts(), SerialResult::Ok);
}

TEST(PosixSerialDevice, PurgeDropsInputNotYetRead) {
  PtyPair pty;
  PosixSerialDevice device;
  ASSERT_EQ(device.Open(pty.slavePath()), SerialResult::Ok);
  ASSERT_EQ(device.ConfigureLine(), SerialResult::Ok);
  ASSERT_EQ(device.ApplyTimeouts(), SerialResult::Ok);
  pty.Send({0x01, 0x02});
  std::uint8_t buffer[8] = {};
  // Let the pty hand the bytes over to the slave before dropping them.
  ASSERT_EQ(device.Read(std::span(buffer).first(1)), 1);
  device.Purge();
  EXPECT_EQ(device.Read(buffer), 0);
}

}  // namespace
}  // namespace qel
