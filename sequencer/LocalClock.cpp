#include "sequencer/LocalClock.h"

namespace qel {

LocalTime Advanced(const LocalTime& t, std::chrono::milliseconds by) {
  using namespace std::chrono;
  const local_days date{year{t.year} / t.month / t.day};
  const local_time<milliseconds> instant =
      date + hours{t.hour} + minutes{t.minute} + seconds{t.second} + milliseconds{t.millisecond} + by;
  const local_days day = floor<days>(instant);
  const year_month_day ymd{day};
  const hh_mm_ss<milliseconds> clock{instant - day};
  return {static_cast<int>(ymd.year()),
          static_cast<int>(static_cast<unsigned>(ymd.month())),
          static_cast<int>(static_cast<unsigned>(ymd.day())),
          static_cast<int>(clock.hours().count()),
          static_cast<int>(clock.minutes().count()),
          static_cast<int>(clock.seconds().count()),
          static_cast<int>(clock.subseconds().count())};
}

}  // namespace qel
