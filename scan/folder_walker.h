// The folder walk: depth first, in the order the file system lists each folder, handing every
// file (and, for the recent-folders list, every real subfolder) to the evaluator. It notes each
// folder it enters for the folder line, keeps the window alive by draining the queue once per
// folder and every fifth entry of the scan (at most every few milliseconds, see
// DrainScanWhenDue), and it tests the stop flag at each of those points. No list of entries is built: one FindData record in
// the session serves every level, so memory stays constant however large the tree.
#pragma once

#include <windows.h>

#include <string>

#include "scan/scan_session.h"

// True when this folder and everything below it was walked to the end; false when the walk
// ended because StopRequested was found set.
bool WalkFolder(const std::wstring& folder, ScanSession& session, bool insideRecentFolder);
