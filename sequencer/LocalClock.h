#pragma once

#include <chrono>

namespace qel {

// The PC's local date and time, broken down; month 1..12, day 1..31, year in full (2026).
struct LocalTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;

  bool operator==(const LocalTime&) const = default;
};

// `t` moved on by `by` on the calendar: days, months and years roll over as the clock would.
LocalTime Advanced(const LocalTime& t, std::chrono::milliseconds by);

class LocalClock {
 public:
  virtual ~LocalClock() = default;
  virtual LocalTime Now() const = 0;
};

// The system's local time zone.
class SystemLocalClock final : public LocalClock {
 public:
  LocalTime Now() const override;
};

}  // namespace qel
