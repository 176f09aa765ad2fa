#include "sequencer/OperationRunner.h"

#include <utility>

namespace qel {

OperationRunner::OperationRunner(TimerHost& timers, int timerId, Hooks hooks)
    : timers_(timers), timerId_(timerId), hooks_(std::move(hooks)) {}

void OperationRunner::OnTimer(int id) {
  if (id != timerId_ || running_ == nullptr || !ticking_) return;
  const unsigned run = runs_;
  const Outcome outcome = running_->Tick();
  // The tick started another run (a port search goes on with the next port): that run stands.
  if (run == runs_) Settle(outcome);
}

void OperationRunner::Settle(Outcome outcome) {
  if (outcome == Outcome::Going) return;
  if (outcome == Outcome::Failed) {
    FailChain();
    return;
  }
  if (chainIndex_ + 1 < chain_.operations.size()) {
    StartLink(chainIndex_ + 1);
    return;
  }
  const unsigned run = runs_;
  // Moved out first: the run it may start replaces the chain that holds it.
  if (const std::function<void()> next = std::move(chain_.next)) next();
  if (run == runs_) Rest(rest_->Period());
}

void OperationRunner::FailChain() {
  const std::function<void()> failed = std::move(chain_.failed);
  Stop();
  if (failed) failed();
}

bool OperationRunner::Run(Chain chain) {
  ++runs_;
  chain_ = std::move(chain);
  return StartLink(0);
}

bool OperationRunner::StartLink(std::size_t index) {
  chainIndex_ = index;
  Operation& operation = *chain_.operations[index];
  operation.Prepare();
  hooks_.starting();
  const bool inStep = index > 0 && ticking_ && operation.TakesOverTicks();
  if (!inStep) Hold();
  running_ = &operation;
  operation.step = 0;
  if (!inStep) ticking_ = timers_.StartTimer(timerId_, operation.Period());
  if (!ticking_) {
    hooks_.refused();
    FailChain();
    return false;
  }
  operation.Begin();
  return true;
}

bool OperationRunner::Rest(std::chrono::milliseconds period) {
  ++runs_;
  chain_ = {};
  Hold();
  hooks_.resting();
  running_ = rest_;
  ticking_ = timers_.StartTimer(timerId_, period);
  if (!ticking_) {
    running_ = nullptr;
    hooks_.refused();
    return false;
  }
  rest_->step = 0;
  hooks_.rested();
  return true;
}

void OperationRunner::Hold() {
  if (ticking_) timers_.StopTimer(timerId_);
  ticking_ = false;
}

void OperationRunner::Stop() {
  Hold();
  running_ = nullptr;
  chain_ = {};
}

void OperationRunner::Halt() {
  Hold();
  running_ = nullptr;
}

bool OperationRunner::Repace(std::chrono::milliseconds period) {
  Hold();
  ticking_ = timers_.StartTimer(timerId_, period);
  if (!ticking_) hooks_.refused();
  return ticking_;
}

bool OperationRunner::Switch(Operation& next, std::chrono::milliseconds period) {
  running_ = &next;
  return Repace(period);
}

}  // namespace qel
