#pragma once

#include <chrono>

#include "sequencer/Sequencer.h"
#include "sequencer/SettingsWrite.h"

namespace qel {

class UnitController;

// After a new record size: the whole re-laid-out key memory to the unit. The start bytes go out
// on the tick after the settings, on the settings write's own ticks; their reply is judged on the
// next, and the blocks follow every 750 ms. Any error stops it for good (critical).
class MemoryRewriteOperation final : public Operation {
 public:
  static constexpr std::chrono::milliseconds kBlockPeriod{750};

  explicit MemoryRewriteOperation(UnitController& controller)
      : Operation(OperationKind::MemoryRewrite), c_(controller) {}

  std::chrono::milliseconds Period() const override { return SettingsWriteOperation::kPeriod; }
  bool TakesOverTicks() const override { return true; }
  void Begin() override;
  Outcome Tick() override;

 private:
  Outcome JudgeStart();
  Outcome StartBlocks();
  Outcome BlockTick();

  UnitController& c_;
  BlockTransfer blocks_;
};

}  // namespace qel
