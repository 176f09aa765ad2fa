#include <gtest/gtest.h>

#include <array>

#include "link/UnitCommands.h"
#include "sim/VirtualSerialDevice.h"
#include "tests/support/ByteMatch.h"

namespace qel::sim::test {
namespace {

using qel::test::Bytes;
using qel::test::BytesEqual;
using qel::test::HexDump;

using namespace std::chrono_literals;

class VirtualLine : public ::testing::Test {
 protected:
  VirtualLine() {
    device_.AttachUnit("/dev/ttyUSB0", unit_);
    device_.AddSilentPort("/dev/ttyS0");
    device_.AddUnavailablePort("/dev/ttyUSB1", SerialResult::Busy);
    device_.AddRefusingPort("/dev/rfcomm0");
  }

  bool WriteBytes(std::initializer_list<std::uint8_t> bytes) {
    return device_.Write(std::span(bytes.begin(), bytes.size()));
  }

  void Login() {
    ASSERT_EQ(device_.Open("/dev/ttyUSB0"), SerialResult::Ok);
    WriteBytes({unit::kHangUp, unit::kLoginStart, unit::kTransportUsb, 'Q', 'E', 'L'});
    clock_.Advance(50ms);
    std::array<std::uint8_t, 8> in{};
    ASSERT_EQ(device_.Read(in), 1);
    WriteBytes({unit::kHello, 0x12, 0x6F});
    clock_.Advance(50ms);
    ASSERT_EQ(device_.Read(in), 1);
    ASSERT_EQ(in[0], unit::kAccepted);
  }

  VirtualClock clock_;
  SimulatedUnit unit_;
  VirtualSerialDevice device_{clock_};
};

TEST_F(VirtualLine, OpenReportsEachKindOfPort) {
  EXPECT_EQ(device_.Open("/dev/ttyUSB7"), SerialResult::NotFound);
  EXPECT_FALSE(device_.IsOpen());
  EXPECT_EQ(device_.Open("/dev/ttyUSB1"), SerialResult::Busy);
  EXPECT_EQ(device_.LastError(), "Device or resource busy");
  EXPECT_EQ(device_.Open("/dev/rfcomm0"), SerialResult::Ok);
  EXPECT_EQ(device_.ConfigureLine(), SerialResult::Refused);
  EXPECT_EQ(device_.Open("/dev/ttyS0"), SerialResult::Ok);
  EXPECT_EQ(device_.ConfigureLine(), SerialResult::Ok);
  EXPECT_EQ(device_.ApplyTimeouts(), SerialResult::Ok);
  EXPECT_EQ(device_.OpenPath(), "/dev/ttyS0");
  const std::vector<std::string> attempts{"/dev/ttyUSB7", "/dev/ttyUSB1", "/dev/rfcomm0", "/dev/ttyS0"};
  EXPECT_EQ(device_.OpenAttempts(), attempts);
  device_.Close();
  EXPECT_FALSE(device_.IsOpen());
}

TEST_F(VirtualLine, WritingCostsWireTimeAndIsRecorded) {
  ASSERT_EQ(device_.Open("/dev/ttyS0"), SerialResult::Ok);
  const std::array<std::uint8_t, unit::kBlockSize> block{};
  ASSERT_TRUE(device_.Write(block));
  EXPECT_EQ(clock_.Now(), unit::kBlockSize * SimulatedUnit::kByteTime);  // about 67 ms
  ASSERT_TRUE(WriteBytes({0x05}));
  ASSERT_EQ(device_.Written().size(), 129u);
  EXPECT_EQ(device_.Written().back().at, 129 * SimulatedUnit::kByteTime);
  EXPECT_EQ(device_.WrittenBytes().back(), 0x05);
  device_.ClearWritten();
  EXPECT_TRUE(device_.Written().empty());
}

TEST_F(VirtualLine, NothingHappensWhileClosed) {
  std::array<std::uint8_t, 4> in{};
  EXPECT_FALSE(WriteBytes({0x05}));
  EXPECT_EQ(device_.Read(in), 0);
  EXPECT_EQ(clock_.Now(), SimTime{0});
  EXPECT_TRUE(device_.Written().empty());
}

TEST_F(VirtualLine, ReadOnASilentPortWaitsTenMilliseconds) {
  ASSERT_EQ(device_.Open("/dev/ttyS0"), SerialResult::Ok);
  std::array<std::uint8_t, 4> in{};
  EXPECT_EQ(device_.Read(in), 0);
  EXPECT_EQ(clock_.Now(), 10ms);
}

TEST_F(VirtualLine, ReadWaitsForAReplyDueWithinTenMilliseconds) {
  Login();
  WriteBytes({unit::kPing});
  const SimTime due = *unit_.NextOutputTime();
  ASSERT_LT(due - clock_.Now(), 10ms);
  std::array<std::uint8_t, 4> in{};
  ASSERT_EQ(device_.Read(in), 1);
  EXPECT_EQ(in[0], unit::kAck);
  EXPECT_EQ(clock_.Now(), due);
}

TEST_F(VirtualLine, ReadGivesUpAfterTenMillisecondsWhenTheReplyIsLater) {
  Login();
  WriteBytes({unit::kSetClock, 13, 6, 25, 14, 5, 9});
  clock_.Advance(50ms);
  std::array<std::uint8_t, 16> in{};
  ASSERT_EQ(device_.Read(in), 6);  // the echoes
  const SimTime before = clock_.Now();
  EXPECT_EQ(device_.Read(in), 0);  // the ack is 1.8 s away
  EXPECT_EQ(clock_.Now() - before, 10ms);
}

TEST_F(VirtualLine, ReadTakesNoMoreThanTheBufferHolds) {
  Login();
  WriteBytes({unit::kReadMemory});
  clock_.Advance(2s);
  std::array<std::uint8_t, 950> in{};
  EXPECT_EQ(device_.Read(in), 950);
  EXPECT_GT(device_.Read(in), 0);
}

TEST_F(VirtualLine, PurgeDropsWhatArrivedButNotWhatIsStillComing) {
  Login();
  WriteBytes({unit::kSetClock, 13, 6, 25, 14, 5, 9});
  clock_.Advance(50ms);
  device_.Purge();
  clock_.Advance(2s);
  std::array<std::uint8_t, 16> in{};
  ASSERT_EQ(device_.Read(in), 1);
  EXPECT_EQ(in[0], unit::kAck);
}

TEST_F(VirtualLine, OpeningAnotherPortReleasesTheFirst) {
  ASSERT_EQ(device_.Open("/dev/ttyUSB0"), SerialResult::Ok);
  ASSERT_EQ(device_.Open("/dev/ttyUSB7"), SerialResult::NotFound);
  EXPECT_FALSE(device_.IsOpen());
  EXPECT_EQ(device_.OpenPath(), "");
}

}  // namespace
}  // namespace qel::sim::test
