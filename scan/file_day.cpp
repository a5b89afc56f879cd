#include "scan/file_day.h"

#include <algorithm>

namespace {
constexpr uint64_t kTicksPerMillisecond = 10000;  // file times count 100-nanosecond ticks
constexpr uint64_t kTicksPerDay = 86400000 * kTicksPerMillisecond;
// The platform dates no time from here on: a day's span must not reach past it.
constexpr uint64_t kFirstUndatable = 0x8000000000000000ull;
}  // namespace

bool DateOf(const FILETIME& time, FileDay& day) {
  const uint64_t ticks = static_cast<uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
  if (ticks >= day.From && ticks < day.To) return true;
  SYSTEMTIME date;
  if (!FileTimeToSystemTime(&time, &date)) return false;
  const uint64_t intoDay = ((date.wHour * 60ull + date.wMinute) * 60 + date.wSecond) * 1000 * kTicksPerMillisecond +
                           date.wMilliseconds * kTicksPerMillisecond + ticks % kTicksPerMillisecond;
  day.From = ticks - intoDay;
  day.To = std::min(day.From + kTicksPerDay, kFirstUndatable);
  day.Number = DayNumber(date);
  day.Text = DateText(date);
  return true;
}
