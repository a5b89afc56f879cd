// The UTC calendar day of a file time, as a line dates it and the age test counts it. The files
// of one folder mostly fall on a few days, so the day last worked out is kept together with the
// span of file times it covers, and a time inside that span takes its date, day number and date
// text without being converted or formatted again.
#pragma once

#include <windows.h>

#include <cstdint>

#include "scan/log_text.h"

struct FileDay {
  // The file times of the day in hand, From included, To not; empty until a time is dated.
  uint64_t From = 0;
  uint64_t To = 0;
  int32_t Number = 0;   // DayNumber of the day
  ShortText Text;       // DateText of the day
};

// Puts the day of `time` in `day`. False, with `day` as it was, when the platform cannot date it.
bool DateOf(const FILETIME& time, FileDay& day);
