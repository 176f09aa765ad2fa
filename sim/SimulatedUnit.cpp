#include "sim/SimulatedUnit.h"

#include <algorithm>
#include <chrono>

namespace qel::sim {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

std::uint8_t Bcd(int value) { return static_cast<std::uint8_t>((value / 10) << 4 | value % 10); }

// The clock as the unit answers its clock request: seconds, minutes, hours, weekday, day, month, year, in
// BCD.
std::array<std::uint8_t, unit::kClockReplyLength> ClockReply(const CivilTime& t) {
  const auto dayOfWeek =
      std::chrono::weekday{std::chrono::sys_days{std::chrono::days{(ToEpochSeconds(t) / kSecondsPerDay)}}};
  return {Bcd(t.second), Bcd(t.minute), Bcd(t.hour),      Bcd(static_cast<int>(dayOfWeek.iso_encoding())),
          Bcd(t.day),    Bcd(t.month),  Bcd(t.year % 100)};
}

bool IsUsedCode(const KeyCode& code) {
  return std::any_of(code.begin(), code.end(), [](std::uint8_t b) { return b != 0x00 && b != 0xFF; });
}

}  // namespace

std::int64_t ToEpochSeconds(const CivilTime& t) {
  using namespace std::chrono;
  const sys_days date{year{t.year} / month{static_cast<unsigned>(t.month)} /
                      day{static_cast<unsigned>(t.day)}};
  return date.time_since_epoch().count() * kSecondsPerDay + t.hour * 3600 + t.minute * 60 + t.second;
}

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

// The commands whose data bytes follow, and the phase that takes them.
std::optional<SimulatedUnit::Phase> SimulatedUnit::DataPhaseOf(std::uint8_t command) {
  switch (command) {
    case unit::kGetFirmware:
      return Phase::FirmwareArgument;
    case unit::kDeleteKey:
      return Phase::DeleteId;
    case unit::kSaveKey:
      return Phase::SaveHead;
    case unit::kSetName:
      return Phase::Name;
    case unit::kSetRecordSize:
    case unit::kSetAccessTime:
    case unit::kSetRelay:
      return Phase::SettingValue;
    case unit::kSetAccessCode:
      return Phase::AccessCode;
    case unit::kSetClock:
      return Phase::Clock;
    case unit::kWriteMemory[0]:
      return Phase::WriteStart;
    case unit::kDeleteAllKeys[0]:
    case unit::kDeleteAllLogs[0]:
      return Phase::EraseStart;
    default:
      return std::nullopt;
  }
}

void SimulatedUnit::OnCommand(std::uint8_t byte, SimTime now) {
  if (const std::optional<Phase> phase = DataPhaseOf(byte)) {
    BeginCommand(byte);
    phase_ = *phase;
    return;
  }
  switch (byte) {
    case unit::kIdle:
    case unit::kDialogMark:
    case unit::kReadReader:
    case unit::kPing:
    case unit::kGetAccessTime:
    case unit::kGetRecordSize:
    case unit::kGetRelaySetup:
    case unit::kGetClock:
    case unit::kGetName:
    case unit::kReadMemory:
      BeginCommand(byte);
      Answer(byte, now);
      return;
    default:
      return;  // not a command: the unit ignores it
  }
}

void SimulatedUnit::Answer(std::uint8_t command, SimTime now) {
  const SimTime at = now + kTurnaround;
  switch (command) {
    case unit::kReadReader:
      Emit(heldKey_ ? std::uint8_t{0x01} : std::uint8_t{0x00}, at);
      Emit(heldKey_.value_or(KeyCode{}), at);
      return;
    case unit::kPing:
      Emit(unit::kAck, at);
      return;
    case unit::kGetAccessTime:
      Emit(static_cast<std::uint8_t>(accessTime_), at);
      return;
    case unit::kGetRecordSize:
      Emit(static_cast<std::uint8_t>(recordSize_), at);
      return;
    case unit::kGetRelaySetup:
      Emit(relaySetup_, at);
      return;
    case unit::kGetClock:
      Emit(ClockReply(ClockAt(now)), at);
      return;
    case unit::kGetName:
      Emit({reinterpret_cast<const std::uint8_t*>(name_.data()), name_.size()}, at);
      Emit(unit::kNameEnd, at);
      return;
    case unit::kReadMemory:
      StartStream(now);
      return;
    default:
      return;  // the idle byte and the dialog mark ask for nothing
  }
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
