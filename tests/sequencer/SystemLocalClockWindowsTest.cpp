#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "sequencer/SystemLocalClock.h"

namespace qel {
namespace {

// A zone one hour east of UTC without summer time reads the same in the C runtime's TZ syntax and
// in POSIX's, so the expected hours need no tables.
TEST(SystemLocalClock, BreaksTheSecondsDownInTheLocalZone) {
  ASSERT_EQ(_putenv_s("TZ", "XYZ-1"), 0);
  _tzset();
  // 2026-12-31 23:30:00 UTC is already the new year here.
  const std::tm parts = LocalCalendar(1798759800);
  _putenv_s("TZ", "");
  _tzset();
  EXPECT_EQ(parts.tm_year + 1900, 2027);
  EXPECT_EQ(parts.tm_mon, 0);
  EXPECT_EQ(parts.tm_mday, 1);
  EXPECT_EQ(parts.tm_hour, 0);
  EXPECT_EQ(parts.tm_min, 30);
}

}  // namespace
}  // namespace qel
