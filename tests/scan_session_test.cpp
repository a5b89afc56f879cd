// Day numbers and the age test built on them.
#include <gtest/gtest.h>

#include "scan/scan_session.h"

namespace {

SYSTEMTIME Date(int year, int month, int day) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  return st;
}

TEST(DayNumber, CountsThirtyDayMonthsAndYearsOf365Days) {
  EXPECT_EQ(DayNumber(Date(1870, 1, 1)), 31);
  EXPECT_EQ(DayNumber(Date(1870, 12, 31)), 391);
  EXPECT_EQ(DayNumber(Date(2024, 2, 5)), (2024 - 1870) * 365 + 60 + 5);
  EXPECT_EQ(DayNumber(Date(2023, 1, 31)), DayNumber(Date(2023, 2, 1)));
  EXPECT_EQ(DayNumber(Date(2023, 3, 1)) - DayNumber(Date(2023, 2, 28)), 3);
  EXPECT_EQ(DayNumber(Date(2024, 1, 1)) - DayNumber(Date(2023, 12, 31)), 5);
  EXPECT_EQ(DayNumber(Date(1869, 12, 31)), -365 + 360 + 31);
  EXPECT_EQ(DayNumber(Date(1601, 1, 1)), (1601 - 1870) * 365 + 31);
  EXPECT_EQ(DayNumber(Date(30827, 12, 31)), (30827 - 1870) * 365 + 391);
}

TEST(AgeTest, KeepsEntriesWithinTheMaximumAge) {
  const int32_t march1 = DayNumber(Date(2023, 3, 1));
  const int32_t feb1 = DayNumber(Date(2023, 2, 1));
  const struct {
    int32_t MaxAge;
    int32_t Entry;
    int32_t Today;
    bool Passes;
  } cases[] = {
      {0, 0, 999999, true},                                  // 0 lists everything
      {2, DayNumber(Date(2023, 2, 28)), march1, false},      // 3 days apart
      {3, DayNumber(Date(2023, 2, 28)), march1, true},       // the boundary day is inside
      {1, DayNumber(Date(2023, 1, 30)), feb1, true},
      {30, march1 + 10, march1, true},                       // dated after today
      {30, DayNumber(Date(1601, 1, 1)), march1, true},       // before 1870: the sum wraps
      {-1, march1, march1, false},                           // all bits set: only later days
      {-1, march1 + 1, march1, true},
      {7, march1 - 8, march1, false},
      {7, march1 - 7, march1, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PassesAgeTest(c.MaxAge, c.Entry, c.Today), c.Passes)
        << "max " << c.MaxAge << " entry " << c.Entry << " today " << c.Today;
  }
}

}  // namespace
