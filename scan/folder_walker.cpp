#include "scan/folder_walker.h"

#include <vector>

#include "platform/message_drains.h"
#include "platform/scope_guard.h"
#include "scan/file_evaluation.h"

namespace {

// The listing's own entries for the folder itself and its parent. Any other name, however many
// dots it starts with ("..cache", "...", ".. "), is a real folder, and a known place to hide.
bool IsDotName(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

// One folder being listed: its open listing and where its path ends in the walk's path.
struct WalkLevel {
  UniqueFindHandle Find;
  size_t ShownLength = 0;
  size_t LiteralLength = 0;
  bool InsideRecentFolder = false;
  bool EntryWaiting = true;  // FindData holds the listing's first entry, not yet examined
};

// Starts listing the folder now in `path`: true with a level added, or true with none when it
// cannot be listed (it contributes nothing); false when a stop was asked for.
bool EnterFolder(const ScanPath& path, ScanSession& session, bool insideRecentFolder, std::vector<WalkLevel>& levels) {
  DrainScan(session);
  if (ScanMustEnd(session)) return false;
  UniqueFindHandle find(FindFirstFileAsItIs(path.Literal + L"\\*", &session.FindData));
  if (find.get() == INVALID_HANDLE_VALUE || !find) return true;
  if (session.NoteFolder != nullptr) session.NoteFolder(path.Shown);
  WalkLevel level;
  level.Find = std::move(find);
  level.ShownLength = path.Shown.size();
  level.LiteralLength = path.Literal.size();
  level.InsideRecentFolder = insideRecentFolder;
  levels.push_back(std::move(level));
  return true;
}

// Back to the path of the folder that `level` lists.
void BackTo(ScanPath& path, const WalkLevel& level) {
  path.Shown.resize(level.ShownLength);
  path.Literal.resize(level.LiteralLength);
}

}  // namespace

bool WalkFolder(const ScanPath& folder, ScanSession& session, bool insideRecentFolder) {
  ScanPath path = folder;  // the folder being listed; a subfolder's name is added on the way down
  std::vector<WalkLevel> levels;
  if (!EnterFolder(path, session, insideRecentFolder, levels)) return false;

  while (!levels.empty()) {
    WalkLevel& level = levels.back();
    if (level.EntryWaiting) {
      level.EntryWaiting = false;
    } else if (!FindNextFileW(level.Find.get(), &session.FindData)) {
      // This folder is done: its parent goes on after the entry that led here.
      levels.pop_back();
      if (!levels.empty()) BackTo(path, levels.back());
      continue;
    }
    ++session.FilesAnalyzed;
    if (session.FilesAnalyzed % 5 == 0) {
      DrainScan(session);
      if (ScanMustEnd(session)) return false;
    }
    const WIN32_FIND_DATAW& entry = session.FindData;
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      if (EvaluateEntry(session, path, EntryKind::File) == EntryVerdict::Stop) return false;
      continue;
    }
    // Junctions and folder links are neither listed nor entered: they lead back into the tree
    // or out of it.
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
    if (IsDotName(entry.cFileName)) continue;
    bool listed = false;
    if (session.Settings.ScanRecentFolders && !level.InsideRecentFolder) {
      const EntryVerdict verdict = EvaluateEntry(session, path, EntryKind::Folder);
      if (verdict == EntryVerdict::Stop) return false;
      listed = verdict == EntryVerdict::Listed;
    }
    if (session.Settings.Recurse) {
      // The entry is finished with before descending: the child's listing reuses FindData.
      const bool inside = level.InsideRecentFolder || listed;
      AppendName(path, entry.cFileName);
      const size_t before = levels.size();
      if (!EnterFolder(path, session, inside, levels)) return false;
      if (levels.size() == before) BackTo(path, levels.back());  // not listable
    }
  }
  return true;
}
