// The one record a scan works on: the snapshot of the options, the counters, the open output
// files, the directory-entry scratch, the stop flag and where the walk shows its folders. The
// shell owns the one instance and hands it by reference to the walker, which hands it on to the
// evaluator.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/text_file.h"
#include "scan/pattern.h"

// Which file time a scan filters and prints by: the index of the window's "Timestamp base" list.
enum class TimestampBase : int32_t { Creation = 0, LastAccess = 1, LastWrite = 2 };

// The options a scan runs with, taken from the window once when it starts, so that changing a
// control during a scan changes nothing.
struct ScanSettings {
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
  TimestampBase Timestamp = TimestampBase::LastWrite;
};

// Told the path of each folder the walk enters, as the log shows it.
using FolderNote = void (*)(const std::wstring& folder);

struct ScanSession {
  WIN32_FIND_DATAW FindData{};  // the entry under examination; every walk level reuses it
  ScanSettings Settings;
  const PatternMatcher* Pattern = nullptr;  // owned by whoever started the scan
  uint64_t FilesAnalyzed = 0;   // directory entries read, "." and ".." included
  uint64_t FilesMatched = 0;    // result lines written
  int32_t MaxAgeDays = 0;
  int32_t TodayDayNumber = 0;
  UniqueTextFile LogFile;
  SYSTEMTIME DateScratch{};     // today's local date, taken when the scan starts
  UniqueTextFile FolderFile;    // the temporary recent-folders list, or none
  uint64_t FoldersMatched = 0;
  bool StopRequested = false;
  FolderNote NoteFolder = nullptr;  // the window's folder line, or none
  // The literal path of the file whose facts are read; its room stays from file to file.
  std::wstring FilePath;
};

// A write of the log or of the folder list was lost: nothing found from then on can be logged.
bool WriteLost(const ScanSession& session);

// Where the walk and the evaluator look after each drain: a stop was asked for, or a write was
// lost. Either way the scan ends as a stopped one does.
inline bool ScanMustEnd(const ScanSession& session) { return session.StopRequested || WriteLost(session); }

// The scan's drain when due: both output files flushed, the queue dispatched.
void DrainScan(ScanSession& session);

// (year - 1870) * 365 + month * 30 + day, in 32-bit integers: every month counts 30 days and
// every year 365, so ages are differences of such numbers.
int32_t DayNumber(const SYSTEMTIME& date);

// The age test: passes when maxAgeDays is 0, or when maxAgeDays + entryDay is not less than
// today, sum and comparison in unsigned 32-bit arithmetic.
bool PassesAgeTest(int32_t maxAgeDays, int32_t entryDay, int32_t todayDay);
