#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "keystore/KeyCode.h"
#include "link/UnitCommands.h"
#include "sim/VirtualClock.h"

namespace qel::sim {

// A civil date and time as the unit's clock keeps it; `year` is the full year (2000..2099).
struct CivilTime {
  int year = 2000;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;

  friend bool operator==(const CivilTime&, const CivilTime&) = default;
};

// Seconds since 1970-01-01 00:00 of a civil time, which has no time zone.
std::int64_t ToEpochSeconds(const CivilTime& t);

// What the unit is like when it is switched on.
struct UnitConfig {
  int accessCode = 4719;
  int recordSize = 100;
  int accessTime = 5;
  std::uint8_t relaySetup = 0x00;
  std::string name = "Lift A";
  std::string firmware = "QEL 2.14 sim";
  CivilTime clock{2026, 3, 14, 9, 26, 53};
};

// Faults for tests that drive the program's error paths. Occurrences count the times the unit
// took the command byte as a command (1 = the first time); 0 means every time. Reply bytes are
// numbered from 0 over everything the unit sends for one command: for a key save the 17 echoes,
// the acknowledgement after the floors (17) and the one after the comment (18); for the login
// (command 0x01) the hello (0) and the acceptance (1); for the memory write the 'N' (0) and the
// acknowledgement of block k (k + 1).
struct Faults {
  // The unit goes dead for good: it sends the first `afterReplies` bytes of its answer to the
  // command (none with 0) and from then on neither answers nor listens, also to 0x04.
  // {kReadMemory, 0, N} is a memory stream that stops after N bytes.
  struct Silence {
    std::uint8_t command = 0;
    int occurrence = 0;
    int afterReplies = 0;
  };
  // Reply byte `index` of the command is sent as `bytes` instead: none leaves it out, one
  // replaces it, more add bytes to the reply (a 14-byte reader reply, 0x06 after other bytes).
  struct WrongReply {
    std::uint8_t command = 0;
    int occurrence = 0;
    int index = 0;
    std::vector<std::uint8_t> bytes;
  };

