// The folder walk: depth first, in the order the file system lists each folder, handing every
// file (and, for the recent-folders list, every real subfolder) to the evaluator. It keeps the
// window alive by draining the queue once per folder and every fifth entry of the scan (at most
// every few milliseconds, see PumpMessagesWhenDue), and it tests the stop flag at each of those
// points. No list of entries is built: one FindData record in
// the session serves every level, so memory stays constant however large the tree.
#pragma once

#include <windows.h>

#include <string>

#include "scan/scan_session.h"

// The line on which the walk shows the folder it is in, and the drawing context with which
// the path is shortened to the line's width. With no line (tests), nothing is shown.
void SetFolderLine(HWND line, HDC lineDC);

// True when this folder and everything below it was walked to the end; false when the walk
// ended because StopRequested was found set.
bool WalkFolder(const std::wstring& folder, ScanSession& session, bool insideRecentFolder);
