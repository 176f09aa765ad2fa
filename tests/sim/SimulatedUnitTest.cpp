#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "keystore/KeyCode.h"
#include "link/UnitCommands.h"
#include "sim/ConsoleCommands.h"
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

constexpr KeyCode kCode{'0', 'F', '5', 'E', '4', 'D', '3', 'C', '2', 'B', '1', 'A'};

// Drives one simulated unit on its own virtual clock the way a serial line would: bytes reach the
// unit one wire time apart, and replies are collected over a window of virtual time.
class UnitFixture : public ::testing::Test {
 protected:
  explicit UnitFixture(UnitConfig config = {}) : unit_(std::move(config)) {}

  // Sends the bytes one wire time apart, then takes everything the unit makes available within
  // `window`; the clock ends there.
  Data Exchange(const Data& bytes, SimTime window) {
    for (std::uint8_t b : bytes) {
      clock_.Advance(SimulatedUnit::kByteTime);
      unit_.Receive(b, clock_.Now());
    }
    clock_.Advance(window);
    Data out(unit::kMemorySize + 256);
    out.resize(unit_.Read(out, clock_.Now()));
    return out;
  }
  // Plays `script`: exchanges separated by "|", each the bytes sent, "/" with the time waited after
  // the last, and the bytes that must come within it. Bytes are hex pairs, a pair repeated
  // ("FF*1000") or 'text' without spaces.
  void Play(std::string_view script) {
    std::istringstream words{std::string(script) + " |"};
    Data send, reply;
    Data* bytes = &send;
    SimTime window{};
    for (std::string word; words >> word;) {
      if (word == "|") {
        EXPECT_TRUE(BytesEqual(reply, Exchange(send, window)))
            << script << ": the step sending " << qel::test::HexDump(send);
        send.clear();
        reply.clear();
        window = {};
        bytes = &send;
      } else if (word[0] == '/') {
        const long long unit = word.ends_with("us") ? 1 : word.ends_with("ms") ? 1000 : 1'000'000;
        window = SimTime(std::stoll(word.substr(1)) * unit);
        bytes = &reply;
      } else if (word[0] == '\'') {
        bytes->insert(bytes->end(), word.begin() + 1, word.end() - 1);
      } else {
        const std::size_t times = word.size() > 2 ? std::stoul(word.substr(3)) : 1;
        bytes->insert(bytes->end(), times,
                      static_cast<std::uint8_t>(std::stoul(word.substr(0, 2), nullptr, 16)));
      }
    }
  }
  void Login() { Play("04 01 A7 51 45 4C /50ms 07 | 07 12 6F /50ms 01"); }

  VirtualClock clock_;
  SimulatedUnit unit_;
};

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
  std::string_view memory = {};  // the first bytes of the memory, the rest erased
  friend void PrintTo(const Script& script, std::ostream* out) { *out << script.name; }
};

// The bytes: 04 hang-up, 01 login start, A7 USB, A6 Bluetooth, 51 45 4C greeting, 07 hello, 01
// accepted, 05 ping, 06 ack, 15 refused; 6B reader, 54 clock, 24 set clock (year, month, day, hour,
// minute, second), 1E set name, FF name end, 4E name, 23 set and 53 get record size, 1F set and 4F
// get access time, 19 set and 49 get relay setup, 3F 01 firmware, 7A idle, 76 dialog mark, 20 set
// access code, 13 delete and 11 save key, 52 read memory, 1D 07 1A write memory, 4E write ready.
const Script kScripts[] = {
    {"WrongGreetingTransportOrCodeGetNoAnswer",
     "04 01 A7 51 58 4C /1s | 04 01 A5 51 45 4C /1s | 04 01 A7 51 45 4C /50ms 07 | 07 12 70 /1s | 05 4F /1s",
     false},
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
    // With 100-byte records, record 655 would end past 65,536 bytes.
    {"RecordsOutsideMemoryAreEchoedButNotAcknowledged",
     "13 02 8F /4s 02 8F | 11 02 8F 01 02 03 04 05 06 07 08 00*4 01 00 00 /4s "
     "02 8F 01 02 03 04 05 06 07 08 00*4 01 00 00 | 00 /2s"},
    // At most 950 bytes a second; a stop or a hang-up drops the rest but the byte already on the wire.
    {"MemoryStreamEndsAtStopOrHangUp",
     "52 /1s FF*948 | 03 /1s FF | 05 /50ms 06 | 52 /500ms FF*473 | 04 /1s FF | 05 /1s"},
    // A progress byte every 50 ms for about two seconds; erasing the log keeps the memory,
    // erasing the keys empties it.
    {.name = "EraseReportsProgressThenEmptiesTheLogOrTheKeys",
     .steps = "28 08 13 /150ms 07 0A 0A | /1900ms 0A*38 | /1ms 03 | 52 /3ms 'K' | 03 /1s | "
              "18 08 11 /2051ms 07 0A*40 03 | 52 /3ms FF | 03 /1s",
     .memory = "KEY"},
    {"StalledCommandIsDroppedAfterTheDataTimeout", "11 00 01 /11s 00 01 | 05 /50ms 06"},
    {"BrokenEraseSequenceStartsNothing", "18 08 13 28 11 /3s"},
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
};