  std::optional<Silence> silence;
  std::vector<WrongReply> wrongReplies;
  // The unit greets but never accepts any access code.
  bool refuseAccessCode = false;
};

// One entry of the unit's event log.
struct UnitLogEntry {
  KeyCode code{};
  bool granted = false;  // the key is stored in the memory
};

// The QEL unit at the far end of the serial line, as a pure state machine: no I/O and no clock of
// its own. Every byte comes in with the time it arrived; every reply byte carries the time at
// which it has fully crossed the 19200-baud wire, and Read hands out those whose time has come.
// The caller keeps time monotonic across Receive and Read.
class SimulatedUnit {
 public:
  static constexpr SimTime kByteTime{521};       // 10 bits at 19200 baud
  static constexpr SimTime kTurnaround{2000};    // before the first byte of any reply
  static constexpr long long kStreamRate = 950;  // memory bytes a second, at most
  static constexpr SimTime kDeleteTime{500'000};
  static constexpr SimTime kCommentStoreTime{500'000};
  static constexpr SimTime kClockSetTime{1'800'000};
  static constexpr SimTime kEraseTick{50'000};
  static constexpr int kEraseTicks = 40;
  // A multi-byte command whose next byte does not come within this time is dropped, so that a
  // program that went away mid-command does not leave the unit waiting for data for ever.
  static constexpr SimTime kDataTimeout{10'000'000};
  static constexpr std::size_t kMaxNameLength = 64;

  explicit SimulatedUnit(UnitConfig config = {});

  void Receive(std::uint8_t byte, SimTime now);
  // Moves the reply bytes due by `now` into `out`, oldest first; returns their number.
  std::size_t Read(std::span<std::uint8_t> out, SimTime now);
  // When the next reply byte becomes available; none when nothing is pending.
  std::optional<SimTime> NextOutputTime() const;

  // A key held at the reader; the 0x6B poll reports it until it is released.
  void HoldKey(const KeyCode& code);
  void ReleaseKey();

  void SetFaults(Faults faults) { faults_ = std::move(faults); }
  const Faults& faults() const { return faults_; }

  bool LoggedIn() const;
  bool Dead() const { return dead_; }
  std::span<const std::uint8_t, unit::kMemorySize> Memory() const { return memory_; }
  // Replaces the whole key memory (as a factory fill or an earlier upload would).
  void LoadMemory(std::span<const std::uint8_t, unit::kMemorySize> image);
  int RecordSize() const { return recordSize_; }
  int AccessTime() const { return accessTime_; }
  std::uint8_t RelaySetup() const { return relaySetup_; }
  int AccessCode() const { return accessCode_; }
  const std::string& Name() const { return name_; }
  CivilTime ClockAt(SimTime now) const;
  const std::vector<UnitLogEntry>& Log() const { return log_; }

 private:
  enum class Phase {
    LoggedOut,
    LoginTransport,
    LoginGreeting,  // the letters Q E L; got_ counts them
    LoginHello,
    LoginCode,  // two data bytes
    Idle,       // logged in, waiting for a command
    FirmwareArgument,
    DeleteId,
    SaveHead,  // id, key code and floors: 17 echoed bytes
    SaveComment,
    Name,
    SettingValue,
    AccessCode,
    Clock,
    WriteStart,  // the rest of 0x1D 0x07 0x1A
    WriteBlocks,
    EraseStart,  // the rest of 0x18 0x08 0x11 or 0x28 0x08 0x13
    Busy,        // streaming or erasing until busyUntil_
  };
  struct Output {
    SimTime at;
    std::uint8_t byte;
  };

  bool IsDataPhase() const;
  void HangUp(SimTime now);
  void BeginCommand(std::uint8_t command);
  void Dispatch(std::uint8_t byte, SimTime now);
  void OnLogin(std::uint8_t byte, SimTime now);
  void OnCommand(std::uint8_t byte, SimTime now);
  static std::optional<Phase> DataPhaseOf(std::uint8_t command);
  // The reply of a command answered at once (none for the idle byte and the dialog mark).
  void Answer(std::uint8_t command, SimTime now);
  void OnDelete(std::uint8_t byte, SimTime now);
  void OnSaveHead(std::uint8_t byte, SimTime now);
  void OnSaveComment(std::uint8_t byte, SimTime now);
  void OnName(std::uint8_t byte, SimTime now);
  void OnSettingValue(std::uint8_t byte, SimTime now);
  void OnAccessCode(std::uint8_t byte, SimTime now);
  void OnClock(std::uint8_t byte, SimTime now);
  void OnWriteBlock(std::uint8_t byte, SimTime now);
  void OnStartSequence(std::uint8_t byte, SimTime now);
  void StartErase(bool keys, SimTime now);
  void StartStream(SimTime now);

  // Queues one reply byte of the current command, no earlier than `earliest` and after the
  // bytes before it have crossed the wire; faults apply here.
  void Emit(std::uint8_t byte, SimTime earliest);
  void Queue(std::uint8_t byte, SimTime earliest);
  void Emit(std::span<const std::uint8_t> bytes, SimTime earliest);
  void DropPending(SimTime now);
  bool Matches(std::uint8_t command, int occurrence) const;
  bool RecordFits(int id) const;
  void LogPresentation(const KeyCode& code);

  std::array<std::uint8_t, unit::kMemorySize> memory_;
  int recordSize_;
  int accessTime_;
  std::uint8_t relaySetup_;
  int accessCode_;
  std::string name_;
  std::string firmware_;
  // The clock: the civil time it showed at clockSetAt_, in seconds since 1970 (no time zone).
  std::int64_t clockBase_ = 0;
  SimTime clockSetAt_{0};
  std::optional<KeyCode> heldKey_;
  std::vector<UnitLogEntry> log_;
  Faults faults_;

  Phase phase_ = Phase::LoggedOut;
  std::uint8_t command_ = 0;  // the command being served
  int commandOccurrence_ = 0;
  int repliesSent_ = 0;
  std::array<int, 256> commandCount_{};
  int got_ = 0;  // data bytes taken for the current command
  std::vector<std::uint8_t> data_;
  SimTime lastByteAt_{0};
  SimTime busyUntil_{0};
  bool dead_ = false;

  std::deque<Output> output_;
  SimTime lineFreeAt_{0};
};

}  // namespace qel::sim
