#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "UnitFixture.h"

namespace qel::sim::test {
namespace {

std::array<std::uint8_t, unit::kMemorySize> Pattern() {
  std::array<std::uint8_t, unit::kMemorySize> image{};
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  return image;
}

class UnitTransfers : public UnitFixture {
 protected:
  void SetUp() override { Login(); }
};

TEST_F(UnitTransfers, MemoryStreamNeverExceeds950BytesInASecondAndCarriesTheWholeMemory) {
  const auto image = Pattern();
  unit_.LoadMemory(image);
  Send({unit::kReadMemory});
  std::vector<std::uint8_t> received;
  for (int tick = 0; received.size() < image.size(); ++tick) {
    ASSERT_LT(tick, 80);
    const auto part = Collect(1s);
    EXPECT_GE(part.size(), 1u);
    EXPECT_LE(part.size(), 950u) << "tick " << tick;
    received.insert(received.end(), part.begin(), part.end());
  }
  EXPECT_TRUE(BytesEqual(image, received));
  Send({unit::kPing});
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), Collect(50ms)));
}

TEST_F(UnitTransfers, StopByteEndsTheStreamAndTheUnitTakesCommandsAgain) {
  Send({unit::kReadMemory});
  EXPECT_GT(Collect(1s).size(), 900u);
  Send({unit::kStop});
  const auto tail = Collect(1s);
  EXPECT_LE(tail.size(), 1u);  // a byte already on the wire
  Send({unit::kPing});
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), Collect(50ms)));
}

TEST_F(UnitTransfers, HangUpDuringTheStreamDropsItAndTheSession) {
  Send({unit::kReadMemory});
  Collect(500ms);
  Send({unit::kHangUp});
  EXPECT_LE(Collect(1s).size(), 1u);
  EXPECT_FALSE(unit_.LoggedIn());
}

TEST_F(UnitTransfers, MemoryWriteAcksEveryBlockAndStoresTheImage) {
  Send({0x1D, 0x07});
  EXPECT_TRUE(BytesEqual({}, Collect(200ms)));
  Send({0x1A});
  EXPECT_TRUE(BytesEqual(Bytes({unit::kWriteReady}), Collect(200ms)));
  // The pattern holds 0x04 and 0x03 bytes: inside a block they are data.
  const auto image = Pattern();
  for (int block = 0; block < unit::kBlockCount; ++block) {
    SendBytes(std::span(image).subspan(static_cast<std::size_t>(block) * unit::kBlockSize, unit::kBlockSize));
    ASSERT_TRUE(BytesEqual(Bytes({unit::kAck}), Collect(500ms))) << "block " << block;
  }
  EXPECT_TRUE(BytesEqual(image, unit_.Memory()));
  EXPECT_TRUE(unit_.LoggedIn());
  Send({unit::kPing});
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), Collect(50ms)));
}

TEST_F(UnitTransfers, BlockAckComesOnlyWhenTheBlockIsComplete) {
  Send({0x1D, 0x07, 0x1A});
  Collect(200ms);
  const std::vector<std::uint8_t> part(127, 0x11);
  SendBytes(part);
  EXPECT_TRUE(BytesEqual({}, Collect(500ms)));
  Send({0x11});
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), Collect(10ms)));
}

class UnitErase : public UnitTransfers {
 protected:
  // Polls every 150 ms as the program does, until 0x03 arrives; the program fails on an empty
  // poll, so every poll must hold a byte.
  std::vector<std::vector<std::uint8_t>> Poll() {
    std::vector<std::vector<std::uint8_t>> polls;
    while (polls.empty() || polls.back().empty() || polls.back().back() != unit::kEraseDone) {
      if (polls.size() > 100) break;
      polls.push_back(Collect(150ms));
    }
    return polls;
  }
};

