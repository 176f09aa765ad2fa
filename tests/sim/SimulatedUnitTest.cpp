#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "UnitFixture.h"

namespace qel::sim::test {
namespace {

constexpr KeyCode kCode{0x01, 0x5A, 0x3C, 0x77, 0x10, 0x00, 0x00, 0xA2, 0x00, 0x00, 0x00, 0x00};

// --- login ---------------------------------------------------------------------------------

class UnitLogin : public UnitFixture {};

TEST_F(UnitLogin, AnswersEachStageOfTheProgramsFiftyMillisecondLogin) {
  // The program writes 0x04 0x01 in one tick and each later byte one tick (50 ms) apart.
  Send({unit::kHangUp, unit::kLoginStart});
  for (std::uint8_t b : {unit::kTransportUsb, std::uint8_t{'Q'}, std::uint8_t{'E'}}) {
    EXPECT_TRUE(BytesEqual({}, Collect(50ms)));
    Send({b});
  }
  EXPECT_TRUE(BytesEqual({}, Collect(50ms)));
  Send({'L'});
  EXPECT_TRUE(BytesEqual(Bytes({unit::kHello}), Collect(50ms)));
  EXPECT_FALSE(unit_.LoggedIn());
  Send({unit::kHello, 0x12, 0x6F});  // 4719
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAccepted}), Collect(50ms)));
  EXPECT_TRUE(unit_.LoggedIn());
}

TEST_F(UnitLogin, TakesTheBluetoothTransportByte) {
  Send({unit::kHangUp, unit::kLoginStart, unit::kTransportBluetooth, 'Q', 'E', 'L'});
  EXPECT_TRUE(BytesEqual(Bytes({unit::kHello}), Collect(50ms)));
}

TEST_F(UnitLogin, WrongCodeIsRefusedSilentlyAndLeavesTheUnitLoggedOut) {
  Send({unit::kHangUp, unit::kLoginStart, unit::kTransportUsb, 'Q', 'E', 'L'});
  Collect(50ms);
  Send({unit::kHello, 0x12, 0x70});
  EXPECT_TRUE(BytesEqual({}, Collect(1s)));
  EXPECT_FALSE(unit_.LoggedIn());
  Send({unit::kPing});
  EXPECT_TRUE(BytesEqual({}, Collect(1s)));
}

TEST_F(UnitLogin, WrongGreetingOrTransportGetsNoHello) {
  Send({unit::kHangUp, unit::kLoginStart, unit::kTransportUsb, 'Q', 'X', 'L'});
  EXPECT_TRUE(BytesEqual({}, Collect(1s)));
  Send({unit::kHangUp, unit::kLoginStart, 0xA5, 'Q', 'E', 'L'});
  EXPECT_TRUE(BytesEqual({}, Collect(1s)));
}

TEST_F(UnitLogin, CommandsAreIgnoredUntilLoggedInAndAfterHangUp) {
  Send({unit::kPing, unit::kGetAccessTime});
  EXPECT_TRUE(BytesEqual({}, Collect(1s)));
  Login();
  Send({unit::kPing});
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), Collect(50ms)));
  Send({unit::kHangUp, unit::kPing});
  EXPECT_TRUE(BytesEqual({}, Collect(1s)));
  EXPECT_FALSE(unit_.LoggedIn());
}

TEST_F(UnitLogin, CodeBytesEqualToHangUpAreData) {
  UnitConfig config;
  config.accessCode = 0x0404;
  SimulatedUnit unit(config);
  const auto send = [&](std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) {
      clock_.Advance(SimulatedUnit::kByteTime);
      unit.Receive(b, clock_.Now());
    }
  };
  send({unit::kHangUp, unit::kLoginStart, unit::kTransportUsb, 'Q', 'E', 'L', unit::kHello, 0x04, 0x04});
  clock_.Advance(50ms);
  std::vector<std::uint8_t> out(8);
  out.resize(unit.Read(out, clock_.Now()));
  EXPECT_TRUE(BytesEqual(Bytes({unit::kHello, unit::kAccepted}), out));
}

// --- queries -------------------------------------------------------------------------------

class UnitQueries : public UnitFixture {
 protected:
  void SetUp() override { Login(); }
};

