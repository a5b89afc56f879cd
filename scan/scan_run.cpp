#include "scan/scan_run.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cmath>
#include <cwchar>

#include "platform/file_system.h"
#include "platform/message_drains.h"
#include "scan/folder_walker.h"
#include "scan/log_text.h"

int32_t ParseMaxAgeDays(const std::wstring& text) {
  const double value = std::wcstod(text.c_str(), nullptr);
  int64_t whole = INT64_MIN;  // the x86 conversion's answer for what it cannot represent
  if (!std::isnan(value) && value > -9223372036854775808.0 && value < 9223372036854775808.0) {
    whole = static_cast<int64_t>(value);
  }
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(whole) & 0xFFFFFFFFu));
}

namespace {

// Zeroes the session and opens (creates or truncates) the log. A log named after a device is
// refused before anything is opened: "nul.txt" in any folder is the NUL device, and a port
// behind "com1.log" might not even answer.
bool OpenScanLog(ScanSession& session, const std::wstring& typed, const ScanPath& logPath) {
  session = ScanSession{};
  if (NamesDosDevice(typed) || NamesDosDevice(logPath.Shown)) return false;
  uint32_t flags = kTextWrite | kTextUtf16Le;
  return OpenTextFile(&flags, session.LogFile, logPath.Literal);
}

// Takes the settings into the session, writes the header and the legend, compiles the pattern
// into `pattern` (which outlives the walk), takes today's day number and starts the drain clock.
void PrepareScan(ScanSession& session, const ScanOptions& options, PatternMatcher& pattern) {
  session.Settings = options;  // the settings part of the options, one record into the other
  session.MaxAgeDays = ParseMaxAgeDays(options.MaxAge);

  HeaderValues header;
  header.Now = NowText();
  header.Pattern = options.Pattern;
  header.Root = options.Root;
  header.MaxAge = options.MaxAge;
  pattern = CompilePattern(options.Pattern);
  session.Pattern = &pattern;
  WriteText(LogHeader(header, session.Settings), session.LogFile.get());
  WriteText(FormatLegend(session.Settings), session.LogFile.get());
  // The mark and the header reach the disk now: a scan that is killed, by the user or by what
  // is being hunted, still leaves a log that says what it was.
  FlushTextFile(session.LogFile.get());

  GetLocalTime(&session.DateScratch);
  session.TodayDayNumber = DayNumber(session.DateScratch);
  StartDrainClock();
}

// A free name for `path` in its folder; the path itself when the system cannot make one.
std::wstring MakeUniqueTempPath(const std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  if (slash == std::wstring::npos) return path;
  const std::wstring folder = path.substr(0, slash);
  const std::wstring name = path.substr(slash + 1);
  wchar_t unique[MAX_PATH] = {};
  if (!PathYetAnotherMakeUniqueName(unique, folder.c_str(), nullptr, name.c_str())) return path;
  return unique;
}

// Opens the temporary recent-folders list under a name not yet taken in the temporary folder
// and writes the section's opening into it. Gives its path, or empty when it could not open.
std::wstring OpenFolderList(ScanSession& session) {
  wchar_t temp[1024] = {};
  const DWORD length = GetTempPathW(1024, temp);
  if (length == 0 || length >= 1024) return std::wstring();
  const std::wstring path = ResolveTypedPath(MakeUniqueTempPath(std::wstring(temp) + L"FNX_FolderResults.txt")).Literal;
  uint32_t flags = kTextWrite | kTextUtf16Le;
  if (path.empty() || !OpenTextFile(&flags, session.FolderFile, path)) return std::wstring();
  WriteText(RecentFoldersOpening(), session.FolderFile.get());
  return path;
}

// Merges the folder list when it has lines, writes the footer, closes the log and then deletes
// the list: the room a deleted list frees must not let a footer land that the lines before it
// could not. A list that lost lines is merged as far as it is whole, without its end banner.
// Gives how the scan ended.
ScanEnd FinishScanLog(ScanSession& session, bool walked, const std::wstring& folderListPath) {
  TextFile* const log = session.LogFile.get();
  bool listLost = false;
  if (session.FolderFile) {
    const bool merge = session.Settings.ScanRecentFolders && session.FoldersMatched != 0;
    if (merge) WriteText(RecentFoldersEnd(), session.FolderFile.get());
    FlushTextFile(session.FolderFile.get());
    listLost = session.FolderFile->Lost;
    session.FolderFile.reset();
    uint32_t flags = kTextUtf16Le;
    UniqueTextFile list;
    if (merge && OpenTextFile(&flags, list, folderListPath)) {
      const std::wstring section = ReadWholeText(list.get(), kEncodingUtf16Le);
      list.reset();
      WriteText(section, log);
    }
  }
  FlushTextFile(log);
  const ScanEnd end = log->Lost || listLost ? ScanEnd::WriteLost : walked ? ScanEnd::Completed : ScanEnd::StoppedByUser;
  const bool closedWhole = WriteClosingText(
      FooterEndLine(end, NowText()) + FooterCounters(session.FilesAnalyzed, session.FilesMatched, session.FoldersMatched), log);
  session.LogFile.reset();
  if (!folderListPath.empty()) DeleteFileAsItIs(folderListPath);
  return closedWhole ? end : ScanEnd::WriteLost;
}

}  // namespace

ScanResult RunScan(const ScanOptions& options, ScanSession& session, const ScanDisplay& display) {
  ScanResult result;
  const ScanPath root = ResolveTypedFolder(options.Root);
  if (!IsFolderAsItIs(root.Literal)) return result;
  const ScanPath log = ResolveTypedPath(options.LogPath);
  if (!OpenScanLog(session, options.LogPath, log)) {
    result.Start = ScanStart::LogUnopenable;
    return result;
  }
  result.Start = ScanStart::Started;
  result.LogPath = log.Shown;
  if (display.Began != nullptr) display.Began();
  PatternMatcher pattern;
  PrepareScan(session, options, pattern);
  if (display.Walking != nullptr) display.Walking();
  session.NoteFolder = display.NoteFolder;
  const std::wstring folderList = session.Settings.ScanRecentFolders ? OpenFolderList(session) : std::wstring();
  const ScanEnd end = FinishScanLog(session, WalkFolder(root, session, false), folderList);
  result.Completed = end == ScanEnd::Completed;
  result.WriteLost = end == ScanEnd::WriteLost;
  session.Pattern = nullptr;
  return result;
}