class UnitScript : public UnitFixture, public ::testing::WithParamInterface<Script> {
 protected:
  UnitScript() : UnitFixture(GetParam().config) {}
};

TEST_P(UnitScript, AnswersByteForByteOnTime) {
  unit_.SetFaults(GetParam().faults);
  if (GetParam().held) unit_.HoldKey(*GetParam().held);
  std::array<std::uint8_t, unit::kMemorySize> memory;
  memory.fill(0xFF);
  std::copy(GetParam().memory.begin(), GetParam().memory.end(), memory.begin());
  unit_.LoadMemory(memory);
  if (GetParam().loggedIn) {
    ASSERT_NO_FATAL_FAILURE(Login());
  }
  Play(GetParam().steps);
}

INSTANTIATE_TEST_SUITE_P(Unit, UnitScript, ::testing::ValuesIn(kScripts),
                         [](const auto& info) { return std::string(info.param.name); });

class UnitRecords : public UnitFixture {
 protected:
  UnitRecords() : UnitFixture(UnitConfig{.recordSize = 20}) {}
  void SetUp() override { Login(); }
  // Records 300 and 301.
  std::string_view Records() const {
    return {reinterpret_cast<const char*>(unit_.Memory().data()) + 300 * 20, 40};
  }
};

TEST_F(UnitRecords, SaveStoresTheKeyWithItsCommentCutOrZeroPaddedAndDeleteZeroesTheCode) {
  // Record 300 of 20-byte records, whose comments hold five bytes: every byte after the command
  // up to the floors (1, 3 and 24) is echoed, the last with the ack; the comment goes unanswered
  // up to its zero.
  const std::string save = "11 01 2C '0F5E4D3C2B1A' 05 00 80 /200ms 01 2C '0F5E4D3C2B1A' 05 00 80 06 | ";
  const std::string floors = "\x05\x00\x80"s;
  const std::string erased(20, '\xFF');
  Play(save + "'Doorway' /200ms | 00 /1s 06");
  EXPECT_TRUE(BytesEqual("0F5E4D3C2B1A" + floors + "Doorw" + erased, Records()));
  unit_.HoldKey(kCode);
  // The delete's ack comes about half a second after the echoes, well before the program looks
  // 3.6 s on.
  Play(save + "'Hall' /200ms | 00 /1s 06 | 13 01 2C /200ms 01 2C | /1s 06");
  EXPECT_TRUE(BytesEqual(std::string(12, '\0') + floors + "Hall\0"s + erased, Records()));
  unit_.HoldKey(kCode);
  ASSERT_EQ(unit_.Log().size(), 2u);
  EXPECT_TRUE(unit_.Log()[0].granted);
  EXPECT_FALSE(unit_.Log()[1].granted);
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

  VirtualSerialDevice device_{clock_};
};

