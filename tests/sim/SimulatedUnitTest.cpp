#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "link/UnitCommands.h"
#include "sim/SimulatedUnit.h"
#include "sim/VirtualClock.h"
#include "sim/VirtualSerialDevice.h"
#include "tests/support/ByteMatch.h"

namespace qel::sim::test {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using qel::test::Bytes;
using qel::test::BytesEqual;
using Data = std::vector<std::uint8_t>;

// The start of every login: hang-up, login start, USB transport and the greeting.
const Data kGreeting{unit::kHangUp, unit::kLoginStart, unit::kTransportUsb, 'Q', 'E', 'L'};
constexpr KeyCode kCode{'0', 'F', '5', 'E', '4', 'D', '3', 'C', '2', 'B', '1', 'A'};

// One exchange: the bytes sent, and everything the unit answers within `window` after the last.
struct Step {
  Data send;
  SimTime window{};
  Data reply;
};

// Exchanges separated by "|": the bytes sent, "/" with the time waited after the last, the bytes
// answered within it. Bytes are hex pairs, a pair repeated ("FF*1000") or 'text' without spaces.
std::vector<Step> Steps(std::string_view script) {
  std::vector<Step> steps(1);
  Data* bytes = &steps.back().send;
  std::istringstream words{std::string(script)};
  for (std::string word; words >> word;) {
    if (word == "|") {
      steps.emplace_back();
      bytes = &steps.back().send;
    } else if (word[0] == '/') {
      const long long n = std::stoll(word.substr(1));
      steps.back().window = word.ends_with("us")   ? SimTime(n)
                            : word.ends_with("ms") ? SimTime(std::chrono::milliseconds(n))
                                                   : SimTime(std::chrono::seconds(n));
      bytes = &steps.back().reply;
    } else if (word[0] == '\'') {
      bytes->insert(bytes->end(), word.begin() + 1, word.end() - 1);
    } else {
      const std::size_t times = word.size() > 2 ? std::stoul(word.substr(3)) : 1;
      bytes->insert(bytes->end(), times,
                    static_cast<std::uint8_t>(std::stoul(word.substr(0, 2), nullptr, 16)));
    }
  }
  return steps;
}

// Drives one simulated unit on its own virtual clock the way a serial line would: bytes reach the
// unit one wire time apart, and replies are collected over a window of virtual time.
class UnitFixture : public ::testing::Test {
 protected:
  explicit UnitFixture(UnitConfig config = {}) : unit_(std::move(config)) {}

  void SendBytes(std::span<const std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) {
      clock_.Advance(SimulatedUnit::kByteTime);
      unit_.Receive(b, clock_.Now());
    }
  }
  // Everything the unit makes available within `window` from now; the clock ends there.
  Data Collect(SimTime window) {
    clock_.Advance(window);
    Data out(unit::kMemorySize + 256);
    out.resize(unit_.Read(out, clock_.Now()));
    return out;
  }
  Data Exchange(const Data& bytes, SimTime window) {
    SendBytes(bytes);
    return Collect(window);
  }
  // Plays the exchanges of `script` (see Steps), each reply checked.
  void Play(std::string_view script) {
    const std::vector<Step> steps = Steps(script);
    for (std::size_t i = 0; i < steps.size(); ++i)
      EXPECT_TRUE(BytesEqual(steps[i].reply, Exchange(steps[i].send, steps[i].window))) << "step " << i;
  }
  void Login() {
    ASSERT_TRUE(BytesEqual(Bytes({unit::kHello}), Exchange(kGreeting, 50ms)));
    ASSERT_TRUE(BytesEqual(Bytes({unit::kAccepted}), Exchange({unit::kHello, 0x12, 0x6F}, 50ms)));
  }

  VirtualClock clock_;
  SimulatedUnit unit_;
};

