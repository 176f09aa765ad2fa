#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "UnitFixture.h"

namespace qel::sim::test {
namespace {

constexpr KeyCode kCode{0x01, 0x5A, 0x3C, 0x77, 0x10, 0x00, 0x00, 0xA2, 0x00, 0x00, 0x00, 0x00};

// One exchange: the bytes sent, and everything the unit answers within `window` after the last.
struct Step {
  Data send;
  SimTime window;
  Data reply;
};

// A session with a unit built from `config` with `faults`, logged in first or not.
struct Script {
  const char* name;
  std::vector<Step> steps;
  bool loggedIn = true;
  Faults faults = {};
  UnitConfig config = {};
  friend void PrintTo(const Script& script, std::ostream* out) { *out << script.name; }
};

Data Text(std::string_view text) { return {text.begin(), text.end()}; }

const Data kBlock(unit::kBlockSize, 0x00);

const Script kScripts[] = {
    // The program writes 0x04 0x01 in one tick and each later byte one tick (50 ms) apart.
    {"LoginPacedAsTheProgramSendsIt",
     {{{0x04, 0x01}, 50ms, {}},
      {{0xA7}, 50ms, {}},
      {{'Q'}, 50ms, {}},
      {{'E'}, 50ms, {}},
      {{'L'}, 50ms, {unit::kHello}},
      {{unit::kHello, 0x12, 0x6F}, 50ms, {unit::kAccepted}},
      {{unit::kPing}, 50ms, {unit::kAck}}},
     false},
    {"WrongGreetingTransportOrCodeGetNoAnswer",
     {{{0x04, 0x01, 0xA7, 'Q', 'X', 'L'}, 1s, {}},
      {{0x04, 0x01, 0xA5, 'Q', 'E', 'L'}, 1s, {}},
      {kGreeting, 50ms, {unit::kHello}},
      {{unit::kHello, 0x12, 0x70}, 1s, {}},
      {{unit::kPing, unit::kGetAccessTime}, 1s, {}}},
     false},
    {"BluetoothLoginThenHangUpEndsTheSession",
     {{{0x04, 0x01, unit::kTransportBluetooth, 'Q', 'E', 'L'}, 50ms, {unit::kHello}},
      {{unit::kHello, 0x12, 0x6F}, 50ms, {unit::kAccepted}},
      {{unit::kPing}, 50ms, {unit::kAck}},
      {{unit::kHangUp, unit::kPing}, 1s, {}}},
     false},
    {"CodeBytesEqualToHangUpAreData",
     {{{0x04, 0x01, 0xA7, 'Q', 'E', 'L', unit::kHello, 0x04, 0x04}, 50ms, {unit::kHello, unit::kAccepted}}},
     false,
     {},
     {.accessCode = 0x0404}},
    {"SettingsAsBuilt",
     {{{unit::kGetAccessTime}, 100ms, {5}},
      {{unit::kGetRecordSize}, 100ms, {100}},
      {{unit::kGetRelaySetup}, 100ms, {0x00}},
      {{unit::kGetName}, 1s, {'L', 'i', 'f', 't', ' ', 'A', unit::kNameEnd}},
      {{unit::kGetFirmware, unit::kFirmwareArgument}, 1s, Text("QEL 2.14 sim")},
      {{unit::kIdle, unit::kDialogMark}, 1s, {}},
      {{unit::kPing}, 10ms, {unit::kAck}}}},
    // Packed BCD, seconds first, ISO day of week: 2026-03-14 09:26:53 is a Saturday.
    {"ClockRunsWithTime",
     {{{unit::kGetClock}, 100ms, {0x53, 0x26, 0x09, 0x06, 0x14, 0x03, 0x26}},
      {{}, 70s, {}},
      {{unit::kGetClock}, 100ms, {0x03, 0x28, 0x09, 0x06, 0x14, 0x03, 0x26}}}},
    {"ClockRollsOverIntoTheNewYear",
     {{{unit::kSetClock, 19, 12, 31, 23, 59, 50}, 2s, {19, 12, 31, 23, 59, 50, unit::kAck}},
      {{}, 13s, {}},
      {{unit::kGetClock}, 100ms, {0x05, 0x00, 0x00, 0x03, 0x01, 0x01, 0x20}}}},
    // The echoes come at once, the ack 1.8 s later; the program looks for it 2.2 s on.
    {"ClockSetAcksAfterAboutTwoSeconds",
     {{{unit::kSetClock, 13, 6, 25, 14, 5, 9}, 200ms, {13, 6, 25, 14, 5, 9}},
      {{}, 1500ms, {}},
      {{}, 400ms, {unit::kAck}},
      {{unit::kGetClock}, 100ms, {0x11, 0x05, 0x14, 0x02, 0x25, 0x06, 0x13}}}},
    {"ImpossibleDateIsRefusedAndKeepsTheClock",
     {{{unit::kSetClock, 26, 2, 30, 12, 0, 0}, 2s, {26, 2, 30, 12, 0, 0, 0x15}},
      {{unit::kGetClock}, 100ms, {0x55, 0x26, 0x09, 0x06, 0x14, 0x03, 0x26}}}},
    {"NameIsEchoedByteByByteWithOneMoreEnd",
     {{{unit::kSetName}, 200ms, {}},
      {{'H'}, 200ms, {'H'}},
      {{'i'}, 200ms, {'i'}},
      {{unit::kNameEnd}, 200ms, {unit::kNameEnd, unit::kNameEnd}},
      {{unit::kGetName}, 1s, {'H', 'i', unit::kNameEnd}},
      {{unit::kSetName, unit::kNameEnd}, 200ms, {unit::kNameEnd, unit::kNameEnd}},
      {{unit::kGetName}, 1s, {unit::kNameEnd}}}},
    {"SettingValuesInRangeAreAckedAndOthersRefused",
     {{{unit::kSetRecordSize, 50}, 200ms, {unit::kAck}},
      {{unit::kSetRecordSize, 251}, 200ms, {0x15}},
      {{unit::kSetRecordSize, 14}, 200ms, {0x15}},
      {{unit::kSetAccessTime, 0}, 200ms, {unit::kAck}},
      {{unit::kSetAccessTime, 121}, 200ms, {0x15}},
      {{unit::kSetRelay, 0xBF}, 200ms, {unit::kAck}},
      {{unit::kGetRecordSize}, 100ms, {50}},
      {{unit::kGetAccessTime}, 100ms, {0}},
      {{unit::kGetRelaySetup}, 100ms, {0xBF}}}},
    {"AccessCodeTakesEffectAtTheNextLogin",
     {{{unit::kSetAccessCode}, 200ms, {}},
      {{0x00}, 200ms, {0x00}},
      {{0x2A}, 200ms, {0x2A, unit::kAck}},
      {kGreeting, 50ms, {unit::kHello}},
      {{unit::kHello, 0x00, 0x2A}, 50ms, {unit::kAccepted}}}},
    // With 100-byte records, record 655 would end past 65,536 bytes.
    {"RecordsOutsideMemoryAreEchoedButNotAcknowledged",
     {{{unit::kDeleteKey, 0x02, 0x8F}, 4s, {0x02, 0x8F}},
      {{unit::kSaveKey, 0x02, 0x8F, 1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0, 0, 1, 0, 0},
       4s,
       {0x02, 0x8F, 1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0, 0, 1, 0, 0}},
      {{0x00}, 2s, {}}}},
    {"StalledCommandIsDroppedAfterTheDataTimeout",
     {{{unit::kSaveKey, 0x00, 0x01}, 11s, {0x00, 0x01}}, {{unit::kPing}, 50ms, {unit::kAck}}}},
    {"BrokenEraseSequenceStartsNothing", {{{0x18, 0x08, 0x13, 0x28, 0x11}, 3s, {}}}},
    // Faults.
    {"SilenceFromTheSecondPingIsForGood",
     {{{unit::kPing}, 50ms, {unit::kAck}}, {{unit::kPing}, 1s, {}}, {kGreeting, 1s, {}}},
     true,
     {.silence = Faults::Silence{unit::kPing, 2, 0}, .wrongReplies = {}}},
    {"SilenceAfterSomeRepliesCutsTheAnswerShort",
     {{{unit::kDeleteKey, 0x00, 0x01}, 4s, {0x00, 0x01}}, {{unit::kPing}, 1s, {}}},
     true,
     {.silence = Faults::Silence{unit::kDeleteKey, 0, 2}, .wrongReplies = {}}},
    {"MemoryStreamStopsAfterTheGivenCount",
     {{{unit::kReadMemory}, 3s, Data(1000, 0xFF)}, {{}, 1s, {}}},
     true,
     {.silence = Faults::Silence{unit::kReadMemory, 0, 1000}, .wrongReplies = {}}},
    // A wrong reply replaces its byte with none, one or more bytes, on every or one occurrence.
    {"WrongRepliesReplaceDropOrAddBytes",
     {{{unit::kDeleteKey, 0x00, 0x01}, 4s, {0x00, 0x01, 0x15}},
      {{unit::kSetAccessCode, 0x00, 0x2A}, 1s, {0x00, 0x2A}},
      {{unit::kReadReader}, 50ms, Data(14, 0x00)},
      {{unit::kPing}, 50ms, {unit::kAck}},
      {{unit::kPing}, 50ms, {0x00}},
      {{unit::kPing}, 50ms, {0x33, unit::kAck}},
      {{unit::kPing}, 50ms, {unit::kAck}}},
     true,
     {.silence = {},
      .wrongReplies = {{unit::kDeleteKey, 0, 2, {0x15}},
                       {unit::kSetAccessCode, 0, 2, {}},
                       {unit::kReadReader, 0, 12, {0x00, 0x00}},
                       {unit::kPing, 2, 0, {0x00}},
                       {unit::kPing, 3, 0, {0x33, unit::kAck}}}}},
    // The hello is reply 0 of the login, the ack of block k reply k + 1 of the memory write.
    {"WrongHelloAndWrongBlockAck",
     {{kGreeting, 50ms, {0x08}},
      {{unit::kHello, 0x12, 0x6F}, 50ms, {unit::kAccepted}},
      {{unit::kWriteMemory.begin(), unit::kWriteMemory.end()}, 200ms, {unit::kWriteReady}},
      {kBlock, 500ms, {unit::kAck}},
      {kBlock, 500ms, {0x15}}},
     false,
     {.silence = {},
      .wrongReplies = {{unit::kLoginStart, 0, 0, {0x08}}, {unit::kWriteMemory[0], 0, 2, {0x15}}}}},
    {"RefusedAccessCodeGetsHelloButNoAcceptance",
     {{kGreeting, 50ms, {unit::kHello}}, {{unit::kHello, 0x12, 0x6F}, 1s, {}}, {{unit::kPing}, 1s, {}}},
     false,
     {.silence = {}, .wrongReplies = {}, .refuseAccessCode = true}},
};

class UnitScript : public UnitFixture, public ::testing::WithParamInterface<Script> {
 protected:
  UnitScript() : UnitFixture(GetParam().config) {}
};

TEST_P(UnitScript, AnswersByteForByteOnTime) {
  unit_.SetFaults(GetParam().faults);
  if (GetParam().loggedIn) {
    ASSERT_NO_FATAL_FAILURE(Login());
  }
  const std::vector<Step>& steps = GetParam().steps;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    SendBytes(steps[i].send);
    EXPECT_TRUE(BytesEqual(steps[i].reply, Collect(steps[i].window))) << "step " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Unit, UnitScript, ::testing::ValuesIn(kScripts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoggedInUnit, ReaderReportsTheHeldKeyPacedByTheWire) {
  Data held{0x01};
  held.insert(held.end(), kCode.begin(), kCode.end());
  unit_.HoldKey(kCode);
  Send({unit::kReadReader});
  // Thirteen bytes take 6.8 ms on the wire: the last one cannot be there with the first twelve.
  clock_.Advance(SimulatedUnit::kTurnaround + 12 * SimulatedUnit::kByteTime);
  Data first(32);
  first.resize(unit_.Read(first, clock_.Now()));
  EXPECT_TRUE(BytesEqual(std::span(held).first(12), first));
  EXPECT_TRUE(BytesEqual(std::span(held).subspan(12), Collect(50ms)));
  unit_.ReleaseKey();
  Send({unit::kReadReader});
  EXPECT_TRUE(BytesEqual(Data(13, 0x00), Collect(50ms)));
}

class UnitRecords : public LoggedInUnit {
 protected:
  UnitRecords() : LoggedInUnit(UnitConfig{.recordSize = 20}) {}
  Data Record(int id) const {
    const auto begin = unit_.Memory().begin() + id * 20;
    return {begin, begin + 20};
  }
};

TEST_F(UnitRecords, SaveStoresTheKeyWithItsCutCommentAndDeleteZeroesTheCode) {
  Send({unit::kSaveKey});
  EXPECT_TRUE(BytesEqual({}, Collect(200ms)));
  Data head{0x01, 0x2C};  // record 300
  head.insert(head.end(), kCode.begin(), kCode.end());
  head.insert(head.end(), {0x05, 0x00, 0x80});  // floors 1, 3 and 24
  for (std::size_t i = 0; i < head.size(); ++i) {
    Send({head[i]});
    Data echo{head[i]};
    if (i + 1 == head.size()) echo.push_back(unit::kAck);
    EXPECT_TRUE(BytesEqual(echo, Collect(200ms))) << "byte " << i;
  }
  // The comment goes unanswered up to its zero, and only its first five bytes fit the record.
  Send({'D', 'o', 'o', 'r', 'w', 'a', 'y'});
  EXPECT_TRUE(BytesEqual({}, Collect(200ms)));
  Send({0x00});
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), Collect(1s)));
  Data record(head.begin() + 2, head.end());
  record.insert(record.end(), {'D', 'o', 'o', 'r', 'w'});
  EXPECT_TRUE(BytesEqual(record, Record(300)));
  EXPECT_TRUE(BytesEqual(Data(20, 0xFF), Record(301)));
  unit_.HoldKey(kCode);

