#include "sequencer/MemoryRewrite.h"

#include <algorithm>

#include "link/UnitCommands.h"
#include "texts/Texts.h"

namespace qel {
namespace {

// The steps before the blocks: the start bytes' reply, then the switch to the block period.
enum RewriteStep : int { kJudgeStart = 0, kStartBlocks = 1 };

}  // namespace

void MemoryRewriteOperation::Begin() {
  s_.DiscardInput();
  s_.SendByte(unit::kWriteMemory[0]);
  s_.SendByte(unit::kWriteMemory[1]);
  s_.DiscardInput();
  s_.SendByte(unit::kWriteMemory[2]);
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
  const int n = s_.ReadReply();
  bool ready = false;
  for (int i = 0; i < n; ++i) ready = ready || s_.ReplyByte(i) == unit::kWriteReady;
  if (!ready) {
    s_.ReportError(n < 1 ? 230 : 231, ErrorKind::Critical, "");
    return Outcome::Failed;
  }
  blocks_.Restart();
  s_.AppendLog(Tr(Text::MemoryReconfiguration, s_.language()));
  s_.AppendLog("");
  return Outcome::Going;
}

Outcome MemoryRewriteOperation::StartBlocks() {
  s_.DiscardInput();
  if (!s_.Repace(kBlockPeriod)) return Outcome::Failed;
  s_.BeginProgress(kBlockPeriod * BlockTransfer::kTicks);
  return Outcome::Going;
}

Outcome MemoryRewriteOperation::BlockTick() {
  blocks_.ShowProgress(s_, Text::ProgressRewritingMemory, kBlockPeriod);
  switch (blocks_.Tick(s_, image_.Bytes())) {
    case BlockTransfer::Result::Going:
      return Outcome::Going;
    case BlockTransfer::Result::Done:
      return Outcome::Done;
    case BlockTransfer::Result::Failed:
      s_.ReportError(blocks_.error, ErrorKind::Critical, "");
      return Outcome::Failed;
  }
  return Outcome::Failed;
}

}  // namespace qel