Faults Silent(std::uint8_t command, int occurrence, int afterReplies) {
  return {.silence = Faults::Silence{command, occurrence, afterReplies}, .wrongReplies = {}};
}
Faults Wrong(std::vector<Faults::WrongReply> replies) {
  return {.silence = {}, .wrongReplies = std::move(replies)};
}

// A session with a unit built from `config` with `faults`, logged in first or not, with a key
// held at its reader or not.
struct Script {
  const char* name;
  std::string_view steps;
  bool loggedIn = true;
  Faults faults = {};
  UnitConfig config = {};
  std::optional<KeyCode> held = {};
  friend void PrintTo(const Script& script, std::ostream* out) { *out << script.name; }
};

// The bytes: 04 hang-up, 01 login start, A7 USB, A6 Bluetooth, 51 45 4C greeting, 07 hello, 01
// accepted, 05 ping, 06 ack, 15 refused; 6B reader, 54 clock, 24 set clock (year, month, day, hour,
// minute, second), 1E set name, FF name end, 4E name, 23 set and 53 get record size, 1F set and 4F
// get access time, 19 set and 49 get relay setup, 3F 01 firmware, 7A idle, 76 dialog mark, 20 set
// access code, 13 delete and 11 save key, 52 read memory, 1D 07 1A write memory, 4E write ready.
const Script kScripts[] = {
    // The program writes 04 01 in one tick and each later byte one tick (50 ms) apart.
    {"LoginPacedAsTheProgramSendsIt",
     "04 01 /50ms | A7 /50ms | 51 /50ms | 45 /50ms | 4C /50ms 07 | 07 12 6F /50ms 01 | 05 /50ms 06", false},
    {"WrongGreetingTransportOrCodeGetNoAnswer",
     "04 01 A7 51 58 4C /1s | 04 01 A5 51 45 4C /1s | 04 01 A7 51 45 4C /50ms 07 | 07 12 70 /1s | 05 4F /1s",
     false},
    {"BluetoothLoginThenHangUpEndsTheSession",
     "04 01 A6 51 45 4C /50ms 07 | 07 12 6F /50ms 01 | 05 /50ms 06 | 04 05 /1s", false},
    {"CodeBytesEqualToHangUpAreData",
     "04 01 A7 51 45 4C 07 04 04 /50ms 07 01",
     false,
     {},
     {.accessCode = 0x0404}},
    // Thirteen bytes take 6.8 ms on the wire: after the 2 ms turnaround and 12 byte times the last
    // one cannot be there.
    {"ReaderReportsTheHeldKeyPacedByTheWire", "6B /8252us 01 '0F5E4D3C2B1' | /50ms 'A'", true, {}, {}, kCode},
    // Packed BCD, seconds first, ISO day of week: 2026-03-14 09:26:53 is a Saturday. 2026-02-30
    // is refused.
    {"ClockRunsWithTimeAndRefusesAnImpossibleDate",
     "54 /100ms 53 26 09 06 14 03 26 | /70s | 24 1A 02 1E 0C 00 00 /2s 1A 02 1E 0C 00 00 15 | "
     "54 /100ms 05 28 09 06 14 03 26"},
    // The echoes come at once, the ack 1.8 s later (the program looks for it 2.2 s on); 2019-12-31
    // 23:59:50 rolls over into a Wednesday.
    {"ClockSetAcksAfterAboutTwoSecondsAndRollsOverIntoTheNewYear",
     "24 13 0C 1F 17 3B 32 /200ms 13 0C 1F 17 3B 32 | /1500ms | /400ms 06 | /12900ms | "
     "54 /100ms 05 00 00 03 01 01 20"},
    {"NameIsEchoedByteByByteWithOneMoreEnd",
     "1E /200ms | 'H' /200ms 'H' | 'i' /200ms 'i' | FF /200ms FF FF | 4E /1s 'Hi' FF | 1E FF /200ms FF FF | "
     "4E /1s FF"},
    {"SettingValuesInRangeAreAckedAndOthersRefused",
     "23 32 /200ms 06 | 23 FB /200ms 15 | 23 0E /200ms 15 | 1F 00 /200ms 06 | 1F 79 /200ms 15 | "
     "19 BF /200ms 06 | 53 /100ms 32 | 4F /100ms 00 | 49 /100ms BF | 3F 01 /1s 'QEL' 20 '2.14' 20 'sim' | "
     "7A 76 /1s | 05 /10ms 06"},
    {"AccessCodeTakesEffectAtTheNextLogin",
     "20 /200ms | 00 /200ms 00 | 2A /200ms 2A 06 | 04 01 A7 51 45 4C /50ms 07 | 07 00 2A /50ms 01"},
    // With 100-byte records, record 655 would end past 65,536 bytes.
    {"RecordsOutsideMemoryAreEchoedButNotAcknowledged",
     "13 02 8F /4s 02 8F | 11 02 8F 01 02 03 04 05 06 07 08 00*4 01 00 00 /4s "
     "02 8F 01 02 03 04 05 06 07 08 00*4 01 00 00 | 00 /2s"},
    {"MemoryWriteAcksEveryCompleteBlock",
     "1D 07 /200ms | 1A /200ms 4E | 00*127 /500ms | 00 /500ms 06 | 00*128 /500ms 06"},
    {"StalledCommandIsDroppedAfterTheDataTimeout", "11 00 01 /11s 00 01 | 05 /50ms 06"},
    {"BrokenEraseSequenceStartsNothing", "18 08 13 28 11 /3s"},
    // Faults.
    {"SilenceFromTheSecondPingIsForGood", "05 /50ms 06 | 05 /1s | 04 01 A7 51 45 4C /1s", true,
     Silent(unit::kPing, 2, 0)},
    {"SilenceAfterSomeRepliesCutsTheAnswerShort", "13 00 01 /4s 00 01 | 05 /1s", true,
     Silent(unit::kDeleteKey, 0, 2)},
    {"MemoryStreamStopsAfterTheGivenCount", "52 /3s FF*1000 | /1s", true, Silent(unit::kReadMemory, 0, 1000)},
    // A wrong reply replaces its byte with none, one or more bytes, on every or one occurrence.
    {"WrongRepliesReplaceDropOrAddBytes",
     "13 00 01 /4s 00 01 15 | 20 00 2A /1s 00 2A | 6B /50ms 00*14 | 05 /50ms 06 | 05 /50ms 00 | "
     "05 /50ms 33 06 | 05 /50ms 06",
     true,
     Wrong({{unit::kDeleteKey, 0, 2, {0x15}},
            {unit::kSetAccessCode, 0, 2, {}},
            {unit::kReadReader, 0, 12, {0x00, 0x00}},
            {unit::kPing, 2, 0, {0x00}},
            {unit::kPing, 3, 0, {0x33, unit::kAck}}})},
    // The hello is reply 0 of the login, the ack of block k reply k + 1 of the memory write.
    {"WrongHelloAndWrongBlockAck",
     "04 01 A7 51 45 4C /50ms 08 | 07 12 6F /50ms 01 | 1D 07 1A /200ms 4E | 00*128 /500ms 06 | 00*128 /500ms "
     "15",
     false, Wrong({{unit::kLoginStart, 0, 0, {0x08}}, {unit::kWriteMemory[0], 0, 2, {0x15}}})},
    {"RefusedAccessCodeGetsHelloButNoAcceptance",
     "04 01 A7 51 45 4C /50ms 07 | 07 12 6F /1s | 05 /1s",
     false,
     {.silence = {}, .wrongReplies = {}, .refuseAccessCode = true}},
};

