// One scan from its options to the finished log: the root checked, the log opened, the header
// and legend written, the pattern compiled, the walk, the recent-folders section merged, the
// footer written and the log closed. The window runs it between its status texts, which it
// hands in as callbacks; tests, benchmarks and tools run the very same flow without a window.
#pragma once

#include <cstdint>
#include <string>

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

// What the window shows of a running scan; a null member shows nothing.
struct ScanDisplay {
  void (*Began)() = nullptr;        // the log is open: the scan is under way
  void (*Walking)() = nullptr;      // the header is written: the walk begins
  FolderNote NoteFolder = nullptr;  // each folder the walk enters, as the log shows it
};

enum class ScanStart { Started, RootMissing, LogUnopenable };

struct ScanResult {
  ScanStart Start = ScanStart::RootMissing;
  bool Completed = false;  // the walk ran to its end and every line is in the log
  bool WriteLost = false;  // a write of the log or the folder list failed: the log lacks lines
  std::wstring LogPath;    // the log's full ordinary path, once it was opened
};

// Runs the whole scan on `session`, which is zeroed once the root is accepted and which a
// drain may re-enter to set StopRequested. Nothing is written, and the log is not touched, when
// the root is no folder; nothing is shown when the log cannot be opened (a log path naming a
// device is not opened at all). The scan ends at the first write of the log or of the folder
// list that is lost, as a stopped scan ends, and its footer says so.
ScanResult RunScan(const ScanOptions& options, ScanSession& session, const ScanDisplay& display = ScanDisplay{});