TEST_F(UnitQueries, ReportTheSettingsTheUnitWasBuiltWith) {
  Send({unit::kGetAccessTime});
  EXPECT_TRUE(BytesEqual(Bytes({5}), Collect(100ms)));
  Send({unit::kGetRecordSize});
  EXPECT_TRUE(BytesEqual(Bytes({100}), Collect(100ms)));
  Send({unit::kGetRelaySetup});
  EXPECT_TRUE(BytesEqual(Bytes({0x00}), Collect(100ms)));
  Send({unit::kGetName});
  EXPECT_TRUE(BytesEqual(Bytes({'L', 'i', 'f', 't', ' ', 'A', unit::kNameEnd}), Collect(1s)));
  Send({unit::kGetFirmware, unit::kFirmwareArgument});
  const std::string firmware = "QEL 2.14 sim";
  EXPECT_TRUE(BytesEqual(std::vector<std::uint8_t>(firmware.begin(), firmware.end()), Collect(1s)));
}

TEST_F(UnitQueries, IdleAndDialogMarksGetNoReplyAndPingGetsAck) {
  Send({unit::kIdle, unit::kDialogMark});
  EXPECT_TRUE(BytesEqual({}, Collect(1s)));
  Send({unit::kPing});
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), Collect(10ms)));
}

TEST_F(UnitQueries, ReaderReportsTheHeldKeyWithinOneKeyDialogTick) {
  Send({unit::kReadReader});
  EXPECT_TRUE(BytesEqual(std::vector<std::uint8_t>(13, 0x00), Collect(50ms)));

  unit_.HoldKey(kCode);
  Send({unit::kReadReader});
  std::vector<std::uint8_t> held{0x01};
  held.insert(held.end(), kCode.begin(), kCode.end());
  EXPECT_TRUE(BytesEqual(held, Collect(50ms)));

  unit_.ReleaseKey();
  Send({unit::kReadReader});
  EXPECT_TRUE(BytesEqual(std::vector<std::uint8_t>(13, 0x00), Collect(50ms)));
}

TEST_F(UnitQueries, ReaderReplyIsPacedByTheWire) {
  // Thirteen bytes take 6.8 ms on the wire: the last one cannot be there with the first twelve.
  Send({unit::kReadReader});
  const SimTime start = clock_.Now();
  clock_.AdvanceTo(start + SimulatedUnit::kTurnaround + 12 * SimulatedUnit::kByteTime);
  std::vector<std::uint8_t> out(32);
  EXPECT_EQ(unit_.Read(out, clock_.Now()), 12u);
}

TEST_F(UnitQueries, ClockIsPackedBcdWithIsoDayOfWeekAndRunsWithTime) {
  // 2026-03-14 09:26:53 is a Saturday.
  Send({unit::kGetClock});
  EXPECT_TRUE(BytesEqual(Bytes({0x53, 0x26, 0x09, 0x06, 0x14, 0x03, 0x26}), Collect(100ms)));
  clock_.Advance(70s);
  Send({unit::kGetClock});
  EXPECT_TRUE(BytesEqual(Bytes({0x03, 0x28, 0x09, 0x06, 0x14, 0x03, 0x26}), Collect(100ms)));
}

TEST_F(UnitQueries, ClockRollsOverIntoTheNewYear) {
  // 2019-12-31 23:59:50 set, 15 s later it is Wednesday 2020-01-01 00:00:05.
  Send({unit::kSetClock, 19, 12, 31, 23, 59, 50});
  Collect(2s);
  clock_.Advance(15s - 2s);
  Send({unit::kGetClock});
  EXPECT_TRUE(BytesEqual(Bytes({0x05, 0x00, 0x00, 0x03, 0x01, 0x01, 0x20}), Collect(100ms)));
}

// --- changes -------------------------------------------------------------------------------

class UnitChanges : public UnitFixture {
 protected:
  void SetUp() override { Login(); }

  std::vector<std::uint8_t> Record(int id) const {
    const auto memory = unit_.Memory();
    const auto begin = memory.begin() + id * unit_.RecordSize();
    return {begin, begin + unit_.RecordSize()};
  }

  // Sends each byte as the echo chain does, one 200 ms tick apart, and returns what came back
  // after each byte.
  std::vector<std::vector<std::uint8_t>> SendChained(std::initializer_list<std::uint8_t> bytes) {
    std::vector<std::vector<std::uint8_t>> replies;
    for (std::uint8_t b : bytes) {
      Send({b});
      replies.push_back(Collect(200ms));
    }
    return replies;
  }

  void Save(std::uint16_t id, const KeyCode& code, std::array<std::uint8_t, 3> floors) {
    Send({unit::kSaveKey, static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id)});
    SendBytes(code);
    SendBytes(floors);
    Collect(4s);
  }
};

