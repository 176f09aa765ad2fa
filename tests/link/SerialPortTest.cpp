#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "link/SerialPort.h"
#include "tests/link/Fakes.h"

namespace qel {
namespace {

using test::FakeSerialDevice;
using test::RecordingWarnings;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class SerialPortSetUp : public ::testing::Test {
 protected:
  SerialPortSetUp() {
    ports.Assign(1, "/dev/first");
    ports.Assign(2, "/dev/second");
  }

  FakeSerialDevice device;
  PortTable ports;
  RecordingWarnings warnings;
  CSerialPort port{device, ports, warnings};
};

TEST_F(SerialPortSetUp, StartsClosedWithAZeroBuffer) {
  EXPECT_EQ(port.GetStatus(), CSerialPort::kNotOpen);
  for (int i = 0; i < CSerialPort::kBufferSize; ++i) {
    ASSERT_EQ(port.ByteAt(i), 0) << "index " << i;
  }
}

TEST_F(SerialPortSetUp, OpensTheDeviceOfTheNumberAndSetsItUp) {
  port.Open(2);
  EXPECT_EQ(port.GetStatus(), CSerialPort::kReady);
  EXPECT_EQ(port.lastOpenResult(), SerialResult::Ok);
  EXPECT_THAT(device.openedPaths, ElementsAre("/dev/second"));
  EXPECT_THAT(warnings.shown, IsEmpty());
}

TEST_F(SerialPortSetUp, RefusedLineSettingsWarnAndLeaveThePortOpenNotSetUp) {
  device.lineResult = SerialResult::Refused;
  port.Open(1);
  EXPECT_EQ(port.GetStatus(), CSerialPort::kOpenNotSetUp);
  EXPECT_TRUE(device.IsOpen());
  EXPECT_THAT(warnings.shown, ElementsAre("Not able to set COM parameters"));
}

TEST_F(SerialPortSetUp, RefusedTimeoutsWarnAndLeaveThePortOpenNotSetUp) {
  device.timeoutResult = SerialResult::Refused;
  port.Open(1);
  EXPECT_EQ(port.GetStatus(), CSerialPort::kOpenNotSetUp);
  EXPECT_TRUE(device.IsOpen());
  EXPECT_THAT(warnings.shown, ElementsAre("Not able to set Timeouts"));
}

TEST_F(SerialPortSetUp, BothRefusalsWarnInTurn) {
  device.lineResult = SerialResult::Refused;
  device.timeoutResult = SerialResult::Failed;
  port.Open(1);
  EXPECT_EQ(port.GetStatus(), CSerialPort::kOpenNotSetUp);
  EXPECT_THAT(warnings.shown, ElementsAre("Not able to set COM parameters", "Not able to set Timeouts"));
}

TEST_F(SerialPortSetUp, ADeviceThatWillNotOpenLeavesStatusZeroSilently) {
  for (const SerialResult refusal :
       {SerialResult::NotFound, SerialResult::Busy, SerialResult::AccessDenied}) {
    device.openResult = refusal;
    port.Open(1);
    EXPECT_EQ(port.GetStatus(), CSerialPort::kNotOpen);
    EXPECT_EQ(port.lastOpenResult(), refusal);
  }
  EXPECT_THAT(warnings.shown, IsEmpty());
}

TEST_F(SerialPortSetUp, ANumberWithoutADeviceOpensNothing) {
  port.Open(5);
  EXPECT_EQ(port.GetStatus(), CSerialPort::kNotOpen);
  EXPECT_EQ(port.lastOpenResult(), SerialResult::NotFound);
  EXPECT_EQ(device.opens, 0);
}

TEST_F(SerialPortSetUp, NumbersOutsideTheRangeReleaseThePortHeldAndOpenNothing) {
  for (const int n : {0, -1, 71}) {
    port.Open(1);
    const int opensBefore = device.opens;
    const int closesBefore = device.closes;
    port.Open(n);
    EXPECT_EQ(port.GetStatus(), CSerialPort::kNotOpen) << n;
    EXPECT_FALSE(device.IsOpen()) << n;
    EXPECT_EQ(device.closes, closesBefore + 1) << n;
    EXPECT_EQ(device.opens, opensBefore) << n;
  }
}

TEST_F(SerialPortSetUp, OpenPurgesAndReleasesThePortHeldBeforeOpening) {
  port.Open(1);
  port.Open(2);
  EXPECT_EQ(device.purges, 1);
  EXPECT_EQ(device.closes, 1);
  EXPECT_EQ(port.GetStatus(), CSerialPort::kReady);
}

TEST_F(SerialPortSetUp, CloseLeavesNothingToReleaseAgain) {
  port.Open(1);
  port.Close();
  port.Close();
  port.Open(1);
  EXPECT_EQ(device.closes, 1);
  EXPECT_EQ(device.purges, 0);
}

TEST_F(SerialPortSetUp, ReadAsksForAtMost950AndLeavesTheRestOfTheBuffer) {
  port.Open(1);
  port.ReadBuffer.fill(0xEE);
  std::vector<std::uint8_t> stream(1000);
  std::iota(stream.begin(), stream.end(), std::uint8_t{0});
  device.pending.assign(stream.begin(), stream.end());

  EXPECT_EQ(port.Read(), 950);
  EXPECT_EQ(port.Read(), 50);
  EXPECT_THAT(device.readSizes, ElementsAre(950u, 950u));
  for (int i = 0; i < 50; ++i) {
    ASSERT_EQ(port.ByteAt(i), stream[950 + static_cast<std::size_t>(i)]) << "index " << i;
  }
  for (int i = 50; i < 950; ++i) {
    ASSERT_EQ(port.ByteAt(i), stream[static_cast<std::size_t>(i)]) << "index " << i;
  }
  for (int i = 950; i < CSerialPort::kBufferSize; ++i) {
    ASSERT_EQ(port.ByteAt(i), 0xEE) << "index " << i;
  }
}

TEST_F(SerialPortSetUp, ByteAtIsBoundedByTheBuffer) {
  port.ReadBuffer[999] = 0xA5;
  port.ReadBuffer[0] = 0x5A;
  EXPECT_EQ(port.ByteAt(999), 0xA5);
  EXPECT_EQ(port.ByteAt(0), 0x5A);
  EXPECT_EQ(port.ByteAt(1000), 0);
  EXPECT_EQ(port.ByteAt(-1), 0);
}

TEST_F(SerialPortSetUp, WritesGoToTheDeviceWhileOpenOnly) {
  port.WriteByte(0x01);
  port.Open(1);
  port.WriteByte(0x04);
  const std::vector<std::uint8_t> block{0x1D, 0x07, 0x1A};
  port.WriteBlock(block);
  port.Close();
  port.WriteByte(0x05);
  port.WriteBlock(block);
  EXPECT_THAT(device.written, ElementsAre(0x04, 0x1D, 0x07, 0x1A));
  EXPECT_EQ(device.writes, 2);
}

TEST_F(SerialPortSetUp, ReadAfterCloseReturnsZeroWithoutAskingTheDevice) {
  port.Open(1);
  device.pending = {1, 2, 3};
  port.Close();
  EXPECT_EQ(port.Read(), 0);
  EXPECT_THAT(device.readSizes, IsEmpty());
}

}  // namespace
}  // namespace qel