  // The ack comes about half a second after the echoes, well before the program looks 3.6 s on.
  Send({unit::kDeleteKey, 0x01, 0x2C});
  EXPECT_TRUE(BytesEqual(Bytes({0x01, 0x2C}), Collect(200ms)));
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), Collect(1s)));
  std::fill_n(record.begin(), kCode.size(), 0x00);
  EXPECT_TRUE(BytesEqual(record, Record(300)));
  unit_.HoldKey(kCode);
  ASSERT_EQ(unit_.Log().size(), 2u);
  EXPECT_TRUE(unit_.Log()[0].granted);
  EXPECT_FALSE(unit_.Log()[1].granted);
}

// Holds 0x04 and 0x03 bytes, which inside a block or a stream are data.
std::array<std::uint8_t, unit::kMemorySize> Pattern() {
  std::array<std::uint8_t, unit::kMemorySize> image{};
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  return image;
}

class UnitTransfers : public LoggedInUnit {
 protected:
  void SetUp() override {
    LoggedInUnit::SetUp();
    unit_.LoadMemory(Pattern());
  }

  // Polls every 150 ms as the program does until the erase is done; the program fails on an
  // empty poll, so every poll must hold a byte.
  Data PollErase() {
    Data all;
    for (int poll = 0; poll < 100 && (all.empty() || all.back() != unit::kEraseDone); ++poll) {
      const Data part = Collect(150ms);
      EXPECT_FALSE(part.empty()) << "poll " << poll;
      all.insert(all.end(), part.begin(), part.end());
    }
    return all;
  }
};

