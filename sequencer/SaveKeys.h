#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <span>

#include "keystore/KeyMemoryImage.h"
#include "sequencer/Sequencer.h"

namespace qel {

class UnitController;

// Timer 7, every 200 ms: writes the keys of the save queue to the unit, one record after another:
// 0x11, the ID, the 12 key code bytes and 3 floors bytes with their echoes, the comment up to its
// closing 0x00, and 0x7A. Timer 8 makes the pauses the unit needs to store what it was given. One
// schedule per record gives both the ticks and the duration; `step` counts the record's ticks.
class SaveKeysOperation final : public Operation {
 public:
  static constexpr std::chrono::milliseconds kPeriod{200};
  static constexpr std::chrono::milliseconds kShortPause{1000};
  static constexpr std::chrono::milliseconds kFloorsPause{2000};

  explicit SaveKeysOperation(UnitController& controller) : c_(controller) {}

  void Tick() override;

  // How long the save of record `index` takes in the protocol, from the tick before its first
  // step to its 0x7A.
  static std::chrono::milliseconds Duration(const KeyMemoryImage& image, int index);

 private:
  void Pause(std::chrono::milliseconds period);
  void SendCommentByte(std::span<const std::uint8_t> record, int index, bool closesFilledField);
  bool JudgeFloorsReply(int id);
  bool JudgeCommentReply(int replyLength);
  void EndOfKey();
  void ShowProgress(int id);

  UnitController& c_;
};

// Timer 8: a pause of kTicks periods, then the save goes on.
class SavePauseOperation final : public Operation {
 public:
  static constexpr int kTicks = 2;

  explicit SavePauseOperation(UnitController& controller) : c_(controller) {}
  void Tick() override;

  std::chrono::milliseconds period{};

 private:
  // Timer 7 takes over again.
  void ResumeSave();

  UnitController& c_;
};

}  // namespace qel