TEST_F(UnitChanges, SaveEchoesHeadAcksFloorsThenStoresTheCommentAfterItsZero) {
  Send({unit::kSaveKey});
  EXPECT_TRUE(BytesEqual({}, Collect(200ms)));
  std::vector<std::uint8_t> head{0x01, 0x2C};
  head.insert(head.end(), kCode.begin(), kCode.end());
  head.insert(head.end(), {0x05, 0x00, 0x80});  // floors 1, 3 and 24
  for (std::size_t i = 0; i + 1 < head.size(); ++i) {
    Send({head[i]});
    EXPECT_TRUE(BytesEqual(Bytes({head[i]}), Collect(200ms))) << "byte " << i;
  }
  Send({head.back()});
  EXPECT_TRUE(BytesEqual(Bytes({0x80, unit::kAck}), Collect(4s)));

  for (std::uint8_t c : {'D', 'o', 'o', 'r'}) {
    Send({c});
    EXPECT_TRUE(BytesEqual({}, Collect(200ms)));
  }
  Send({0x00});
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), Collect(1s)));

  std::vector<std::uint8_t> expected(head.begin() + 2, head.end());
  expected.insert(expected.end(), {'D', 'o', 'o', 'r'});
  expected.resize(100, 0x00);
  EXPECT_TRUE(BytesEqual(expected, Record(300)));
  EXPECT_TRUE(BytesEqual(std::vector<std::uint8_t>(100, 0xFF), Record(301)));
}

TEST_F(UnitChanges, CommentLongerThanTheFieldIsCut) {
  Send({unit::kSetRecordSize, 20});
  Collect(200ms);
  Save(2, kCode, {0x01, 0x00, 0x00});
  Send({'a', 'b', 'c', 'd', 'e', 'f', 0x00});
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), Collect(1s)));
  std::vector<std::uint8_t> expected(kCode.begin(), kCode.end());
  expected.insert(expected.end(), {0x01, 0x00, 0x00, 'a', 'b', 'c', 'd', 'e'});
  EXPECT_TRUE(BytesEqual(expected, Record(2)));
}

TEST_F(UnitChanges, DeleteZeroesTheKeyCodeAndAcksWithinTheProgramsWait) {
  Save(300, kCode, {0x07, 0x00, 0x00});
  Send({'x', 0x00});
  Collect(1s);

  const auto replies = SendChained({unit::kDeleteKey, 0x01, 0x2C});
  EXPECT_TRUE(BytesEqual(Bytes({0x01}), replies[1]));
  EXPECT_TRUE(BytesEqual(Bytes({0x2C}), replies[2]));
  // The ack follows about half a second later, well before the program looks 3.6 s on.
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), Collect(1s)));

  std::vector<std::uint8_t> expected(12, 0x00);
  expected.insert(expected.end(), {0x07, 0x00, 0x00, 'x'});
  expected.resize(100, 0x00);
  EXPECT_TRUE(BytesEqual(expected, Record(300)));
}

TEST_F(UnitChanges, RecordsOutsideMemoryAreEchoedButNotAcknowledged) {
  // With 100-byte records, record 655 would end past 65,536 bytes.
  Send({unit::kDeleteKey, 0x02, 0x8F});
  EXPECT_TRUE(BytesEqual(Bytes({0x02, 0x8F}), Collect(4s)));
  Send({unit::kSaveKey, 0x02, 0x8F});
  SendBytes(kCode);
  Send({0x01, 0x00, 0x00});
  std::vector<std::uint8_t> echoes{0x02, 0x8F};
  echoes.insert(echoes.end(), kCode.begin(), kCode.end());
  echoes.insert(echoes.end(), {0x01, 0x00, 0x00});
  EXPECT_TRUE(BytesEqual(echoes, Collect(4s)));
  Send({0x00});
  EXPECT_TRUE(BytesEqual({}, Collect(2s)));
  EXPECT_TRUE(std::all_of(unit_.Memory().begin(), unit_.Memory().end(), [](auto b) { return b == 0xFF; }));
}

TEST_F(UnitChanges, NameIsEchoedWithTerminatorAndOneMoreEnd) {
  const auto replies = SendChained({unit::kSetName, 'H', 'i', unit::kNameEnd});
  EXPECT_TRUE(BytesEqual({}, replies[0]));
  EXPECT_TRUE(BytesEqual(Bytes({'H'}), replies[1]));
  EXPECT_TRUE(BytesEqual(Bytes({'i'}), replies[2]));
  EXPECT_TRUE(BytesEqual(Bytes({unit::kNameEnd, unit::kNameEnd}), replies[3]));
  EXPECT_EQ(unit_.Name(), "Hi");

  const auto empty = SendChained({unit::kSetName, unit::kNameEnd});
  EXPECT_TRUE(BytesEqual(Bytes({unit::kNameEnd, unit::kNameEnd}), empty[1]));
  EXPECT_EQ(unit_.Name(), "");
}

