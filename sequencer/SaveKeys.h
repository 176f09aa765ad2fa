#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

#include "keystore/KeyMemoryImage.h"
#include "sequencer/KeyWriteLedger.h"
#include "sequencer/Sequencer.h"

namespace qel {

class SavePauseOperation;

// Every 200 ms: writes the keys it was given to the unit, one record after another: 0x11, the ID,
// the 12 key code bytes and 3 floors bytes with their echoes, the comment up to its closing 0x00,
// and 0x7A. The pause operation makes the pauses the unit needs to store what it was given. One
// schedule per record gives both the ticks and the duration; `step` counts the record's ticks.
class SaveKeysOperation final : public Operation {
 public:
  static constexpr std::chrono::milliseconds kPeriod{200};
  static constexpr std::chrono::milliseconds kShortPause{1000};
  static constexpr std::chrono::milliseconds kFloorsPause{2000};

  SaveKeysOperation(Sequencer& sequencer, const KeyMemoryImage& image, KeyWriteLedger& ledger,
                    SavePauseOperation& pause)
      : Operation(OperationKind::SaveKeys), s_(sequencer), image_(image), ledger_(ledger), pause_(pause) {}

  // The records the next run saves, in this order. Part of a write of `shownTotal` keys, the bar
  // counts them on from `shownBefore`.
  void Aim(std::vector<int> records, int shownBefore = 0, int shownTotal = 0) {
    records_ = std::move(records);
    shownBefore_ = shownBefore;
    shownTotal_ = shownTotal;
  }

  std::chrono::milliseconds Period() const override { return kPeriod; }
  void Begin() override { position_ = 0; }
  Outcome Tick() override;

  // How long the save of record `index` takes in the protocol, from the tick before its first
  // step to its 0x7A.
  static std::chrono::milliseconds Duration(const KeyMemoryImage& image, int index);

 private:
  // False when the pause could not start.
  bool Pause(std::chrono::milliseconds period);
  void SendCommentByte(std::span<const std::uint8_t> record, int index, bool closesFilledField);
  bool JudgeFloorsReply(int id);
  bool JudgeCommentReply(int replyLength);
  Outcome EndOfKey();
  void ShowProgress(int id);

  Sequencer& s_;
  const KeyMemoryImage& image_;
  KeyWriteLedger& ledger_;
  SavePauseOperation& pause_;
  std::vector<int> records_;
  // The record being saved.
  std::size_t position_ = 0;
  int shownBefore_ = 0;
  int shownTotal_ = 0;
};

// A pause of kTicks periods of its own, then the save goes on where it left off.
class SavePauseOperation final : public Operation {
 public:
  static constexpr int kTicks = 2;

  explicit SavePauseOperation(Sequencer& sequencer) : Operation(OperationKind::SavePause), s_(sequencer) {}

  // The pause starts over with ticks of `period`, and hands them back to `save` after kTicks.
  void Aim(Operation& save, std::chrono::milliseconds period) {
    save_ = &save;
    period_ = period;
    step = 0;
  }
  std::chrono::milliseconds Period() const override { return period_; }
  Outcome Tick() override;

 private:
  Sequencer& s_;
  Operation* save_ = nullptr;
  std::chrono::milliseconds period_{};
};

}  // namespace qel
