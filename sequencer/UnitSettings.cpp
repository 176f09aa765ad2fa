#include "sequencer/UnitSettings.h"

#include <chrono>
#include <cstdlib>

#include "texts/Texts.h"

namespace qel {
namespace {

int Bcd(std::uint8_t byte, std::uint8_t tensMask) { return ((byte & tensMask) >> 4) * 10 + (byte & 0x0F); }

constexpr int kClockTolerance = 2 * 60;

// Seconds since 1 January 2000, proleptic Gregorian calendar.
long long Seconds(int year, int month, int day, int hour, int minute, int second) {
  const std::chrono::sys_days date = std::chrono::year{year} / month / day;
  const long long days = (date - std::chrono::sys_days{std::chrono::year{2000} / 1 / 1}).count();
  return ((days * 24 + hour) * 60 + minute) * 60 + second;
}

// How far a clock is off, in the unit that reads best: "7 min", "3 h", "40 d" (the same in both
// languages).
std::string DriftText(int minutes) {
  const int off = std::abs(minutes);
  if (off < 2 * 60) return std::to_string(off) + " min";
  if (off < 2 * 24 * 60) return std::to_string(off / 60) + " h";
  return std::to_string(off / (24 * 60)) + " d";
}

bool ShowsADate(const UnitClock& c) {
  const std::chrono::year_month_day date{std::chrono::year{2000 + c.year} / c.month / c.day};
  return date.ok() && c.hour < 24 && c.minute < 60 && c.second < 60;
}

}  // namespace

UnitClock DecodeUnitClock(std::span<const std::uint8_t, 7> bcd) {
  UnitClock clock;
  clock.second = Bcd(bcd[0], 0x70);
  clock.minute = Bcd(bcd[1], 0x70);
  clock.hour = Bcd(bcd[2], 0xF0);
  clock.day = Bcd(bcd[4], 0x70);
  clock.month = Bcd(bcd[5], 0x10);
  clock.year = Bcd(bcd[6], 0xF0);
  return clock;
}

ClockJudgement JudgeUnitClock(const UnitClock& unit, const LocalTime& pc) {
  if (!ShowsADate(unit)) return {ClockJudgement::State::NotSet, 0};
  const long long drift =
      Seconds(2000 + unit.year, unit.month, unit.day, unit.hour, unit.minute, unit.second) -
      Seconds(pc.year, pc.month, pc.day, pc.hour, pc.minute, pc.second);
  if (std::llabs(drift) <= kClockTolerance) return {};
  return {ClockJudgement::State::Off, static_cast<int>(drift / 60)};
}

std::string ClockWarning(const ClockJudgement& clock, Language language) {
  switch (clock.state) {
    case ClockJudgement::State::Right:
      return {};
    case ClockJudgement::State::NotSet:
      return std::string(Tr(Text::ClockNotSetWarning, language));
    case ClockJudgement::State::Off:
      break;
  }
  return TrFormat(clock.minutes < 0 ? Text::ClockBehindWarning : Text::ClockAheadWarning, language,
                  {DriftText(clock.minutes)});
}

std::string ClockLine(const UnitClock& c, Language language) {
  if (language == Language::Czech)
    return TrFormatInts(Text::ClockLine, language, {c.day, c.month, c.year, c.hour, c.minute});
  return TrFormatInts(Text::ClockLine, language, {c.year, c.month, c.day, c.hour, c.minute});
}

std::string SettingsSummary(const UnitSettings& s, int recordSize, Language language) {
  std::string line = s.accessTime == 0 ? std::string(Tr(Text::SummaryPermanentAccess, language))
                                       : TrFormat(Text::SummaryAccessTime, language, s.accessTime);
  line += TrFormat(Text::SummaryCommentLength, language, recordSize - 15);
  line += Tr(s.relayInversion ? Text::SummaryYesComma : Text::SummaryNoComma, language);
  line += Tr(Text::SummaryMainRelay, language);
  line += Tr(s.mainRelayInversion ? Text::SummaryYes : Text::SummaryNo, language);
  if (s.clock.state == ClockJudgement::State::NotSet) line += Tr(Text::SummaryClockNotSet, language);
  if (s.clock.state == ClockJudgement::State::Off)
    line += TrFormat(s.clock.minutes < 0 ? Text::SummaryClockBehind : Text::SummaryClockAhead, language,
                     {DriftText(s.clock.minutes)});
  return line;
}

}  // namespace qel
