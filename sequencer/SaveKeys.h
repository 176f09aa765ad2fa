#pragma once

#include <vector>

#include "keystore/KeyMemoryImage.h"
#include "sequencer/Sequencer.h"

namespace qel {

class UnitController;
class SavePauseOperation;

// Every 200 ms: writes the keys it was given to the unit, one record after another: 0x11, the ID,
// the 12 key code bytes and 3 floors bytes with their echoes, the comment up to its closing 0x00,
// and 0x7A. The pause operation makes the pauses the unit needs to store what it was given.
class SaveKeysOperation final : public Operation {
 public:
  static constexpr std::chrono::milliseconds kPeriod{200};
  static constexpr std::chrono::milliseconds kShortPause{1000};
  static constexpr std::chrono::milliseconds kFloorsPause{2000};
  // Steps that skip to the pause after the comment: after its closing 0x00, or after a comment
  // that fills its field (the 0x00 then goes out with its last byte).
  static constexpr int kCommentEnded = 900;
  static constexpr int kCommentFilled = 901;
  static constexpr int kLastStep = 1010;

  SaveKeysOperation(UnitController& controller, SavePauseOperation& pause)
      : Operation(OperationKind::SaveKeys), c_(controller), pause_(pause) {}

  // The records the next run saves, in this order.
  void Aim(std::vector<int> records) { records_ = std::move(records); }

  std::chrono::milliseconds Period() const override { return kPeriod; }
  void Begin() override { position_ = 0; }
  Outcome Tick() override;

  // How long the save of record `index` takes in the protocol, from the tick before its first
  // step to its 0x7A.
  static std::chrono::milliseconds Duration(const KeyMemoryImage& image, int index);

 private:
  // False when the pause could not start.
  bool Pause(int nextStep, std::chrono::milliseconds period);
  bool JudgeFloorsReply(int id);
  bool JudgeCommentReply(int replyLength);
  Outcome EndOfKey();
  void ShowProgress(int id);

  UnitController& c_;
  SavePauseOperation& pause_;
  std::vector<int> records_;
  // The record being saved.
  std::size_t position_ = 0;
  // The first step after the pause that follows the comment: its reply is judged there.
  int commentReplyStep_ = 0;
};

// A pause of two periods of its own, then the save goes on where it left off.
class SavePauseOperation final : public Operation {
 public:
  explicit SavePauseOperation(Sequencer& sequencer) : Operation(OperationKind::SavePause), s_(sequencer) {}

  // The pause starts over with ticks of `period`, and hands them back to `save` after two.
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
