// Whether one directory entry belongs in the results, and its line. Files are judged by the
// chosen time, the pattern and the Microsoft rule, and get their facts in order of cost, each
// expensive step followed by a chance to stop (the stop flag is tested after each; the queue
// itself is looked at when a drain is due, the hash and the trust check having drained it as
// they went); folders (for the recent-folders list) by their creation time alone.
#pragma once

#include <string>

#include "platform/file_system.h"
#include "scan/scan_session.h"

enum class EntryVerdict { Stop = 0, Continue = 1, Listed = 2 };

enum class EntryKind { File, Folder };

// Examines the entry now in session.FindData, found in folder. The log shows the entry's path in
// its ordinary form; every file fact is read through its literal form, the name exactly as
// listed.
EntryVerdict EvaluateEntry(ScanSession& session, const ScanPath& folder, EntryKind kind);
