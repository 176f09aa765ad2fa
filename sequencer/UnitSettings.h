#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "files/ImageFile.h"
#include "sequencer/LocalClock.h"
#include "texts/Language.h"

namespace qel {

// The unit's clock as it last reported it; the year has two digits (2000 + year).
struct UnitClock {
  int second = 0;
  int minute = 0;
  int hour = 0;
  int day = 0;
  int month = 0;
  int year = 0;

  bool IsZero() const { return (second | minute | hour | day | month | year) == 0; }
  bool operator==(const UnitClock&) const = default;
};

// The unit's clock against the PC's at the moment it was read: right (within two minutes, or not
// read), off by `minutes` (the unit's time minus the PC's, rounded towards zero), or not set (it
// shows no date a clock can show).
struct ClockJudgement {
  enum class State { Right, Off, NotSet };
  State state = State::Right;
  int minutes = 0;
  bool operator==(const ClockJudgement&) const = default;
};

// The unit's settings as the program knows them. The record size lives with the key memory
// image, whose layout it fixes.
struct UnitSettings {
  int accessTime = 0;  // 0..120; 0 means permanent access
  int relayInversion = 0;
  int mainRelayInversion = 0;
  int accessCode = 0;        // 0..9999, from the connect dialog; never read from the unit
  std::string elevatorName;  // Windows-1250 bytes as the unit sent them
  std::string firmware;      // UTF-8; empty when the unit did not say
  UnitClock unitClock;
  ClockJudgement clock;
};

inline constexpr int kMaxAccessTime = 120;
inline constexpr std::size_t kShownNameLength = 50;

// The 7 packed-BCD clock bytes: second, minute, hour, day of the week (ignored), day, month, year.
UnitClock DecodeUnitClock(std::span<const std::uint8_t, 7> bcd);

// How far `unit` is from `pc`, both read at the same moment. The unit keeps no time zone: both are
// local times.
ClockJudgement JudgeUnitClock(const UnitClock& unit, const LocalTime& pc);

// The log line that says a clock is wrong and how to set it; empty for a right one.
std::string ClockWarning(const ClockJudgement& clock, Language language);

// The log line that shows the unit's clock.
std::string ClockLine(const UnitClock& clock, Language language);

// The four settings that an image file keeps with the image, whose record size is `recordSize`.
inline ImageSettings ImageFileSettings(const UnitSettings& settings, int recordSize) {
  return {settings.accessTime, recordSize, settings.relayInversion, settings.mainRelayInversion};
}

// The summary line under the key list (access time, comment length, both relay inversions, and
// a wrong clock).
std::string SettingsSummary(const UnitSettings& settings, int recordSize, Language language);

}  // namespace qel
