#include "scan/folder_walker.h"

#include "platform/file_system.h"
#include "platform/scope_guard.h"
#include "scan/file_evaluation.h"
#include "scan/folder_line.h"
#include "scan/message_drains.h"

namespace {

bool IsDotName(const wchar_t* name) {
  return (name[0] == L'.' && name[1] == L'\0') || (name[0] == L'.' && name[1] == L'.');
}

}  // namespace

bool WalkFolder(const std::wstring& folder, ScanSession& session, bool insideRecentFolder) {
  DrainScanWhenDue(session);
  if (session.StopRequested) return false;

  const UniqueFindHandle find(FindFirstFileAsItIs(folder + L"\\*", &session.FindData));
  if (find.get() == INVALID_HANDLE_VALUE || !find) return true;  // cannot be listed: contributes nothing
  NoteFolder(folder);

  do {
    ++session.FilesAnalyzed;
    if (session.FilesAnalyzed % 5 == 0) {
      DrainScanWhenDue(session);
      if (session.StopRequested) return false;
    }
    const WIN32_FIND_DATAW& entry = session.FindData;
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      if (EvaluateEntry(session, folder, EntryKind::File) == EntryVerdict::Stop) return false;
      continue;
    }
    // Junctions and folder links are neither listed nor entered: they lead back into the tree
    // or out of it.
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
    if (IsDotName(entry.cFileName)) continue;
    bool listed = false;
    if (session.ScanRecentFolders && !insideRecentFolder) {
      const EntryVerdict verdict = EvaluateEntry(session, folder, EntryKind::Folder);
      if (verdict == EntryVerdict::Stop) return false;
      listed = verdict == EntryVerdict::Listed;
    }
    if (session.Recurse) {
      // The entry is finished with before descending: the child level reuses FindData.
      const std::wstring child = folder + L"\\" + entry.cFileName;
      if (!WalkFolder(child, session, insideRecentFolder || listed)) return false;
    }
  } while (FindNextFileW(find.get(), &session.FindData));
  return true;
}
