#pragma once

#include <chrono>

#include "keystore/KeyMemoryImage.h"
#include "sequencer/Sequencer.h"
#include "sequencer/SettingsWrite.h"

namespace qel {

// After a new record size: the whole re-laid-out key memory to the unit. The start bytes go out
// on the tick after the settings, on the settings write's own ticks; their reply is judged on the
// next, and the blocks follow every 750 ms. Any error stops it for good (critical).
class MemoryRewriteOperation final : public Operation {
 public:
  static constexpr std::chrono::milliseconds kBlockPeriod{750};

  MemoryRewriteOperation(Sequencer& sequencer, const KeyMemoryImage& image)
      : Operation(OperationKind::MemoryRewrite), s_(sequencer), image_(image) {}

  std::chrono::milliseconds Period() const override { return SettingsWriteOperation::kPeriod; }
  bool TakesOverTicks() const override { return true; }
  void Begin() override;
  Outcome Tick() override;

 private:
  Outcome JudgeStart();
  Outcome StartBlocks();
  Outcome BlockTick();

  Sequencer& s_;
  const KeyMemoryImage& image_;
  BlockTransfer blocks_;
};

}  // namespace qel