TEST_F(UnitErase, DeleteAllKeysReportsProgressEveryPollAndErasesTheMemory) {
  unit_.LoadMemory(Pattern());
  Send({0x18});
  Send({0x08});
  Send({0x11});
  const auto polls = Poll();
  ASSERT_FALSE(polls.empty());
  EXPECT_EQ(polls.front().front(), unit::kEraseStarted);
  std::size_t progress = 0;
  for (std::size_t i = 0; i < polls.size(); ++i) {
    ASSERT_FALSE(polls[i].empty()) << "poll " << i;
    for (std::size_t j = 0; j < polls[i].size(); ++j) {
      const bool first = i == 0 && j == 0;
      const bool last = i + 1 == polls.size() && j + 1 == polls[i].size();
      if (!first && !last) {
        EXPECT_EQ(polls[i][j], unit::kEraseProgress) << "poll " << i << " byte " << j;
        ++progress;
      }
    }
  }
  EXPECT_EQ(progress, static_cast<std::size_t>(SimulatedUnit::kEraseTicks));
  EXPECT_GE(polls.size(), 13u);  // about two seconds
  EXPECT_TRUE(std::all_of(unit_.Memory().begin(), unit_.Memory().end(), [](auto b) { return b == 0xFF; }));
}

TEST_F(UnitErase, DeleteAllLogsClearsTheLogAndKeepsTheKeys) {
  unit_.LoadMemory(Pattern());
  unit_.HoldKey(KeyCode{1, 2, 3, 4, 5, 6, 7, 8});
  ASSERT_EQ(unit_.Log().size(), 1u);
  Send({0x28, 0x08, 0x13});
  const auto polls = Poll();
  EXPECT_EQ(polls.back().back(), unit::kEraseDone);
  EXPECT_TRUE(unit_.Log().empty());
  EXPECT_TRUE(BytesEqual(Pattern(), unit_.Memory()));
}

TEST_F(UnitErase, BrokenStartSequenceStartsNothing) {
  unit_.LoadMemory(Pattern());
  Send({0x18, 0x08, 0x13, 0x28, 0x11});
  EXPECT_TRUE(BytesEqual({}, Collect(3s)));
  EXPECT_TRUE(BytesEqual(Pattern(), unit_.Memory()));
}

// --- faults --------------------------------------------------------------------------------

class UnitFaults : public UnitFixture {};

TEST_F(UnitFaults, SilenceFromTheSecondPingKillsTheUnitForGood) {
  Faults faults;
  faults.silence = Faults::Silence{unit::kPing, 2, 0};
  unit_.SetFaults(faults);
  Login();
  Send({unit::kPing});
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAck}), Collect(50ms)));
  Send({unit::kPing});
  EXPECT_TRUE(BytesEqual({}, Collect(1s)));
  EXPECT_TRUE(unit_.Dead());
  Send({unit::kHangUp, unit::kLoginStart, unit::kTransportUsb, 'Q', 'E', 'L'});
  EXPECT_TRUE(BytesEqual({}, Collect(1s)));
}

TEST_F(UnitFaults, SilenceAfterSomeRepliesCutsTheAnswerShort) {
  Faults faults;
  faults.silence = Faults::Silence{unit::kDeleteKey, 0, 2};
  unit_.SetFaults(faults);
  Login();
  Send({unit::kDeleteKey, 0x00, 0x01});
  EXPECT_TRUE(BytesEqual(Bytes({0x00, 0x01}), Collect(4s)));
}

TEST_F(UnitFaults, MemoryStreamStopsAfterTheGivenCount) {
  Faults faults;
  faults.silence = Faults::Silence{unit::kReadMemory, 0, 1000};
  unit_.SetFaults(faults);
  Login();
  Send({unit::kReadMemory});
  const auto first = Collect(1s);
  const auto second = Collect(1s);
  EXPECT_EQ(first.size() + second.size(), 1000u);
  EXPECT_TRUE(Collect(1s).empty());
}