TEST_F(UnitTransfers, MemoryStreamNeverExceeds950BytesInASecondAndCarriesTheWholeMemory) {
  Send({unit::kReadMemory});
  Data received;
  for (int tick = 0; received.size() < unit::kMemorySize; ++tick) {
    ASSERT_LT(tick, 70);
    const Data part = Collect(1s);
    EXPECT_GE(part.size(), 1u);
    EXPECT_LE(part.size(), 950u) << "tick " << tick;
    received.insert(received.end(), part.begin(), part.end());
  }
  EXPECT_TRUE(BytesEqual(Pattern(), received));
  Send({unit::kPing});
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), Collect(50ms)));
}

TEST_F(UnitTransfers, StopEndsTheStreamAndHangUpEndsTheSessionToo) {
  Send({unit::kReadMemory});
  EXPECT_GT(Collect(1s).size(), 900u);
  Send({unit::kStop});
  EXPECT_LE(Collect(1s).size(), 1u);  // a byte already on the wire
  Send({unit::kPing});
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), Collect(50ms)));

  Send({unit::kReadMemory});
  Collect(500ms);
  Send({unit::kHangUp});
  EXPECT_LE(Collect(1s).size(), 1u);
  Send({unit::kPing});
  EXPECT_TRUE(BytesEqual({}, Collect(1s)));
}

