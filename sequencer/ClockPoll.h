#pragma once

#include <chrono>

#include "sequencer/OperationRunner.h"
#include "sequencer/UnitSettings.h"

namespace qel {

class Sequencer;
class UnitEvents;

// The poll of the unit's clock, one step per 500 ms tick: 0x54 out, then its 7-byte reply read on
// the next tick. Shared by the settings dialog, which shows the clock live, and the settings
// command, which sets the clock only once it is seen running, so that both send the same bytes on
// the same ticks and give up on a silent unit alike.
class ClockPoll {
 public:
  static constexpr std::chrono::milliseconds kPeriod{500};
  // Ticks waiting for the clock before the link counts as lost (3 s).
  static constexpr int kMaxWait = 5;
  static constexpr int kLinkLostError = 600;

  enum class Result {
    Waiting,   // no whole reply yet
    Clock,     // the reply came: clock() holds it
    LinkLost,  // the unit fell silent: the poll must stop, then ReportLinkLost
  };

  explicit ClockPoll(Sequencer& sequencer) : s_(sequencer) {}

  // The next tick asks afresh.
  void Restart() { step_ = 0; }
  Result Tick();
  // Error 600, once the ticks have stopped: a box is modal, and the poll must not go on under it.
  void ReportLinkLost();
  // The clock of the last whole reply; all zero while the unit's clock does not run.
  const UnitClock& clock() const { return clock_; }

 private:
  Sequencer& s_;
  int step_ = 0;
  UnitClock clock_;
};

// Before settings that set the clock: polls the unit's clock until it is seen running, as the
// settings dialog offers the PC's time only then, and hands the settings back to the controller
// to be written; after kWait without a running clock nothing is written.
class ClockCheckOperation final : public Operation {
 public:
  static constexpr std::chrono::seconds kWait{5};

  ClockCheckOperation(Sequencer& sequencer, UnitEvents& events);

  std::chrono::milliseconds Period() const override { return ClockPoll::kPeriod; }
  void Begin() override;
  Outcome Tick() override;

  // Whether the last check saw the clock running, and whether the write it led to began.
  bool clockRunning() const { return clockRunning_; }
  bool writeBegun() const { return writeBegun_; }

 private:
  UnitEvents& events_;
  ClockPoll poll_;
  int ticks_ = 0;
  bool clockRunning_ = false;
  bool writeBegun_ = false;
};

}  // namespace qel
