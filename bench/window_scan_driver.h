// The whole program driven through scans for the benchmarks: trees of recent folders and sparse
// files, the companion viewer's stand-in (the scan's last act is to start it), one scan through
// the window from the click to the closed log with the log's counts, and the program's peak
// memory.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window_controls.h"
#include "bench_support.h"
#include "support/companion.h"
#include "support/gui_driver.h"

// A folder of `folders` folders of `files` empty files each, with short names, made by the host
// (minutes for Win32 under Wine). Kept when already made whole.
void MakeWideTree(const std::wstring& root, int folders, int files);

// A folder of `count` empty subfolders dated today, each one a recent folder of the scan. Kept
// when already made whole.
void MakeRecentFolders(const std::wstring& root, int count);

// A sparse file of the given size (its bytes read as zeros); false when it could not be made.
bool MakeSparseFile(const std::wstring& path, long long bytes);

// What a scan types into the window; an empty text keeps the window's default, and only the
// listed check boxes change.
struct ScanRequest {
  std::wstring Root;
  std::wstring LogPath;
  std::wstring Pattern;
  std::wstring MaxAge;
  std::vector<std::pair<ControlId, bool>> Checks;
};

struct ScanOutcome {
  bool Finished = false;       // the log was closed and the viewer started in time
  double LogSeconds = 0;       // from the click to the log's closing banner, as the driver saw it
  double WriteSeconds = 0;     // from the click to the log's last write (its last-write time)
  double ViewerSeconds = 0;    // from the click to the viewer's start
  uint64_t Analyzed = 0;       // the footer's "file objects analyzed"
  uint64_t Matched = 0;        // the footer's "files matched"
  std::wstring Log;            // the whole log, without its byte order mark
};

// Types the request, posts the click and waits for the closed log and the viewer's start. The
// driver loop calls `between` (when given) once per turn, and it paces the loop; otherwise the
// loop sleeps between its looks at the log.
ScanOutcome ScanThroughWindow(RunningProgram& program, const StandIn& viewer, const ScanRequest& request,
                              DWORD timeoutMs, const std::function<void()>& between = nullptr);