TEST_F(UnitTransfers, MemoryWriteAcksEveryCompleteBlockAndStoresTheImage) {
  unit_.LoadMemory(std::array<std::uint8_t, unit::kMemorySize>{});
  Send({0x1D, 0x07});
  EXPECT_TRUE(BytesEqual({}, Collect(200ms)));
  Send({0x1A});
  EXPECT_TRUE(BytesEqual(Bytes({unit::kWriteReady}), Collect(200ms)));
  const auto image = Pattern();
  for (std::size_t at = 0; at < image.size(); at += unit::kBlockSize) {
    auto block = std::span(image).subspan(at, unit::kBlockSize);
    if (at == 0) {
      SendBytes(block.first(unit::kBlockSize - 1));
      ASSERT_TRUE(BytesEqual({}, Collect(500ms)));
      block = block.last(1);
    }
    SendBytes(block);
    ASSERT_TRUE(BytesEqual(Bytes({unit::kAck}), Collect(500ms))) << "block at " << at;
  }
  EXPECT_TRUE(BytesEqual(image, unit_.Memory()));
  Send({unit::kPing});
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), Collect(50ms)));
}

TEST_F(UnitTransfers, EraseReportsProgressAtEveryPollForAboutTwoSecondsThenEmptiesTheLogOrTheKeys) {
  Data replies(SimulatedUnit::kEraseTicks + 2, unit::kEraseProgress);
  replies.front() = unit::kEraseStarted;
  replies.back() = unit::kEraseDone;
  unit_.HoldKey(KeyCode{1, 2, 3, 4, 5, 6, 7, 8});
  SendBytes(unit::kDeleteAllLogs);
  const SimTime start = clock_.Now();
  EXPECT_TRUE(BytesEqual(replies, PollErase()));
  EXPECT_GE(clock_.Now() - start, 1950ms);
  EXPECT_TRUE(unit_.Log().empty());
  EXPECT_TRUE(BytesEqual(Pattern(), unit_.Memory()));
  SendBytes(unit::kDeleteAllKeys);
  EXPECT_TRUE(BytesEqual(replies, PollErase()));
  EXPECT_TRUE(BytesEqual(Data(unit::kMemorySize, 0xFF), unit_.Memory()));
}

}  // namespace
}  // namespace qel::sim::test