TEST_F(UnitFaults, WrongReplyReplacesOneByteOfTheAnswer) {
  Faults faults;
  faults.wrongReplies = {{unit::kDeleteKey, 0, 2, {0x15}}};
  unit_.SetFaults(faults);
  Login();
  Send({unit::kDeleteKey, 0x00, 0x01});
  EXPECT_TRUE(BytesEqual(Bytes({0x00, 0x01, 0x15}), Collect(4s)));
}

TEST_F(UnitFaults, WrongReplyWithoutValueLeavesTheByteOut) {
  Faults faults;
  faults.wrongReplies = {{unit::kSetAccessCode, 0, 2, {}}};
  unit_.SetFaults(faults);
  Login();
  Send({unit::kSetAccessCode, 0x00, 0x2A});
  EXPECT_TRUE(BytesEqual(Bytes({0x00, 0x2A}), Collect(1s)));
}

TEST_F(UnitFaults, WrongReplyCanHitOneOccurrenceOnly) {
  Faults faults;
  faults.wrongReplies = {{unit::kPing, 2, 0, {0x00}}};
  unit_.SetFaults(faults);
  Login();
  for (std::uint8_t expected : {unit::kAck, std::uint8_t{0x00}, unit::kAck}) {
    Send({unit::kPing});
    EXPECT_TRUE(BytesEqual(Bytes({expected}), Collect(50ms)));
  }
}

TEST_F(UnitFaults, WrongReplyWithMoreBytesLengthensTheAnswer) {
  Faults faults;
  faults.wrongReplies = {{unit::kReadReader, 0, 12, {0x00, 0x00}}, {unit::kPing, 0, 0, {0x33, unit::kAck}}};
  unit_.SetFaults(faults);
  Login();
  Send({unit::kReadReader});
  EXPECT_TRUE(BytesEqual(std::vector<std::uint8_t>(14, 0x00), Collect(50ms)));
  Send({unit::kPing});
  EXPECT_TRUE(BytesEqual(Bytes({0x33, unit::kAck}), Collect(50ms)));
}

TEST_F(UnitFaults, WrongHelloAndWrongBlockAck) {
  Faults faults;
  faults.wrongReplies = {{unit::kLoginStart, 0, 0, {0x08}}, {unit::kWriteMemory[0], 0, 511, {0x15}}};
  unit_.SetFaults(faults);
  Send({unit::kHangUp, unit::kLoginStart, unit::kTransportUsb, 'Q', 'E', 'L'});
  EXPECT_TRUE(BytesEqual(Bytes({0x08}), Collect(50ms)));
  Send({unit::kHello, 0x12, 0x6F});
  EXPECT_TRUE(BytesEqual(Bytes({unit::kAccepted}), Collect(50ms)));
  Send({0x1D, 0x07, 0x1A});
  Collect(200ms);
  const std::vector<std::uint8_t> block(unit::kBlockSize, 0x00);
  for (int i = 0; i < 511; ++i) {
    SendBytes(block);
    const auto reply = Collect(500ms);
    ASSERT_EQ(reply.size(), 1u);
    EXPECT_EQ(reply[0], i == 510 ? 0x15 : unit::kAck) << "block " << i;
  }
}

TEST_F(UnitFaults, RefusedAccessCodeGetsHelloButNoAcceptance) {
  Faults faults;
  faults.refuseAccessCode = true;
  unit_.SetFaults(faults);
  Send({unit::kHangUp, unit::kLoginStart, unit::kTransportUsb, 'Q', 'E', 'L'});
  EXPECT_TRUE(BytesEqual(Bytes({unit::kHello}), Collect(50ms)));
  Send({unit::kHello, 0x12, 0x6F});
  EXPECT_TRUE(BytesEqual({}, Collect(1s)));
  EXPECT_FALSE(unit_.LoggedIn());
}

}  // namespace
}  // namespace qel::sim::test