class UnitScript : public UnitFixture, public ::testing::WithParamInterface<Script> {
 protected:
  UnitScript() : UnitFixture(GetParam().config) {}
};

TEST_P(UnitScript, AnswersByteForByteOnTime) {
  unit_.SetFaults(GetParam().faults);
  if (GetParam().held) unit_.HoldKey(*GetParam().held);
  if (GetParam().loggedIn) {
    ASSERT_NO_FATAL_FAILURE(Login());
  }
  Play(GetParam().steps);
}

INSTANTIATE_TEST_SUITE_P(Unit, UnitScript, ::testing::ValuesIn(kScripts),
                         [](const auto& info) { return std::string(info.param.name); });

// Record 300 of 20-byte records, whose comments hold five bytes: every byte up to the floors (1, 3
// and 24) is echoed, the last with the ack; the comment goes unanswered up to its zero.
constexpr std::string_view kSaveRecord300 =
    "11 /200ms | 01 /200ms 01 | 2C /200ms 2C | '0' /200ms '0' | 'F' /200ms 'F' | '5' /200ms '5' | "
    "'E' /200ms 'E' | '4' /200ms '4' | 'D' /200ms 'D' | '3' /200ms '3' | 'C' /200ms 'C' | '2' /200ms '2' | "
    "'B' /200ms 'B' | '1' /200ms '1' | 'A' /200ms 'A' | 05 /200ms 05 | 00 /200ms 00 | 80 /200ms 80 06 | ";

