#pragma once

#include <array>
#include <chrono>
#include <cstdint>

#include "files/ImageFile.h"
#include "keystore/KeyMemoryImage.h"
#include "link/UnitCommands.h"
#include "sequencer/LocalClock.h"
#include "sequencer/Sequencer.h"
#include "sequencer/UnitEvents.h"
#include "sequencer/UnitSettings.h"
#include "texts/Texts.h"

namespace qel {

// Which settings the write sends; the settings command sets them before the write starts.
struct SettingsChanges {
  bool nameChanged = false;
  bool recordSizeChanged = false;
  bool accessTimeChanged = false;
  bool relayChanged = false;
  bool accessCodeChanged = false;
  bool setClock = false;
  bool operator==(const SettingsChanges&) const = default;
};

// What the operator accepted in the settings dialog: the four settings (access time 0 for
// permanent access), and whether the name or the access code was changed and the clock is to be set.
struct AcceptedSettings {
  ImageSettings values{};
  bool nameChanged = false;
  bool accessCodeChanged = false;
  bool setClock = false;
};

// What the write must send to take the unit from `before` to `accepted`. Permanent access is bit 7
// of the relay byte: entering or leaving it sends the relay byte too, or the lift stays open.
SettingsChanges Diff(const ImageSettings& before, const AcceptedSettings& accepted);

// The relay setup byte: both inversions (three bits each) and bit 7 for permanent access.
std::uint8_t RelayByte(const ImageSettings& settings);
std::uint8_t RecordSizeByte(const ImageSettings& settings);
std::uint8_t AccessTimeByte(const ImageSettings& settings);

// The unit's one-byte acknowledgement of a setting.
struct Acknowledgement {
  int noReplyError;
  int wrongReplyError;
  Text done;  // logged once acknowledged

  // Reads and judges the reply: 0 once acknowledged (and logged), else the error, unreported.
  int Judge(Sequencer& s) const;
};

// One setting written and its acknowledgement judged, each on a tick of its own: the command, the
// value made from the settings, then the reply.
struct SettingGroup {
  static constexpr int kTicks = 3;
  static constexpr int kJudgeTick = kTicks - 1;
  // Where unread input is dropped: a group left out still drops it where its command would go.
  enum class Discard { Never, BeforeCommand, BeforeValue };

  std::uint8_t command;
  std::uint8_t (*value)(const ImageSettings&);
  Acknowledgement acknowledgement;
  Discard discard = Discard::Never;

  constexpr SettingGroup Discarding(Discard where) const {
    SettingGroup group = *this;
    group.discard = where;
    return group;
  }
  constexpr SettingGroup WithValue(std::uint8_t (*made)(const ImageSettings&)) const {
    SettingGroup group = *this;
    group.value = made;
    return group;
  }

  // Tick `tick` (0 to kJudgeTick) of writing the setting from `settings`: 0, or on the judge tick
  // the error, unreported, that the acknowledgement came to.
  int Tick(Sequencer& s, int tick, const ImageSettings& settings) const;
};

// The settings that the settings write and an image's settings both send, in the unit's order.
inline constexpr SettingGroup kRecordSizeGroup{
    unit::kSetRecordSize, &RecordSizeByte, {303, 302, Text::CommentLengthSet}};
inline constexpr SettingGroup kAccessTimeGroup{
    unit::kSetAccessTime, &AccessTimeByte, {305, 304, Text::AccessTimeSet}};
inline constexpr SettingGroup kRelayGroup{unit::kSetRelay, &RelayByte, {307, 306, Text::RelaySettingsSet}};

// The whole key memory to the unit, one 128-byte block per tick. The reply to each block is judged
// on the next tick, the last block's on a tick of its own, so that no block goes unchecked.
class BlockTransfer {
 public:
  // Every block's tick and the last reply's.
  static constexpr int kTicks = unit::kBlockCount + 1;

  enum class Result { Going, Done, Failed };

  void Restart() { block = 0; }
  // The progress before a tick: `text` names the block about to go ("... block 3 of 512"), and
  // one period of the whole time has passed.
  void ShowProgress(Sequencer& sequencer, Text text, std::chrono::milliseconds period) const;
  // One tick. Failed leaves the error (532, 533) in `error` for the caller to report once it has
  // stopped its timer.
  Result Tick(Sequencer& sequencer, const ImageBytes& image);

  int block = 0;  // the next block to write; kBlockCount once all are written
  int error = 0;
};

// Every 200 ms: the settings that changed, in the unit's fixed order (elevator name, record size,
// access time, relay setup, access code, the PC's clock), each acknowledgement judged, and a last
// tick on which the memory rewrite that follows a new record size starts. Any error stops it for
// good (critical).
class SettingsWriteOperation final : public Operation {
 public:
  static constexpr std::chrono::milliseconds kPeriod{200};
  // Ticks the unit takes to set its clock before it acknowledges it.
  static constexpr int kClockSettingTicks = 9;

  // The settings go out as `settings` and `image` hold them; a confirmed access code is kept in
  // `settings`.
  SettingsWriteOperation(Sequencer& sequencer, const KeyMemoryImage& image, UnitSettings& settings,
                         UnitEvents& events)
      : Operation(OperationKind::SettingsWrite),
        s_(sequencer),
        image_(image),
        settings_(settings),
        events_(events) {}

  // Prepares the next run to write `changes` from its first tick; `newAccessCode` goes out after
  // kSetAccessCode, and the PC keeps the old one until the unit confirms it.
  void Aim(const SettingsChanges& changes, int newAccessCode);
  std::chrono::milliseconds Period() const override { return kPeriod; }
  void Prepare() override;
  Outcome Tick() override;

  // From the first byte of a new record size on, the unit's memory no longer matches its layout
  // until the last block has been acknowledged: whether this write (running or stopped) got that far.
  bool MemoryInDoubt() const;
  // The same while the write runs.
  bool RewritingMemory() const;
  // What is still to be written; the name drops out once it has gone.
  const SettingsChanges& changes() const { return changes_; }

 private:
  // In the unit's order; a stage its change does not ask for takes one tick.
  enum class Stage { Name, RecordSize, AccessTime, Relay, AccessCode, Clock, Finish };

  void NextStage();
  void NameTick(int tick);
  void GroupTick(int tick);
  void AccessCodeTick(int tick);
  void ClockTick(int tick);
  bool JudgeAccessCodeHigh();
  bool JudgeAccessCodeLow();
  bool JudgeClockEcho();
  void LogAccessCodeFailure(int replyLength);
  void Fail(int code);
  void Finish();

  Sequencer& s_;
  const KeyMemoryImage& image_;
  UnitSettings& settings_;
  UnitEvents& events_;
  SettingsChanges changes_;
  int newAccessCode_ = 0;
  Stage stage_ = Stage::Name;
  int tick_ = 0;                      // of the stage
  int wait_ = 0;                      // ticks left in which the unit is busy and nothing is done
  Outcome outcome_ = Outcome::Going;  // of the tick that runs
  std::array<std::uint8_t, 6> clockFields_{};
};

}  // namespace qel
