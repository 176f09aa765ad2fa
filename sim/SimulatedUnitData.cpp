// The commands whose data bytes follow their command byte: what the unit takes, echoes and answers.
#include <algorithm>
#include <chrono>

#include "sim/SimulatedUnit.h"

namespace qel::sim {
namespace {

// Answer to a setting the unit will not take; the program only knows that it is not kAck.
constexpr std::uint8_t kRefused = 0x15;
constexpr int kHeadLength = 17;  // id (2), key code (12), floors (3)

bool IsValidCivil(const CivilTime& t) {
  using namespace std::chrono;
  const year_month_day date{year{t.year}, month{static_cast<unsigned>(t.month)},
                            day{static_cast<unsigned>(t.day)}};
  return date.ok() && t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 && t.second >= 0 &&
         t.second < 60;
}

}  // namespace

void SimulatedUnit::OnDelete(std::uint8_t byte, SimTime now) {
  data_.push_back(byte);
  Emit(byte, now + kTurnaround);
  if (data_.size() < 2) return;
  phase_ = Phase::Idle;
  const int id = data_[0] << 8 | data_[1];
  if (!RecordFits(id)) return;
  std::fill_n(memory_.begin() + id * recordSize_, 12, std::uint8_t{0x00});
  Emit(unit::kAck, now + kDeleteTime);
}

void SimulatedUnit::OnSaveHead(std::uint8_t byte, SimTime now) {
  data_.push_back(byte);
  Emit(byte, now + kTurnaround);
  if (data_.size() < kHeadLength) return;
  phase_ = Phase::SaveComment;
  if (RecordFits(data_[0] << 8 | data_[1])) Emit(unit::kAck, now + kTurnaround);
}

void SimulatedUnit::OnSaveComment(std::uint8_t byte, SimTime now) {
  if (byte != 0x00) {
    if (data_.size() < kHeadLength + static_cast<std::size_t>(recordSize_)) data_.push_back(byte);
    return;
  }
  phase_ = Phase::Idle;
  const int id = data_[0] << 8 | data_[1];
  if (!RecordFits(id)) return;
  const auto record = memory_.begin() + id * recordSize_;
  std::copy(data_.begin() + 2, data_.begin() + kHeadLength, record);
  std::fill(record + 15, record + recordSize_, std::uint8_t{0x00});
  const std::size_t commentLength =
      std::min(data_.size() - kHeadLength, static_cast<std::size_t>(recordSize_ - 15));
  std::copy_n(data_.begin() + kHeadLength, commentLength, record + 15);
  Emit(unit::kAck, now + kCommentStoreTime);
}

void SimulatedUnit::OnName(std::uint8_t byte, SimTime now) {
  Emit(byte, now + kTurnaround);
  if (byte != unit::kNameEnd) {
    if (data_.size() < kMaxNameLength) data_.push_back(byte);
    return;
  }
  Emit(unit::kNameEnd, now + kTurnaround);
  name_.assign(data_.begin(), data_.end());
  phase_ = Phase::Idle;
}

void SimulatedUnit::OnSettingValue(std::uint8_t byte, SimTime now) {
  bool valid = true;
  switch (command_) {
    case unit::kSetRecordSize:
      valid = byte >= 15 && byte <= 250;
      if (valid) recordSize_ = byte;
      break;
    case unit::kSetAccessTime:
      valid = byte <= 120;
      if (valid) accessTime_ = byte;
      break;
    default:
      relaySetup_ = byte;
      break;
  }
  Emit(valid ? unit::kAck : kRefused, now + kTurnaround);
  phase_ = Phase::Idle;
}

void SimulatedUnit::OnAccessCode(std::uint8_t byte, SimTime now) {
  data_.push_back(byte);
  Emit(byte, now + kTurnaround);
  if (data_.size() < 2) return;
  accessCode_ = data_[0] << 8 | data_[1];
  Emit(unit::kAck, now + kTurnaround);
  phase_ = Phase::Idle;
}

void SimulatedUnit::OnClock(std::uint8_t byte, SimTime now) {
  data_.push_back(byte);
  Emit(byte, now + kTurnaround);
  if (data_.size() < 6) return;
  phase_ = Phase::Idle;
  const CivilTime t{2000 + data_[0], data_[1], data_[2], data_[3], data_[4], data_[5]};
  const bool valid = data_[0] <= 99 && IsValidCivil(t);
  if (valid) {
    clockBase_ = ToEpochSeconds(t);
    clockSetAt_ = now;
  }
  Emit(valid ? unit::kAck : kRefused, now + kClockSetTime);
}

void SimulatedUnit::OnStartSequence(std::uint8_t byte, SimTime now) {
  const bool write = command_ == unit::kWriteMemory[0];
  const auto& sequence = write                                 ? unit::kWriteMemory
                         : command_ == unit::kDeleteAllKeys[0] ? unit::kDeleteAllKeys
                                                               : unit::kDeleteAllLogs;
  if (byte != sequence[static_cast<std::size_t>(got_ + 1)]) {
    phase_ = Phase::Idle;
    return;
  }
  if (++got_ < static_cast<int>(sequence.size()) - 1) return;
  got_ = 0;
  if (write) {
    Emit(unit::kWriteReady, now + kTurnaround);
    phase_ = Phase::WriteBlocks;
  } else {
    StartErase(command_ == unit::kDeleteAllKeys[0], now);
  }
}

void SimulatedUnit::OnWriteBlock(std::uint8_t byte, SimTime now) {
  memory_[static_cast<std::size_t>(got_++)] = byte;
  if (got_ % unit::kBlockSize == 0) Emit(unit::kAck, now + kTurnaround);
  if (got_ == unit::kMemorySize) phase_ = Phase::Idle;
}

void SimulatedUnit::StartErase(bool keys, SimTime now) {
  if (keys) {
    memory_.fill(0xFF);
  } else {
    log_.clear();
  }
  Emit(unit::kEraseStarted, now + kTurnaround);
  for (int i = 1; i <= kEraseTicks; ++i) Emit(unit::kEraseProgress, now + i * kEraseTick);
  busyUntil_ = now + (kEraseTicks + 1) * kEraseTick;
  Emit(unit::kEraseDone, busyUntil_);
  phase_ = Phase::Busy;
}

void SimulatedUnit::StartStream(SimTime now) {
  const SimTime start = now + kTurnaround;
  // Byte i leaves no sooner than i / 950 s after the first: never more than 950 in a second,
  // and no slower, so the program needs no more ticks than the byte count does.
  const auto due = [start](long long i) {
    return start + SimTime{(i * 1'000'000 + kStreamRate - 1) / kStreamRate};
  };
  for (int i = 0; i < unit::kMemorySize; ++i) Emit(memory_[static_cast<std::size_t>(i)], due(i));
  busyUntil_ = due(unit::kMemorySize);
  phase_ = Phase::Busy;
}

}  // namespace qel::sim
