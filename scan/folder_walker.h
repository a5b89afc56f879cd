// The folder walk: depth first, in the order the file system lists each folder, handing every
// file (and, for the recent-folders list, every real subfolder) to the evaluator. It tells the
// session's NoteFolder each folder it enters, keeps the window alive by draining the queue once
// per folder and every fifth entry of the scan (at most every few milliseconds, see
// DrainScanWhenDue), and it tests the stop flag, and whether a write was lost, at each of those
// points.
// No list of entries is built and nothing grows with the width of the tree: one FindData record
// in the session serves every level, and one path (in both its forms) grows and shrinks as the
// walk goes down and up. The levels are kept in a list of their own, one open listing each,
// not on the call stack, so the deepest tree Windows can hold (about 16,000 levels within a
// path's 32,767 units) is walked to its end.
#pragma once

#include "platform/file_system.h"
#include "scan/scan_session.h"

// True when this folder and everything below it was walked to the end; false when the walk
// ended because StopRequested was found set or a write of the log or the folder list was lost.
// The folder comes from ResolveTypedPath.
bool WalkFolder(const ScanPath& folder, ScanSession& session, bool insideRecentFolder);
