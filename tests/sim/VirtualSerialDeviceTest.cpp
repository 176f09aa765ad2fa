#include <gtest/gtest.h>

#include "UnitFixture.h"
#include "sim/VirtualSerialDevice.h"

namespace qel::sim::test {
namespace {

// The line and the unit share the fixture's clock; logins go to the unit directly.
class VirtualLine : public UnitFixture {
 protected:
  VirtualLine() {
    device_.AttachUnit("/dev/ttyUSB0", unit_);
    device_.AddSilentPort("/dev/ttyS0");
    device_.AddUnavailablePort("/dev/ttyUSB1", SerialResult::Busy);
    device_.AddRefusingPort("/dev/rfcomm0");
  }

  bool Write(const Data& bytes) { return device_.Write(bytes); }
  Data Read(std::size_t most = 64) {
    Data in(most);
    in.resize(static_cast<std::size_t>(device_.Read(in)));
    return in;
  }
  void OpenLoggedIn() {
    Login();
    ASSERT_EQ(device_.Open("/dev/ttyUSB0"), SerialResult::Ok);
  }

  VirtualSerialDevice device_{clock_};
};

TEST_F(VirtualLine, OpenReportsEachKindOfPortAndReleasesThePortHeldBefore) {
  EXPECT_EQ(device_.Open("/dev/ttyUSB1"), SerialResult::Busy);
  EXPECT_EQ(device_.LastError(), "Device or resource busy");
  EXPECT_EQ(device_.Open("/dev/rfcomm0"), SerialResult::Ok);
  EXPECT_EQ(device_.ConfigureLine(), SerialResult::Refused);
  EXPECT_EQ(device_.Open("/dev/ttyS0"), SerialResult::Ok);
  EXPECT_EQ(device_.ConfigureLine(), SerialResult::Ok);
  EXPECT_EQ(device_.ApplyTimeouts(), SerialResult::Ok);
  EXPECT_EQ(device_.OpenPath(), "/dev/ttyS0");
  EXPECT_EQ(device_.Open("/dev/ttyUSB7"), SerialResult::NotFound);
  EXPECT_FALSE(device_.IsOpen());
  EXPECT_EQ(device_.OpenPath(), "");
  const std::vector<std::string> attempts{"/dev/ttyUSB1", "/dev/rfcomm0", "/dev/ttyS0", "/dev/ttyUSB7"};
  EXPECT_EQ(device_.OpenAttempts(), attempts);
}

TEST_F(VirtualLine, WritingCostsWireTimeAndIsRecordedWhileOpenOnly) {
  EXPECT_FALSE(Write({0x05}));
  EXPECT_TRUE(Read().empty());
  EXPECT_EQ(clock_.Now(), SimTime{0});
  ASSERT_EQ(device_.Open("/dev/ttyS0"), SerialResult::Ok);
  ASSERT_TRUE(Write(Data(unit::kBlockSize, 0x00)));
  EXPECT_EQ(clock_.Now(), unit::kBlockSize * SimulatedUnit::kByteTime);  // about 67 ms
  ASSERT_TRUE(Write({0x05}));
  ASSERT_EQ(device_.Written().size(), 129u);
  EXPECT_EQ(device_.Written().back().at, 129 * SimulatedUnit::kByteTime);
  EXPECT_EQ(device_.WrittenBytes().back(), 0x05);
}

TEST_F(VirtualLine, ReadWaitsTenMillisecondsAtMostOrUntilTheReplyDueSooner) {
  ASSERT_EQ(device_.Open("/dev/ttyS0"), SerialResult::Ok);
  EXPECT_TRUE(Read().empty());
  EXPECT_EQ(clock_.Now(), 10ms);

  OpenLoggedIn();
  Write({unit::kPing});
  const SimTime due = *unit_.NextOutputTime();
  ASSERT_LT(due - clock_.Now(), 10ms);
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), Read()));
  EXPECT_EQ(clock_.Now(), due);

  Write({unit::kSetClock, 13, 6, 25, 14, 5, 9});
  clock_.Advance(50ms);
  EXPECT_TRUE(BytesEqual(Bytes({13, 6, 25, 14, 5, 9}), Read()));
  const SimTime before = clock_.Now();
  EXPECT_TRUE(Read().empty());  // the ack is 1.8 s away
  EXPECT_EQ(clock_.Now() - before, 10ms);
}

TEST_F(VirtualLine, ReadTakesNoMoreThanAskedAndPurgeDropsOnlyWhatArrived) {
  OpenLoggedIn();
  Write({unit::kSetClock, 13, 6, 25, 14, 5, 9});
  clock_.Advance(50ms);
  device_.Purge();
  EXPECT_TRUE(Read().empty());
  clock_.Advance(2s);
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), Read()));
  Write({unit::kReadMemory});
  clock_.Advance(2s);
  EXPECT_EQ(Read(950).size(), 950u);
  EXPECT_FALSE(Read(950).empty());
}

}  // namespace
}  // namespace qel::sim::test
