#pragma once

#include <chrono>
#include <functional>
#include <vector>

#include "sequencer/TimerHost.h"

namespace qel {

// What one tick of an operation came to.
enum class Outcome {
  Going,   // the next tick goes on with it
  Done,    // it ended well: the next operation of its chain starts, or the runner rests
  Failed,  // it ended on an error it has reported: the chain stops
};

// What an operation does, for those that wait on it or ask whether the unit is being written.
enum class OperationKind {
  Login,
  Watchdog,
  SettingsRead,
  SettingsWrite,
  MemoryRewrite,
  KeyLoad,
  DeleteKey,
  SaveKeys,
  SavePause,
  LinkCheck,
  DeleteAll,
  ImageWrite,
  ImageSettings,
  ReaderWait,
  ClockCheck,
};

// One operation with the unit: a state machine that does one step per tick of its runner's timer.
// The runner starts it from its first step.
class Operation {
 public:
  explicit Operation(OperationKind kind) : kind_(kind) {}
  virtual ~Operation() = default;
  Operation(const Operation&) = delete;
  Operation& operator=(const Operation&) = delete;

  OperationKind kind() const { return kind_; }
  // The period of its ticks when it starts.
  virtual std::chrono::milliseconds Period() const = 0;
  // What goes out before the previous operation's timer stops.
  virtual void Prepare() {}
  // What goes out once its timer runs, before the first tick.
  virtual void Begin() {}
  // Whether it goes on with the ticks of the operation before it in its chain, in step with them,
  // instead of a timer started afresh.
  virtual bool TakesOverTicks() const { return false; }
  virtual Outcome Tick() = 0;

 protected:
  int step = 0;

 private:
  friend class OperationRunner;
  OperationKind kind_;
};

// Operations that run one after another, what a failure of any of them leaves to be told (after
// the failing operation has reported its error), and what follows the last instead of the rest:
// `next` may run another chain, and the runner rests when it runs none.
struct Chain {
  std::vector<Operation*> operations;
  std::function<void()> failed;
  std::function<void()> next = {};
};

// What a window runs on its timer host: one operation at a time on one numbered timer, the
// operations of a chain one after another, and between chains the operation that rests (the
// watchdog, the archive's link check). Single-threaded.
class OperationRunner {
 public:
  // What the owner does around the runner's moves: as an operation of a chain starts, as the
  // rest begins and once it runs, and when the platform refuses a timer.
  struct Hooks {
    std::function<void()> starting = [] {};
    std::function<void()> resting = [] {};
    std::function<void()> rested = [] {};
    std::function<void()> refused = [] {};
  };

  OperationRunner(TimerHost& timers, int timerId, Hooks hooks);

  // The operation that rests between chains.
  void SetRest(Operation& rest) { rest_ = &rest; }

  // One tick of timer `id`: one step of the running operation.
  void OnTimer(int id);

  // The operations of `chain` one after another, then the rest. False (with the refusal and the
  // chain's failure told) when the first could not start.
  bool Run(Chain chain);
  bool Run(Operation& operation) { return Run(Chain{{&operation}, {}}); }
  // The rest, from its first step, with the first tick `period` away.
  bool Rest(std::chrono::milliseconds period);
  // A dialog opens: the running operation's ticks stop until it rests again.
  void Hold();
  // Stops the running operation's ticks and forgets it and its chain.
  void Stop();
  // An error stopped all work: nothing runs, but the failing operation's chain still tells its
  // failure once the operation's tick has said Failed.
  void Halt();
  // The running operation goes on with ticks of another period; false when refused.
  bool Repace(std::chrono::milliseconds period);
  // The running operation hands its ticks to `next` without ending, so that `next` hands them back
  // where it left off (a pause on a period of its own); false when refused.
  bool Switch(Operation& next, std::chrono::milliseconds period);

  bool IsRunning(OperationKind kind) const { return running_ != nullptr && running_->kind() == kind; }
  bool Resting() const { return running_ != nullptr && running_ == rest_; }
  bool Stopped() const { return running_ == nullptr; }
  // An operation of a chain has its timer running.
  bool Busy() const { return ticking_ && !Resting(); }

 private:
  // Starts chain_'s operation `index`; false when its timer was refused.
  bool StartLink(std::size_t index);
  // The running operation's tick came to `outcome`.
  void Settle(Outcome outcome);
  // Forgets the chain, then tells its failure.
  void FailChain();

  TimerHost& timers_;
  int timerId_;
  Hooks hooks_;
  Operation* rest_ = nullptr;
  Operation* running_ = nullptr;
  // Whether the timer ticks for running_ (not while a dialog holds it, nor after a refusal).
  bool ticking_ = false;
  Chain chain_;
  std::size_t chainIndex_ = 0;
  // Counts the runs started, so that a tick which started another run leaves it alone.
  unsigned runs_ = 0;
};

}  // namespace qel