class UnitRecords : public UnitFixture {
 protected:
  UnitRecords() : UnitFixture(UnitConfig{.recordSize = 20}) {}
  void SetUp() override { Login(); }
  std::string_view Record(int id) const {
    return {reinterpret_cast<const char*>(unit_.Memory().data()) + id * 20, 20};
  }
};

TEST_F(UnitRecords, SaveStoresTheKeyWithItsCommentCutOrZeroPaddedAndDeleteZeroesTheCode) {
  Play(std::string(kSaveRecord300) + "'Doorway' /200ms | 00 /1s 06");
  EXPECT_TRUE(
      BytesEqual("0F5E4D3C2B1A\x05\x00\x80"
                 "Doorw"s,
                 Record(300)));
  EXPECT_TRUE(BytesEqual(std::string(20, '\xFF'), Record(301)));
  Play(std::string(kSaveRecord300) + "'Hall' /200ms | 00 /1s 06");
  EXPECT_TRUE(
      BytesEqual("0F5E4D3C2B1A\x05\x00\x80"
                 "Hall\0"s,
                 Record(300)));
  unit_.HoldKey(kCode);

  // The ack comes about half a second after the echoes, well before the program looks 3.6 s on.
  Play("13 01 2C /200ms 01 2C | /1s 06");
  EXPECT_TRUE(BytesEqual(std::string(12, '\0') + "\x05\x00\x80"
                                                 "Hall\0"s,
                         Record(300)));
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

class UnitTransfers : public UnitFixture {
 protected:
  void SetUp() override {
    Login();
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

TEST_F(UnitTransfers, MemoryStreamCarriesTheWholeMemoryAtMost950BytesASecondUntilStopOrHangUp) {
  EXPECT_GT(Exchange({unit::kReadMemory}, 1s).size(), 900u);
  EXPECT_LE(Exchange({unit::kStop}, 1s).size(), 1u);  // a byte already on the wire
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), Exchange({unit::kPing}, 50ms)));

  SendBytes(Bytes({unit::kReadMemory}));
  Data received;
  for (int tick = 0; received.size() < unit::kMemorySize; ++tick) {
    ASSERT_LT(tick, 70);
    const Data part = Collect(1s);
    EXPECT_GE(part.size(), 1u);
    EXPECT_LE(part.size(), 950u) << "tick " << tick;
    received.insert(received.end(), part.begin(), part.end());
  }
  EXPECT_TRUE(BytesEqual(Pattern(), received));
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), Exchange({unit::kPing}, 50ms)));

  Exchange({unit::kReadMemory}, 500ms);
  EXPECT_LE(Exchange({unit::kHangUp}, 1s).size(), 1u);
  EXPECT_TRUE(BytesEqual({}, Exchange({unit::kPing}, 1s)));
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

