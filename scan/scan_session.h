// The one record a scan works on: the snapshot of the options, the counters, the open output
// files, the directory-entry scratch and the stop flag. The shell owns the one instance and
// hands it by reference to the walker, which hands it on to the evaluator.
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/text_file.h"
#include "scan/pattern.h"

// Which file time a scan filters and prints by.
constexpr int32_t kTimestampCreation = 0;
constexpr int32_t kTimestampLastAccess = 1;
constexpr int32_t kTimestampLastWrite = 2;

struct ScanSession {
  WIN32_FIND_DATAW FindData{};  // the entry under examination; every walk level reuses it
  bool IncludeMicrosoftFiles = false;
  bool IncludeMd5 = false;
  bool VerifySignatures = false;
  bool ScanRecentFolders = false;
  bool IncludeCompanyName = false;
  bool IncludeAttributes = false;
  bool IncludeDescription = false;
  bool IncludeFileSize = false;
  bool Recurse = false;
  bool SeparateWithBlankLine = false;
  const PatternMatcher* Pattern = nullptr;  // owned by whoever started the scan
  uint64_t FilesAnalyzed = 0;   // directory entries read, "." and ".." included
  uint64_t FilesMatched = 0;    // result lines written
  int32_t MaxAgeDays = 0;
  int32_t TodayDayNumber = 0;
  int32_t TimestampBase = 0;
  UniqueTextFile LogFile;
  SYSTEMTIME DateScratch{};     // today's local date at the start, then each entry's UTC date
  UniqueTextFile FolderFile;    // the temporary recent-folders list, or none
  uint64_t FoldersMatched = 0;
  bool StopRequested = false;
};

// (year - 1870) * 365 + month * 30 + day, in 32-bit integers: every month counts 30 days and
// every year 365, so ages are differences of such numbers.
int32_t DayNumber(const SYSTEMTIME& date);

// The age test: passes when maxAgeDays is 0, or when maxAgeDays + entryDay is not less than
// today, sum and comparison in unsigned 32-bit arithmetic.
bool PassesAgeTest(int32_t maxAgeDays, int32_t entryDay, int32_t todayDay);
