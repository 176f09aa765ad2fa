#pragma once

#include <chrono>
#include <cstdint>

#include "keystore/KeyMemoryImage.h"
#include "link/UnitCommands.h"
#include "sequencer/LocalClock.h"
#include "sequencer/Sequencer.h"
#include "sequencer/UnitSettings.h"

namespace qel {

class UnitController;

// Which settings the write sends; the settings command sets them before the write starts.
struct SettingsChanges {
  bool nameChanged = false;
  bool recordSizeChanged = false;
  bool accessTimeChanged = false;
  bool relayChanged = false;
  bool accessCodeChanged = false;
  bool setClock = false;
};

// The relay setup byte: both inversions (three bits each) and bit 7 for permanent access.
std::uint8_t RelayByte(const UnitSettings& settings);

// The whole key memory to the unit, one 128-byte block per tick. The reply to each block is judged
// on the next tick, the last block's on a tick of its own, so that no block goes unchecked.
class BlockTransfer {
 public:
  // Every block's tick and the last reply's.
  static constexpr int kTicks = unit::kBlockCount + 1;

  enum class Result { Going, Done, Failed };

  void Restart() { block = 0; }
  // One tick. Failed leaves the error (532, 533) in `error` for the caller to report once it has
  // stopped its timer.
  Result Tick(Sequencer& sequencer, const ImageBytes& image);

  int block = 0;  // the next block to write; kBlockCount once all are written
  int error = 0;
};

// Every 200 ms: the settings that changed, in the unit's fixed order (elevator name, record size,
// access time, relay setup, access code, the PC's clock), each acknowledgement judged, and after a
// new record size the whole re-laid-out key memory. Any error stops it for good (critical).
class SettingsWriteOperation final : public Operation {
 public:
  static constexpr std::chrono::milliseconds kPeriod{200};
  static constexpr std::chrono::milliseconds kBlockPeriod{750};

  explicit SettingsWriteOperation(UnitController& controller)
      : Operation(OperationKind::SettingsWrite), c_(controller) {}
  std::chrono::milliseconds Period() const override { return kPeriod; }
  void Prepare() override;
  Outcome Tick() override;

  // From the first byte of a new record size on, the unit's memory no longer matches its layout
  // until the last block has been acknowledged: whether this write (running or stopped) got that far.
  bool MemoryInDoubt() const;
  // The same while the write runs.
  bool RewritingMemory() const;

  SettingsChanges changes;
  // The code sent after kSetAccessCode. The PC keeps the old one until the unit confirms it.
  int newAccessCode = 0;

 private:
  Outcome NameStep();
  Outcome MainStep();
  // A one-byte acknowledgement; false after reporting `empty` or `other`.
  bool JudgeAck(int empty, int other);
  bool JudgeAccessCodeHigh();
  bool JudgeAccessCodeLow();
  bool JudgeClockEcho();
  bool JudgeReconfigurationStart();
  void Fail(int code);

  UnitController& c_;
  LocalTime clockToSend_{};
  BlockTransfer blocks_;
};

}  // namespace qel
