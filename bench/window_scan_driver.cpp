#include "window_scan_driver.h"

#include "support/wine_host.h"

namespace {

// How often the driver looks at the log's end: seldom, since each look is work for the Wine
// server that the scan also needs; the scan is timed by the log's last-write time.
constexpr DWORD kLogLookMs = 100;

// The decimal number (with "," between groups) that ends just before `end`.
uint64_t CountBefore(const std::wstring& text, size_t end) {
  size_t from = end;
  while (from > 0 && (iswdigit(text[from - 1]) || text[from - 1] == L',')) --from;
  uint64_t value = 0;
  for (size_t i = from; i < end; ++i) {
    if (text[i] != L',') value = value * 10 + static_cast<uint64_t>(text[i] - L'0');
  }
  return value;
}

}  // namespace

void MakeWideTree(const std::wstring& root, int folders, int files) {
  const std::wstring mark = root + L".made";
  if (Exists(mark) && Exists(root)) return;
  CreateDirectoryW(root.c_str(), nullptr);
  RunHost("cd '" + UnixPath(root) + "' && for d in $(seq 0 " + std::to_string(folders - 1) +
          "); do mkdir -p d$d && (cd d$d && seq -f 'f%.0f' 0 " + std::to_string(files - 1) + " | xargs touch) || exit 1; done");
  const UniqueFileHandle h =
      AdoptFileHandle(CreateFileW(mark.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
}

void MakeRecentFolders(const std::wstring& root, int count) {
  const std::wstring mark = root + L".made";
  if (Exists(mark) && Exists(root)) return;
  CreateDirectoryW(root.c_str(), nullptr);
  for (int i = 0; i < count; ++i) CreateDirectoryW((root + L"\\recent" + std::to_wstring(i)).c_str(), nullptr);
  const UniqueFileHandle h =
      AdoptFileHandle(CreateFileW(mark.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
}

bool MakeSparseFile(const std::wstring& path, long long bytes) {
  const UniqueFileHandle h =
      AdoptFileHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!h) return false;
  LARGE_INTEGER size{};
  size.QuadPart = bytes;
  return SetFilePointerEx(h.get(), size, nullptr, FILE_BEGIN) && SetEndOfFile(h.get());
}

ScanOutcome ScanThroughWindow(RunningProgram& program, const StandIn& viewer, const ScanRequest& request,
                              DWORD timeoutMs, const std::function<void()>& between) {
  const auto control = [&program](ControlId id) { return GetDlgItem(program.Window, id); };
  SetWindowTextRemote(control(RootEditId), request.Root);
  SetWindowTextRemote(control(LogPathEditId), request.LogPath);
  if (!request.Pattern.empty()) SetWindowTextRemote(control(PatternEditId), request.Pattern);
  if (!request.MaxAge.empty()) SetWindowTextRemote(control(MaxAgeEditId), request.MaxAge);
  for (const auto& check : request.Checks) {
    SendWithTimeout(control(check.first), BM_SETCHECK, check.second ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  // Leftovers of an earlier scan would look like this one's end.
  DeleteFileW(request.LogPath.c_str());
  DeleteFileW(viewer.Record().c_str());
  // The pointer rests off the window, where a user's hand leaves it during a long scan. Left
  // over a themed control, it has Wine poll for its leaving at every look at the queue (about
  // half a millisecond each), which Windows does without the program.
  SetCursorPos(0, 0);
  LetProgramSettle(program.Window, 0);

  ScanOutcome outcome;
  FILETIME clicked{};
  GetSystemTimePreciseAsFileTime(&clicked);
  const double start = NowSeconds();
  PostClick(control(StartScanButtonId));
  double lastLook = start;
  while (outcome.LogSeconds == 0 || outcome.ViewerSeconds == 0) {
    if (between) {
      between();
    } else {
      Sleep(kLogLookMs);
    }
    const double now = NowSeconds();
    if ((now - start) * 1000 > timeoutMs) return outcome;
    if ((now - lastLook) * 1000 < kLogLookMs) continue;
    lastLook = now;
    if (outcome.LogSeconds == 0 && LogClosed(request.LogPath)) outcome.LogSeconds = now - start;
    if (outcome.LogSeconds != 0 && outcome.ViewerSeconds == 0 && Exists(viewer.Record())) {
      outcome.ViewerSeconds = now - start;
    }
  }
  outcome.Finished = true;
  WIN32_FILE_ATTRIBUTE_DATA log{};
  if (GetFileAttributesExW(request.LogPath.c_str(), GetFileExInfoStandard, &log)) {
    const auto ticks = [](const FILETIME& t) { return static_cast<long long>(t.dwHighDateTime) << 32 | t.dwLowDateTime; };
    outcome.WriteSeconds = static_cast<double>(ticks(log.ftLastWriteTime) - ticks(clicked)) / 1e7;
  }
  outcome.Log = ReadLogUnits(request.LogPath);
  const size_t analyzed = outcome.Log.rfind(L" file objects analyzed. ");
  if (analyzed != std::wstring::npos) {
    outcome.Analyzed = CountBefore(outcome.Log, analyzed);
    const size_t matched = outcome.Log.find(L" files matched", analyzed);
    if (matched != std::wstring::npos) outcome.Matched = CountBefore(outcome.Log, matched);
  }
  return outcome;
}