// The line and the unit share the fixture's clock; logins go to the unit directly.
class VirtualLine : public UnitFixture {
 protected:
  VirtualLine() {
    device_.AttachUnit("/dev/ttyUSB0", unit_);
    device_.AddSilentPort("/dev/ttyS0");
    device_.AddUnavailablePort("/dev/ttyUSB1", SerialResult::Busy);
    device_.AddRefusingPort("/dev/rfcomm0");
  }
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

TEST_F(VirtualLine, OpensEachKindOfPortReleasingTheOneBeforeAndWritesOnlyWhileOpenAtWireTime) {
  EXPECT_FALSE(device_.Write(Bytes({0x05})));
  EXPECT_EQ(device_.Open("/dev/ttyUSB1"), SerialResult::Busy);
  EXPECT_EQ(device_.LastError(), "Device or resource busy");
  EXPECT_EQ(device_.Open("/dev/rfcomm0"), SerialResult::Ok);
  EXPECT_EQ(device_.ConfigureLine(), SerialResult::Refused);
  EXPECT_EQ(device_.Open("/dev/ttyUSB7"), SerialResult::NotFound);
  EXPECT_FALSE(device_.IsOpen());
  EXPECT_EQ(device_.OpenPath(), "");
  EXPECT_EQ(device_.Open("/dev/ttyS0"), SerialResult::Ok);
  EXPECT_EQ(device_.ConfigureLine(), SerialResult::Ok);
  EXPECT_EQ(device_.ApplyTimeouts(), SerialResult::Ok);
  EXPECT_EQ(device_.OpenPath(), "/dev/ttyS0");
  EXPECT_EQ(device_.OpenAttempts(),
            (std::vector<std::string>{"/dev/ttyUSB1", "/dev/rfcomm0", "/dev/ttyUSB7", "/dev/ttyS0"}));
  EXPECT_EQ(clock_.Now(), SimTime{0});
  ASSERT_TRUE(device_.Write(Data(unit::kBlockSize, 0x00)));
  ASSERT_TRUE(device_.Write(Bytes({0x05})));
  ASSERT_EQ(device_.Written().size(), 129u);
  EXPECT_EQ(device_.Written().back().at, 129 * SimulatedUnit::kByteTime);  // about 67 ms
  EXPECT_EQ(device_.WrittenBytes().back(), 0x05);
  EXPECT_TRUE(Read().empty());  // the port is silent: the read waits its 10 ms
  EXPECT_EQ(clock_.Now(), 129 * SimulatedUnit::kByteTime + 10ms);
}

TEST_F(VirtualLine,
       ReadWaitsForTheReplyDueWithinTenMillisecondsTakesNoMoreThanAskedAndPurgeDropsWhatArrived) {
  OpenLoggedIn();
  device_.Write(Bytes({unit::kPing}));
  const SimTime due = *unit_.NextOutputTime();
  ASSERT_LT(due - clock_.Now(), 10ms);
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), Read()));
  EXPECT_EQ(clock_.Now(), due);

  device_.Write(Bytes({unit::kSetClock, 13, 6, 25, 14, 5, 9}));
  clock_.Advance(50ms);
  device_.Purge();
  const SimTime before = clock_.Now();
  EXPECT_TRUE(Read().empty());  // the echoes are dropped, the ack is 1.8 s away
  EXPECT_EQ(clock_.Now() - before, 10ms);
  clock_.Advance(2s);
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), Read()));
  device_.Write(Bytes({unit::kReadMemory}));
  clock_.Advance(2s);
  EXPECT_EQ(Read(950).size(), 950u);
  EXPECT_FALSE(Read(950).empty());
}

}  // namespace
}  // namespace qel::sim::test
