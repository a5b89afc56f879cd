#include "scan/scan_session.h"

#include "platform/message_drains.h"

bool WriteLost(const ScanSession& session) {
  return (session.LogFile && session.LogFile->Lost) || (session.FolderFile && session.FolderFile->Lost);
}

void DrainScan(ScanSession& session) { DrainScanWhenDue(session.LogFile.get(), session.FolderFile.get()); }

int32_t DayNumber(const SYSTEMTIME& date) {
  return (static_cast<int32_t>(date.wYear) - 1870) * 365 + static_cast<int32_t>(date.wMonth) * 30 +
         static_cast<int32_t>(date.wDay);
}

bool PassesAgeTest(int32_t maxAgeDays, int32_t entryDay, int32_t todayDay) {
  if (maxAgeDays == 0) return true;
  // Unsigned on purpose: a date before 1870 wraps the sum and passes, and a maximum of -1
  // keeps only entries dated after today.
  const uint32_t sum = static_cast<uint32_t>(maxAgeDays) + static_cast<uint32_t>(entryDay);
  return sum >= static_cast<uint32_t>(todayDay);
}