TEST_F(VirtualLine, OpensEachKindOfPortReleasingTheOneBeforeAndWritesOnlyWhileOpenAtWireTime) {
  // Which paths open, and with what reason, the port search tests show.
  EXPECT_FALSE(device_.Write(Bytes({0x05})));
  EXPECT_TRUE(Read().empty());
  EXPECT_EQ(device_.Open("/dev/rfcomm0"), SerialResult::Ok);
  EXPECT_EQ(device_.ConfigureLine(), SerialResult::Refused);
  EXPECT_EQ(device_.Open("/dev/ttyUSB7"), SerialResult::NotFound);
  EXPECT_EQ(device_.Open("/dev/ttyUSB1"), SerialResult::Busy);
  EXPECT_EQ(device_.LastError(), "Device or resource busy");
  EXPECT_FALSE(device_.IsOpen());
  EXPECT_EQ(device_.OpenPath(), "");
  EXPECT_EQ(device_.Open("/dev/ttyS0"), SerialResult::Ok);
  EXPECT_EQ(device_.ConfigureLine(), SerialResult::Ok);
  EXPECT_EQ(device_.ApplyTimeouts(), SerialResult::Ok);
  EXPECT_EQ(device_.OpenPath(), "/dev/ttyS0");
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
  Login();
  ASSERT_EQ(device_.Open("/dev/ttyUSB0"), SerialResult::Ok);
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

const KeyCode kEight = *KeyCodeFromText("E9CDAB8967452301");
const KeyCode kTwelve = *KeyCodeFromText("0123456789ab");

TEST(ConsoleCommands, ParsesGoodLinesAndRefusesBadOnes) {
  const std::pair<std::string_view, ConsoleCommand> good[] = {
      {"hold 12", HoldCommand{StoredKeyId{12}, 3s}},
      {"  hold\t0 7\r", HoldCommand{StoredKeyId{0}, 7s}},
      {"hold new8 1", HoldCommand{NewKey::EightByte, 1s}},
      {"hold new12 3600", HoldCommand{NewKey::TwelveChar, 3600s}},
      {"hold 0123456789AB", HoldCommand{kTwelve, 3s}},
      {"hold E9CDAB8967452301 2", HoldCommand{kEight, 2s}},
      {"release", ReleaseCommand{}},
      {"keys", KeysCommand{}},
      {"help", HelpCommand{}},
      {" \t", std::monostate{}},
  };
  for (const auto& [line, command] : good) {
    const ParsedLine parsed = ParseConsoleLine(line);
    EXPECT_EQ(parsed.command, command) << line;
    EXPECT_EQ(parsed.error, "") << line;
  }
  // Digits whose XOR is not 0, a wrong CRC, durations out of range, other words.
  for (const std::string_view line : {"hold", "hold 1 0", "hold 1 3601", "hold 12345", "hold 0123456789AC",
                                      "hold 0100000000000000", "hold new9", "HOLD 1", "release now"}) {
    const ParsedLine parsed = ParseConsoleLine(line);
    EXPECT_EQ(parsed.command, std::nullopt) << line;
    EXPECT_NE(parsed.error, "") << line;
  }
}

TEST(ConsoleCommands, ChoosesAStoredKeyByIdOrANewValidKeyOfTheForm) {
  const std::vector<StoredKey> keys{{4, kTwelve, "0123456789AB", "Lift"}, {9, kEight, "", ""}};
  std::mt19937 random(5);
  EXPECT_EQ(ChooseKey(StoredKeyId{4}, keys, random), kTwelve);
  EXPECT_EQ(ChooseKey(StoredKeyId{9}, keys, random), kEight);
  EXPECT_EQ(ChooseKey(StoredKeyId{5}, keys, random), std::nullopt);
  EXPECT_EQ(ChooseKey(kEight, {}, random), kEight);
  EXPECT_TRUE(IsValidEightByteCode(ChooseKey(NewKey::EightByte, keys, random).value_or(KeyCode{})));
  EXPECT_TRUE(IsValidTwelveCharCode(ChooseKey(NewKey::TwelveChar, keys, random).value_or(KeyCode{})));
}

}  // namespace
}  // namespace qel::sim::test
