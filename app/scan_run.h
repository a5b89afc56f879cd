// A scan from its options to the finished log, in the steps the window runs between its status
// texts. Tests run the same steps without a window (RunScan).
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_system.h"
#include "scan/scan_session.h"

// The options as the window holds them: the settings, and the texts as typed.
struct ScanOptions : ScanSettings {
  std::wstring Pattern;
  std::wstring MaxAge;
  std::wstring Root;
  std::wstring LogPath;
};

// The maximum age as wcstod reads it, truncated toward zero, its low 32 bits. A value the
// processor's conversion cannot represent (NaN, beyond 64 bits) gives 0, as on x86.
int32_t ParseMaxAgeDays(const std::wstring& text);

// Zeroes the session and opens (creates or truncates) the log, the path as ResolveTypedPath
// gives it. False when it cannot be opened.
bool OpenScanLog(ScanSession& session, const ScanPath& logPath);

// Takes the settings into the session, writes the header and the legend, compiles the pattern
// into `pattern` (which must outlive the scan), takes today's day number and starts the drain
// clock.
void PrepareScan(ScanSession& session, const ScanOptions& options, PatternMatcher& pattern);

// Opens the temporary recent-folders list under a name not yet taken in the temporary folder
// and writes the section's opening into it. Gives its path, or empty when it could not open.
std::wstring OpenFolderList(ScanSession& session);

// Merges the folder list when it has lines (and deletes it in every case), writes the footer
// and closes the log. The list's path is the one OpenFolderList gave.
void FinishScanLog(ScanSession& session, bool completed, const std::wstring& folderListPath);

enum class ScanStart { Started, RootMissing, LogUnopenable };

// The whole scan without a window. `completed` tells whether the walk ran to its end.
ScanStart RunScan(const ScanOptions& options, ScanSession& session, bool* completed);
