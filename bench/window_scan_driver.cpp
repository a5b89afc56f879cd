#include "window_scan_driver.h"

#include <psapi.h>

#include <memory>

#include "platform/scope_guard.h"

namespace {

constexpr int kFilesPerLeaf = 20;
constexpr int kTopFolders = 10;
constexpr int kMiddleFolders = 50;
constexpr DWORD kLogLookMs = 20;  // how often the driver looks at the log's end
const std::wstring kClosingBanner = L"############### End of the Fendrel results log ###############";
const std::wstring kCompanionKey = L"Software\\QLV - Qelvar";

const wchar_t* const kExtensions[] = {L".txt", L".jpg", L".png", L".log", L".dat", L".ini", L".xml",
                                      L".html", L".js",  L".css", L".exe", L".dll", L".sys", L".pdf",
                                      L".docx", L".bat", L".cab", L".mui", L".json", L".py"};

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

FILETIME YearsAgo() {
  SYSTEMTIME st{};
  st.wYear = 2019, st.wMonth = 6, st.wDay = 1, st.wHour = 12;
  FILETIME old{};
  SystemTimeToFileTime(&st, &old);
  return old;
}

void DateFolder(const std::wstring& folder, const FILETIME& when) {
  const UniqueFileHandle h = AdoptFileHandle(CreateFileW(folder.c_str(), FILE_WRITE_ATTRIBUTES,
                                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                         FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (h) SetFileTime(h.get(), &when, &when, &when);
}

// The whole file as UTF-16 text without its byte order mark; shared for writing, since the
// program may still hold it open.
std::wstring ReadLog(const std::wstring& path) {
  const UniqueFileHandle h = AdoptFileHandle(CreateFileW(path.c_str(), GENERIC_READ,
                                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                         nullptr, OPEN_EXISTING, 0, nullptr));
  if (!h) return std::wstring();
  LARGE_INTEGER size{};
  GetFileSizeEx(h.get(), &size);
  std::wstring text(static_cast<size_t>(size.QuadPart) / sizeof(wchar_t), L'\0');
  DWORD got = 0;
  if (!text.empty()) ReadFile(h.get(), text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &got, nullptr);
  text.resize(got / sizeof(wchar_t));
  if (!text.empty() && text[0] == 0xFEFF) text.erase(0, 1);
  return text;
}

// Whether the log already ends with its closing banner, from its last bytes alone.
bool LogClosed(const std::wstring& path) {
  const UniqueFileHandle h = AdoptFileHandle(CreateFileW(path.c_str(), GENERIC_READ,
                                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                         nullptr, OPEN_EXISTING, 0, nullptr));
  if (!h) return false;
  LARGE_INTEGER size{};
  GetFileSizeEx(h.get(), &size);
  const LONGLONG tailBytes = static_cast<LONGLONG>(kClosingBanner.size() * sizeof(wchar_t));
  if (size.QuadPart < tailBytes) return false;
  LARGE_INTEGER at{};
  at.QuadPart = size.QuadPart - tailBytes;
  SetFilePointerEx(h.get(), at, nullptr, FILE_BEGIN);
  std::wstring tail(kClosingBanner.size(), L'\0');
  DWORD got = 0;
  ReadFile(h.get(), tail.data(), static_cast<DWORD>(tailBytes), &got, nullptr);
  return got == tailBytes && tail == kClosingBanner;
}

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

double NowSeconds() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

uint64_t BareWalk(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  const UniqueFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find || find.get() == INVALID_HANDLE_VALUE) return 0;
  uint64_t count = 0;
  do {
    ++count;
    const bool dots = data.cFileName[0] == L'.' && (data.cFileName[1] == L'\0' || data.cFileName[1] == L'.');
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        !dots) {
      count += BareWalk(folder + L"\\" + data.cFileName);
    }
  } while (FindNextFileW(find.get(), &data));
  return count;
}

double MakeTree(const std::wstring& root, uint64_t entries) {
  // The mark lies beside the tree, not in it, so it adds no entry.
  const std::wstring mark = root + L".made";
  if (Exists(mark) && Exists(root)) return 0;
  const double start = NowSeconds();
  CreateDirectoryW(root.c_str(), nullptr);
  const FILETIME old = YearsAgo();
  const std::string content(2048, 'x');
  unsigned state = 12345;  // a fixed sequence, so every run makes the same tree
  const auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return (state >> 8) & 0xFFFFFF;
  };
  uint64_t made = 2;  // the root's "." and ".."
  for (int leaf = 0; made < entries; ++leaf) {
    std::wstring folder = root + L"\\top" + std::to_wstring(leaf % kTopFolders);
    if (leaf < kTopFolders) made += 3;  // its entry, its "." and ".."
    CreateDirectoryW(folder.c_str(), nullptr);
    folder += L"\\mid" + std::to_wstring((leaf / kTopFolders) % kMiddleFolders);
    if (leaf < kTopFolders * kMiddleFolders) made += 3;
    CreateDirectoryW(folder.c_str(), nullptr);
    folder += L"\\leaf" + std::to_wstring(leaf);
    CreateDirectoryW(folder.c_str(), nullptr);
    made += 3 + kFilesPerLeaf;
    for (int i = 0; i < kFilesPerLeaf; ++i) {
      const std::wstring path =
          folder + L"\\file" + std::to_wstring(i) + kExtensions[next() % (sizeof kExtensions / sizeof kExtensions[0])];
      const UniqueFileHandle h =
          AdoptFileHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
      if (!h) continue;
      DWORD written = 0;
      WriteFile(h.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
      if (next() % 100 >= 2) SetFileTime(h.get(), &old, &old, &old);
    }
    if (leaf % 5 != 0) DateFolder(folder, old);
  }
  const UniqueFileHandle h =
      AdoptFileHandle(CreateFileW(mark.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  return NowSeconds() - start;
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

ViewerStandIn::ViewerStandIn(const std::wstring& folder) : Folder(folder), Record(folder + L"\\invocation.txt") {
  CreateDirectoryW(Folder.c_str(), nullptr);
  const std::wstring standIn = BuildFolder() + L"\\tests\\dunmere_standin.exe";
  CopyFileW(standIn.c_str(), (Folder + L"\\Dunmere.exe").c_str(), FALSE);
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kCompanionKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  const UniqueRegKey owned(key);
  RegSetValueExW(key, L"InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(Folder.c_str()),
                 static_cast<DWORD>((Folder.size() + 1) * sizeof(wchar_t)));
}

ViewerStandIn::~ViewerStandIn() { RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kCompanionKey.c_str(), KEY_WOW64_64KEY, 0); }

ScanOutcome ScanThroughWindow(RunningProgram& program, const ViewerStandIn& viewer, const ScanRequest& request,
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
  DeleteFileW(viewer.Record.c_str());
  LetProgramSettle(program.Window, 0);

  ScanOutcome outcome;
  const double start = NowSeconds();
  PostClick(control(StartScanButtonId));
  double lastLook = start;
  while (outcome.LogSeconds == 0 || outcome.ViewerSeconds == 0) {
    if (between) {
      between();
    } else {
      Sleep(5);
    }
    const double now = NowSeconds();
    if ((now - start) * 1000 > timeoutMs) return outcome;
    if ((now - lastLook) * 1000 < kLogLookMs) continue;
    lastLook = now;
    if (outcome.LogSeconds == 0 && LogClosed(request.LogPath)) outcome.LogSeconds = now - start;
    if (outcome.LogSeconds != 0 && outcome.ViewerSeconds == 0 && Exists(viewer.Record)) {
      outcome.ViewerSeconds = now - start;
    }
  }
  outcome.Finished = true;
  outcome.Log = ReadLog(request.LogPath);
  const size_t analyzed = outcome.Log.rfind(L" file objects analyzed. ");
  if (analyzed != std::wstring::npos) {
    outcome.Analyzed = CountBefore(outcome.Log, analyzed);
    const size_t matched = outcome.Log.find(L" files matched", analyzed);
    if (matched != std::wstring::npos) outcome.Matched = CountBefore(outcome.Log, matched);
  }
  return outcome;
}

std::vector<std::vector<std::wstring>> FileLines(const std::wstring& log) {
  std::vector<std::vector<std::wstring>> lines;
  const std::wstring separator = L" | ";
  for (size_t at = log.find(L"<RecentFiles> | "); at != std::wstring::npos; at = log.find(L"<RecentFiles> | ", at)) {
    const size_t end = log.find(L'\r', at);
    const std::wstring line = log.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at);
    std::vector<std::wstring> fields;
    for (size_t from = 0;;) {
      const size_t cut = line.find(separator, from);
      fields.push_back(line.substr(from, cut == std::wstring::npos ? std::wstring::npos : cut - from));
      if (cut == std::wstring::npos) break;
      from = cut + separator.size();
    }
    lines.push_back(fields);
    at = end;
  }
  return lines;
}

unsigned long long PeakWorkingSet(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return 0;
  return counters.PeakWorkingSetSize;
}
