#include "sequencer/ClockPoll.h"

#include <array>

#include "link/UnitCommands.h"
#include "sequencer/Sequencer.h"
#include "sequencer/UnitEvents.h"

namespace qel {

ClockPoll::Result ClockPoll::Tick() {
  if (step_ == 0) {
    s_.DiscardInput();
    s_.SendByte(unit::kGetClock);
    step_ = 1;
    return Result::Waiting;
  }
  const int n = s_.ReadReply();
  if (n >= unit::kClockReplyLength) {
    std::array<std::uint8_t, unit::kClockReplyLength> bcd{};
    for (int i = 0; i < unit::kClockReplyLength; ++i) bcd[static_cast<std::size_t>(i)] = s_.ReplyByte(i);
    clock_ = DecodeUnitClock(bcd);
    step_ = 0;
    return Result::Clock;
  }
  if (step_ > kMaxWait) return Result::LinkLost;
  ++step_;
  return Result::Waiting;
}

void ClockPoll::ReportLinkLost() { s_.ReportError(kLinkLostError, ErrorKind::LinkLost, ""); }

ClockCheckOperation::ClockCheckOperation(Sequencer& sequencer, UnitEvents& events)
    : Operation(OperationKind::ClockCheck), events_(events), poll_(sequencer) {}

void ClockCheckOperation::Begin() {
  poll_.Restart();
  ticks_ = 0;
  clockRunning_ = false;
  writeBegun_ = false;
}

Outcome ClockCheckOperation::Tick() {
  const ClockPoll::Result result = poll_.Tick();
  if (result == ClockPoll::Result::LinkLost) {
    // The error halts the runner, so no tick comes under its box.
    poll_.ReportLinkLost();
    return Outcome::Failed;
  }
  clockRunning_ = result == ClockPoll::Result::Clock && !poll_.clock().IsZero();
  // The tick that reaches the wait may still see the clock run.
  if (!clockRunning_ && ++ticks_ < kWait / ClockPoll::kPeriod) return Outcome::Going;
  writeBegun_ = events_.ClockChecked(clockRunning_);
  return Outcome::Done;
}

}  // namespace qel
