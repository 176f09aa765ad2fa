#include "sim/SimulatedUnit.h"

#include <algorithm>
#include <chrono>

namespace qel::sim {
namespace {

// Answer to a setting the unit will not take; the program only knows that it is not kAck.
constexpr std::uint8_t kRefused = 0x15;
constexpr int kHeadLength = 17;  // id (2), key code (12), floors (3)
constexpr std::int64_t kSecondsPerDay = 86400;

std::int64_t ToEpochSeconds(const CivilTime& t) {
  using namespace std::chrono;
  const sys_days date{year{t.year} / month{static_cast<unsigned>(t.month)} /
                      day{static_cast<unsigned>(t.day)}};
  return date.time_since_epoch().count() * kSecondsPerDay + t.hour * 3600 + t.minute * 60 + t.second;
}

bool IsValidCivil(const CivilTime& t) {
  using namespace std::chrono;
  const year_month_day date{year{t.year}, month{static_cast<unsigned>(t.month)},
                            day{static_cast<unsigned>(t.day)}};
  return date.ok() && t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 && t.second >= 0 &&
         t.second < 60;
}

std::uint8_t Bcd(int value) { return static_cast<std::uint8_t>((value / 10) << 4 | value % 10); }

bool IsUsedCode(const KeyCode& code) {
  return std::any_of(code.begin(), code.end(), [](std::uint8_t b) { return b != 0x00 && b != 0xFF; });
}

}  // namespace

SimulatedUnit::SimulatedUnit(UnitConfig config)
    : recordSize_(config.recordSize),
      accessTime_(config.accessTime),
      relaySetup_(config.relaySetup),
      accessCode_(config.accessCode),
      name_(std::move(config.name)),
      firmware_(std::move(config.firmware)),
      clockBase_(ToEpochSeconds(config.clock)) {
  memory_.fill(0xFF);
}

void SimulatedUnit::Receive(std::uint8_t byte, SimTime now) {
  if (dead_) return;
  if (IsDataPhase() && now - lastByteAt_ > kDataTimeout) {
    phase_ = phase_ == Phase::LoginCode ? Phase::LoggedOut : Phase::Idle;
  }
  lastByteAt_ = now;
  if (phase_ == Phase::Busy && now >= busyUntil_) phase_ = Phase::Idle;
  if (byte == unit::kHangUp && !IsDataPhase()) {
    HangUp(now);
    return;
  }
  Dispatch(byte, now);
}

std::size_t SimulatedUnit::Read(std::span<std::uint8_t> out, SimTime now) {
  std::size_t n = 0;
  while (n < out.size() && !output_.empty() && output_.front().at <= now) {
    out[n++] = output_.front().byte;
    output_.pop_front();
  }
  return n;
}

std::optional<SimTime> SimulatedUnit::NextOutputTime() const {
  if (output_.empty()) return std::nullopt;
  return output_.front().at;
}

void SimulatedUnit::HoldKey(const KeyCode& code) {
  heldKey_ = code;
  LogPresentation(code);
}

void SimulatedUnit::ReleaseKey() { heldKey_.reset(); }

bool SimulatedUnit::LoggedIn() const {
  switch (phase_) {
    case Phase::LoggedOut:
    case Phase::LoginTransport:
    case Phase::LoginGreeting:
    case Phase::LoginHello:
    case Phase::LoginCode:
      return false;
    default:
      return true;
  }
}

void SimulatedUnit::LoadMemory(std::span<const std::uint8_t, unit::kMemorySize> image) {
  std::copy(image.begin(), image.end(), memory_.begin());
}

CivilTime SimulatedUnit::ClockAt(SimTime now) const {
  using namespace std::chrono;
  const std::int64_t seconds = clockBase_ + duration_cast<std::chrono::seconds>(now - clockSetAt_).count();
  const std::int64_t days = seconds / kSecondsPerDay;
  const std::int64_t inDay = seconds % kSecondsPerDay;
  const year_month_day date{sys_days{std::chrono::days{days}}};
  return CivilTime{static_cast<int>(date.year()),
                   static_cast<int>(static_cast<unsigned>(date.month())),
                   static_cast<int>(static_cast<unsigned>(date.day())),
                   static_cast<int>(inDay / 3600),
                   static_cast<int>(inDay / 60 % 60),
                   static_cast<int>(inDay % 60)};
}

bool SimulatedUnit::IsDataPhase() const {
  switch (phase_) {
    case Phase::LoginCode:
    case Phase::DeleteId:
    case Phase::SaveHead:
    case Phase::SaveComment:
    case Phase::Name:
    case Phase::SettingValue:
    case Phase::AccessCode:
    case Phase::Clock:
    case Phase::WriteBlocks:
      return true;
    default:
      return false;
  }
}

void SimulatedUnit::HangUp(SimTime now) {
  DropPending(now);
  phase_ = Phase::LoggedOut;
}

void SimulatedUnit::BeginCommand(std::uint8_t command) {
  command_ = command;
  commandOccurrence_ = ++commandCount_[command];
  repliesSent_ = 0;
  got_ = 0;
  data_.clear();
  if (faults_.silence && Matches(faults_.silence->command, faults_.silence->occurrence) &&
      faults_.silence->afterReplies <= 0) {
    dead_ = true;
  }
}

void SimulatedUnit::Dispatch(std::uint8_t byte, SimTime now) {
  switch (phase_) {
    case Phase::LoggedOut:
    case Phase::LoginTransport:
    case Phase::LoginGreeting:
    case Phase::LoginHello:
    case Phase::LoginCode:
      OnLogin(byte, now);
      return;
    case Phase::Idle:
      OnCommand(byte, now);
      return;
    case Phase::FirmwareArgument:
      phase_ = Phase::Idle;
      if (byte == unit::kFirmwareArgument) {
        Emit({reinterpret_cast<const std::uint8_t*>(firmware_.data()), firmware_.size()}, now + kTurnaround);
      }
      return;
    case Phase::DeleteId:
      OnDelete(byte, now);
      return;
    case Phase::SaveHead:
      OnSaveHead(byte, now);
      return;
    case Phase::SaveComment:
      OnSaveComment(byte, now);
      return;
    case Phase::Name:
      OnName(byte, now);
      return;
    case Phase::SettingValue:
      OnSettingValue(byte, now);
      return;
    case Phase::AccessCode:
      OnAccessCode(byte, now);
      return;
    case Phase::Clock:
      OnClock(byte, now);
      return;
    case Phase::WriteStart:
    case Phase::EraseStart:
      OnStartSequence(byte, now);
      return;
    case Phase::WriteBlocks:
      OnWriteBlock(byte, now);
      return;
    case Phase::Busy:
      if (byte == unit::kStop && command_ == unit::kReadMemory) {
        DropPending(now);
        phase_ = Phase::Idle;
      }
      return;
  }
}

void SimulatedUnit::OnLogin(std::uint8_t byte, SimTime now) {
  switch (phase_) {
    case Phase::LoggedOut:
      if (byte == unit::kLoginStart) {
        BeginCommand(byte);
        phase_ = Phase::LoginTransport;
      }
      return;
    case Phase::LoginTransport:
      phase_ = byte == unit::kTransportUsb || byte == unit::kTransportBluetooth ? Phase::LoginGreeting
                                                                                : Phase::LoggedOut;
      return;
    case Phase::LoginGreeting:
      if (byte != unit::kGreeting[static_cast<std::size_t>(got_)]) {
        phase_ = Phase::LoggedOut;
      } else if (++got_ == static_cast<int>(unit::kGreeting.size())) {
        Emit(unit::kHello, now + kTurnaround);
        phase_ = Phase::LoginHello;
      }
      return;
    case Phase::LoginHello:
      phase_ = byte == unit::kHello ? Phase::LoginCode : Phase::LoggedOut;
      return;
    case Phase::LoginCode: {
      data_.push_back(byte);
      if (data_.size() < 2) return;
      const int code = data_[0] << 8 | data_[1];
      if (code == accessCode_ && !faults_.refuseAccessCode) {
        Emit(unit::kAccepted, now + kTurnaround);
        phase_ = Phase::Idle;
      } else {
        phase_ = Phase::LoggedOut;
      }
      return;
    }
    default:
      return;
  }
}

void SimulatedUnit::OnCommand(std::uint8_t byte, SimTime now) {
  const SimTime at = now + kTurnaround;
  switch (byte) {
    case unit::kIdle:
    case unit::kDialogMark:
      BeginCommand(byte);
      return;
    case unit::kReadReader: {
      BeginCommand(byte);
      const KeyCode code = heldKey_.value_or(KeyCode{});
      Emit(heldKey_ ? std::uint8_t{0x01} : std::uint8_t{0x00}, at);
      Emit(code, at);
      return;
    }
    case unit::kPing:
      BeginCommand(byte);
      Emit(unit::kAck, at);
      return;
    case unit::kGetAccessTime:
      BeginCommand(byte);
      Emit(static_cast<std::uint8_t>(accessTime_), at);
      return;
    case unit::kGetRecordSize:
      BeginCommand(byte);
      Emit(static_cast<std::uint8_t>(recordSize_), at);
      return;
    case unit::kGetRelaySetup:
      BeginCommand(byte);
      Emit(relaySetup_, at);
      return;
    case unit::kGetClock: {
      BeginCommand(byte);
      const CivilTime t = ClockAt(now);
      const auto dayOfWeek = std::chrono::weekday{
          std::chrono::sys_days{std::chrono::days{(ToEpochSeconds(t) / kSecondsPerDay)}}};
      const std::array<std::uint8_t, unit::kClockReplyLength> bcd{
          Bcd(t.second), Bcd(t.minute), Bcd(t.hour),      Bcd(static_cast<int>(dayOfWeek.iso_encoding())),
          Bcd(t.day),    Bcd(t.month),  Bcd(t.year % 100)};
      Emit(bcd, at);
      return;
    }
    case unit::kGetName:
      BeginCommand(byte);
      Emit({reinterpret_cast<const std::uint8_t*>(name_.data()), name_.size()}, at);
      Emit(unit::kNameEnd, at);
      return;
    case unit::kGetFirmware:
      BeginCommand(byte);
      phase_ = Phase::FirmwareArgument;
      return;
    case unit::kReadMemory:
      BeginCommand(byte);
      StartStream(now);
      return;
    case unit::kDeleteKey:
      BeginCommand(byte);
      phase_ = Phase::DeleteId;
      return;
    case unit::kSaveKey:
      BeginCommand(byte);
      phase_ = Phase::SaveHead;
      return;
    case unit::kSetName:
      BeginCommand(byte);
      phase_ = Phase::Name;
      return;
    case unit::kSetRecordSize:
    case unit::kSetAccessTime:
    case unit::kSetRelay:
      BeginCommand(byte);
      phase_ = Phase::SettingValue;
      return;
    case unit::kSetAccessCode:
      BeginCommand(byte);
      phase_ = Phase::AccessCode;
      return;
    case unit::kSetClock:
      BeginCommand(byte);
      phase_ = Phase::Clock;
      return;
    case unit::kWriteMemory[0]:
      BeginCommand(byte);
      phase_ = Phase::WriteStart;
      return;
    case unit::kDeleteAllKeys[0]:
    case unit::kDeleteAllLogs[0]:
      BeginCommand(byte);
      phase_ = Phase::EraseStart;
      return;
    default:
      return;  // not a command: the unit ignores it
  }
}

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

void SimulatedUnit::Emit(std::uint8_t byte, SimTime earliest) {
  if (dead_) return;
  const int index = repliesSent_++;
  if (faults_.silence && Matches(faults_.silence->command, faults_.silence->occurrence) &&
      index >= faults_.silence->afterReplies) {
    dead_ = true;
    return;
  }
  for (const Faults::WrongReply& wrong : faults_.wrongReplies) {
    if (Matches(wrong.command, wrong.occurrence) && wrong.index == index) {
      for (std::uint8_t b : wrong.bytes) Queue(b, earliest);
      return;
    }
  }
  Queue(byte, earliest);
}

void SimulatedUnit::Queue(std::uint8_t byte, SimTime earliest) {
  const SimTime at = std::max(earliest, lineFreeAt_) + kByteTime;
  lineFreeAt_ = at;
  output_.push_back({at, byte});
}

void SimulatedUnit::Emit(std::span<const std::uint8_t> bytes, SimTime earliest) {
  for (std::uint8_t b : bytes) Emit(b, earliest);
}

void SimulatedUnit::DropPending(SimTime now) {
  while (!output_.empty() && output_.back().at > now) output_.pop_back();
  lineFreeAt_ = output_.empty() ? now : std::max(now, output_.back().at);
}

bool SimulatedUnit::Matches(std::uint8_t command, int occurrence) const {
  return command == command_ && (occurrence == 0 || occurrence == commandOccurrence_);
}

bool SimulatedUnit::RecordFits(int id) const { return (id + 1) * recordSize_ <= unit::kMemorySize; }

void SimulatedUnit::LogPresentation(const KeyCode& code) {
  bool granted = false;
  if (IsUsedCode(code)) {
    for (int r = 0; RecordFits(r) && !granted; ++r) {
      granted = std::equal(code.begin(), code.end(), memory_.begin() + r * recordSize_);
    }
  }
  log_.push_back({code, granted});
}

}  // namespace qel::sim
