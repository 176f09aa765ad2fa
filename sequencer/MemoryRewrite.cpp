#include "sequencer/MemoryRewrite.h"

#include <algorithm>

#include "link/UnitCommands.h"
#include "sequencer/UnitController.h"
#include "texts/Texts.h"

namespace qel {
namespace {

// The steps before the blocks: the start bytes' reply, then the switch to the block period.
enum RewriteStep : int { kJudgeStart = 0, kStartBlocks = 1 };

}  // namespace

void MemoryRewriteOperation::Begin() {
  Sequencer& s = c_.sequencer();
  s.DiscardInput();
  s.SendByte(unit::kWriteMemory[0]);
  s.SendByte(unit::kWriteMemory[1]);
  s.DiscardInput();
  s.SendByte(unit::kWriteMemory[2]);
}

Outcome MemoryRewriteOperation::Tick() {
  switch (step++) {
    case kJudgeStart:
      return JudgeStart();
    case kStartBlocks:
      return StartBlocks();
    default:
      return BlockTick();
  }
}

Outcome MemoryRewriteOperation::JudgeStart() {
  Sequencer& s = c_.sequencer();
  const int n = s.ReadReply();
  bool ready = false;
  for (int i = 0; i < n; ++i) ready = ready || s.ReplyByte(i) == unit::kWriteReady;
  if (!ready) {
    s.ReportError(n < 1 ? 230 : 231, ErrorKind::Critical, "");
    return Outcome::Failed;
  }
  blocks_.Restart();
  s.AppendLog(Tr(Text::MemoryReconfiguration, s.language()));
  s.AppendLog("");
  return Outcome::Going;
}

Outcome MemoryRewriteOperation::StartBlocks() {
  Sequencer& s = c_.sequencer();
  s.DiscardInput();
  if (!s.Repace(kBlockPeriod)) return Outcome::Failed;
  s.BeginProgress(kBlockPeriod * BlockTransfer::kTicks);
  return Outcome::Going;
}

Outcome MemoryRewriteOperation::BlockTick() {
  Sequencer& s = c_.sequencer();
  blocks_.ShowProgress(s, Text::ProgressRewritingMemory, kBlockPeriod);
  switch (blocks_.Tick(s, c_.image().Bytes())) {
    case BlockTransfer::Result::Going:
      return Outcome::Going;
    case BlockTransfer::Result::Done:
      return Outcome::Done;
    case BlockTransfer::Result::Failed:
      s.ReportError(blocks_.error, ErrorKind::Critical, "");
      return Outcome::Failed;
  }
  return Outcome::Failed;
}

}  // namespace qel
