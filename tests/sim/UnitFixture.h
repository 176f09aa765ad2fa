#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "link/UnitCommands.h"
#include "sim/SimulatedUnit.h"
#include "sim/VirtualClock.h"
#include "tests/support/ByteMatch.h"

namespace qel::sim::test {

using namespace std::chrono_literals;
using qel::test::Bytes;
using qel::test::BytesEqual;
using Data = std::vector<std::uint8_t>;

// The start of every login: hang-up, login start, USB transport and the greeting.
inline const Data kGreeting{unit::kHangUp, unit::kLoginStart, unit::kTransportUsb, 'Q', 'E', 'L'};

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
  void Send(std::initializer_list<std::uint8_t> bytes) { SendBytes(std::span(bytes.begin(), bytes.size())); }

  // Everything the unit makes available within `window` from now; the clock ends there.
  Data Collect(SimTime window) {
    clock_.Advance(window);
    Data out(unit::kMemorySize + 256);
    out.resize(unit_.Read(out, clock_.Now()));
    return out;
  }

  void Login(std::uint16_t code = 4719) {
    SendBytes(kGreeting);
    ASSERT_TRUE(BytesEqual(Bytes({unit::kHello}), Collect(50ms)));
    Send({unit::kHello, static_cast<std::uint8_t>(code >> 8), static_cast<std::uint8_t>(code & 0xFF)});
    ASSERT_TRUE(BytesEqual(Bytes({unit::kAccepted}), Collect(50ms)));
  }

  VirtualClock clock_;
  SimulatedUnit unit_;
};

// A unit that has accepted the program's login.
class LoggedInUnit : public UnitFixture {
 protected:
  using UnitFixture::UnitFixture;
  void SetUp() override { Login(); }
};

}  // namespace qel::sim::test