TEST_F(UnitChanges, SettingValuesInRangeAreAckedAndOthersRefused) {
  const auto ack = Bytes({unit::kAck});
  const auto refused = Bytes({0x15});
  EXPECT_TRUE(BytesEqual(ack, SendChained({unit::kSetRecordSize, 50})[1]));
  EXPECT_TRUE(BytesEqual(refused, SendChained({unit::kSetRecordSize, 251})[1]));
  EXPECT_TRUE(BytesEqual(refused, SendChained({unit::kSetRecordSize, 14})[1]));
  EXPECT_EQ(unit_.RecordSize(), 50);
  EXPECT_TRUE(BytesEqual(ack, SendChained({unit::kSetAccessTime, 0})[1]));
  EXPECT_TRUE(BytesEqual(refused, SendChained({unit::kSetAccessTime, 121})[1]));
  EXPECT_EQ(unit_.AccessTime(), 0);
  EXPECT_TRUE(BytesEqual(ack, SendChained({unit::kSetRelay, 0xBF})[1]));

  Send({unit::kGetRecordSize});
  EXPECT_TRUE(BytesEqual(Bytes({50}), Collect(100ms)));
  Send({unit::kGetAccessTime});
  EXPECT_TRUE(BytesEqual(Bytes({0}), Collect(100ms)));
  Send({unit::kGetRelaySetup});
  EXPECT_TRUE(BytesEqual(Bytes({0xBF}), Collect(100ms)));
}

TEST_F(UnitChanges, AccessCodeEchoesBothBytesAcksAndTakesEffectAtNextLogin) {
  const auto replies = SendChained({unit::kSetAccessCode, 0x00, 0x2A});
  EXPECT_TRUE(BytesEqual({}, replies[0]));
  EXPECT_TRUE(BytesEqual(Bytes({0x00}), replies[1]));
  EXPECT_TRUE(BytesEqual(Bytes({0x2A, unit::kAck}), replies[2]));
  EXPECT_EQ(unit_.AccessCode(), 42);
  Login(42);
}

TEST_F(UnitChanges, ClockSetEchoesAtOnceAndAcksAboutTwoSecondsLater) {
  // 2013-06-25 14:05:09, a Tuesday.
  const auto replies = SendChained({unit::kSetClock, 0x0D, 0x06, 0x19, 0x0E, 0x05, 0x09});
  for (std::size_t i = 1; i < replies.size(); ++i) {
    EXPECT_EQ(replies[i].size(), 1u) << "byte " << i;
  }
  EXPECT_TRUE(BytesEqual(Bytes({0x09}), replies.back()));
  // The program reads the ack 2.2 s after the last byte; 0.2 s of that have passed.
  EXPECT_TRUE(BytesEqual({}, Collect(1500ms)));
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), Collect(400ms)));
  Send({unit::kGetClock});
  EXPECT_TRUE(BytesEqual(Bytes({0x11, 0x05, 0x14, 0x02, 0x25, 0x06, 0x13}), Collect(100ms)));
}

TEST_F(UnitChanges, ImpossibleDateIsRefusedAndKeepsTheClock) {
  const CivilTime before = unit_.ClockAt(clock_.Now());
  Send({unit::kSetClock, 26, 2, 30, 12, 0, 0});
  EXPECT_TRUE(BytesEqual(Bytes({26, 2, 30, 12, 0, 0, 0x15}), Collect(2s)));
  CivilTime expected = before;
  expected.second += 2;
  EXPECT_EQ(unit_.ClockAt(clock_.Now()), expected);
}

TEST_F(UnitChanges, StalledCommandIsDroppedAfterTheDataTimeout) {
  Send({unit::kSaveKey, 0x00, 0x01});
  Collect(11s);
  Send({unit::kPing});
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), Collect(50ms)));
}

TEST_F(UnitChanges, PresentedKeysAreLoggedAndGrantedWhenStored) {
  Save(0, kCode, {0x01, 0x00, 0x00});
  Send({0x00});
  Collect(1s);
  KeyCode stranger = kCode;
  stranger[0] = 0x02;
  unit_.HoldKey(kCode);
  unit_.HoldKey(stranger);
  ASSERT_EQ(unit_.Log().size(), 2u);
  EXPECT_TRUE(unit_.Log()[0].granted);
  EXPECT_FALSE(unit_.Log()[1].granted);
  EXPECT_EQ(unit_.Log()[1].code, stranger);
}

}  // namespace
}  // namespace qel::sim::test
