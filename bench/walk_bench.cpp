// Walks a generated tree three ways in one run: a bare FindFirstFileW/FindNextFileW recursion
// (the floor), the folder walk with the window's default options, and the folder walk with no
// age limit and no file facts. Prints entries per second, the ratio to the floor, the time of
// hashing the matched files on their own, and the process's peak memory.
//
// Usage: walk_bench <folder> <files>   (the tree is made under <folder> when missing)
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/scan_run.h"
#include "facts/md5_hash.h"

namespace {

using Clock = std::chrono::steady_clock;

const wchar_t* const kExtensions[] = {L".txt", L".jpg", L".png", L".log", L".dat", L".ini", L".xml", L".html",
                                      L".js",  L".css", L".exe", L".dll", L".sys", L".pdf", L".docx", L".bat",
                                      L".cab", L".mui", L".json", L".py"};
constexpr int kFilesPerFolder = 20;

void MakeTree(const std::wstring& root, int files) {
  CreateDirectoryW(root.c_str(), nullptr);
  FILETIME old;
  SYSTEMTIME st{};
  st.wYear = 2019, st.wMonth = 6, st.wDay = 1, st.wHour = 12;
  SystemTimeToFileTime(&st, &old);
  const std::string content(2048, 'x');
  unsigned state = 12345;
  const auto next = [&state] { return state = state * 1103515245u + 12345u, (state >> 8) & 0xFFFFFF; };
  const int folders = files / kFilesPerFolder;
  for (int f = 0; f < folders; ++f) {
    // Ten top folders, the rest spread below them two levels deep.
    std::wstring folder = root + L"\\top" + std::to_wstring(f % 10);
    CreateDirectoryW(folder.c_str(), nullptr);
    folder += L"\\mid" + std::to_wstring((f / 10) % 50);
    CreateDirectoryW(folder.c_str(), nullptr);
    folder += L"\\leaf" + std::to_wstring(f);
    CreateDirectoryW(folder.c_str(), nullptr);
    for (int i = 0; i < kFilesPerFolder; ++i) {
      const std::wstring path = folder + L"\\file" + std::to_wstring(i) + kExtensions[next() % std::size(kExtensions)];
      HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      if (h == INVALID_HANDLE_VALUE) continue;
      DWORD written;
      WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
      if (next() % 100 >= 2) SetFileTime(h, &old, &old, &old);  // 2% recent
      CloseHandle(h);
    }
    if (f % 5 != 0) {  // most folders old too, so that recent ones are few
      HANDLE h = CreateFileW(folder.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
      if (h != INVALID_HANDLE_VALUE) {
        SetFileTime(h, &old, &old, &old);
        CloseHandle(h);
      }
    }
  }
}

uint64_t BareWalk(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  uint64_t count = 0;
  do {
    ++count;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        !(data.cFileName[0] == L'.' && (data.cFileName[1] == 0 || data.cFileName[1] == L'.'))) {
      count += BareWalk(folder + L"\\" + data.cFileName);
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return count;
}

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

struct WalkFigures {
  uint64_t Entries = 0;
  uint64_t Matched = 0;
  double Seconds = 0;
};

WalkFigures TimedScan(const ScanOptions& options) {
  ScanSession session;
  const auto start = Clock::now();
  RunScan(options, session, nullptr);
  return {session.FilesAnalyzed, session.FilesMatched, Seconds(start)};
}

// The matched files of a log, hashed again on their own: the share of the scan that is hashing.
double HashSeconds(const std::wstring& logPath, int* files) {
  HANDLE h = CreateFileW(logPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  std::vector<wchar_t> text(GetFileSize(h, nullptr) / 2 + 1);
  DWORD got = 0;
  ReadFile(h, text.data(), static_cast<DWORD>(text.size() * 2 - 2), &got, nullptr);
  CloseHandle(h);
  const std::wstring log(text.data(), got / 2);
  std::vector<std::wstring> paths;
  for (size_t at = 0; (at = log.find(L"<RecentFiles> | ", at)) != std::wstring::npos;) {
    const size_t from = log.find(L" | ", at + 16) + 3;
    paths.push_back(log.substr(from, log.find(L" | ", from) - from));
    at = from;
  }
  *files = static_cast<int>(paths.size());
  const auto start = Clock::now();
  for (const std::wstring& path : paths) {
    wchar_t digest[129];
    uint32_t count = 128;
    ComputeFileMd5(path.c_str(), digest, count);
  }
  return Seconds(start);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: walk_bench <folder> <files>\n");
    return 2;
  }
  const std::wstring base = argv[1];
  const int files = _wtoi(argv[2]);
  CreateDirectoryW(base.c_str(), nullptr);
  const std::wstring root = base + L"\\tree" + std::to_wstring(files);
  if (GetFileAttributesW(root.c_str()) == INVALID_FILE_ATTRIBUTES) {
    const auto start = Clock::now();
    MakeTree(root, files);
    printf("made %d files in %d folders in %.1f s\n", files, files / kFilesPerFolder, Seconds(start));
  }
  BareWalk(root);  // warm the caches

  ScanOptions defaults;
  defaults.Pattern = L".exe|.dll|.com|.vbs|.cmd|.bat|.reg|.sys|.vbe|.scr";
  defaults.MaxAge = L"30";
  defaults.Root = root;
  defaults.LogPath = base + L"\\defaults.txt";
  defaults.IncludeMicrosoftFiles = defaults.Recurse = defaults.ScanRecentFolders = true;
  defaults.IncludeDescription = defaults.IncludeCompanyName = defaults.IncludeMd5 = true;
  defaults.IncludeFileSize = defaults.SeparateWithBlankLine = true;
  ScanOptions bare = defaults;
  bare.MaxAge = L"0";
  bare.LogPath = base + L"\\no-facts.txt";
  bare.ScanRecentFolders = bare.IncludeDescription = bare.IncludeCompanyName = false;
  bare.IncludeMd5 = bare.IncludeFileSize = false;

  double floorSeconds = 1e9, defaultSeconds = 1e9, bareSeconds = 1e9;
  uint64_t entries = 0;
  WalkFigures d, b;
  for (int round = 0; round < 3; ++round) {
    auto start = Clock::now();
    entries = BareWalk(root);
    floorSeconds = std::min(floorSeconds, Seconds(start));
    d = TimedScan(defaults);
    defaultSeconds = std::min(defaultSeconds, d.Seconds);
    b = TimedScan(bare);
    bareSeconds = std::min(bareSeconds, b.Seconds);
  }
  int hashed = 0;
  const double hashSeconds = HashSeconds(defaults.LogPath, &hashed);
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);

  printf("tree: %d files, %llu entries (best of 3 runs, warm cache)\n", files, static_cast<unsigned long long>(entries));
  printf("%-44s %10s %12s %8s %8s\n", "walk", "seconds", "entries/s", "matched", "ratio");
  printf("%-44s %10.3f %12.0f %8s %8.2f\n", "bare FindFirstFileW recursion (floor)", floorSeconds, entries / floorSeconds,
         "-", 1.0);
  printf("%-44s %10.3f %12.0f %8llu %8.2f\n", "WalkFolder, window defaults", defaultSeconds,
         d.Entries / defaultSeconds, static_cast<unsigned long long>(d.Matched), defaultSeconds / floorSeconds);
  printf("%-44s %10.3f %12s %8d %8.2f\n", "  of which hashing the matched files alone", hashSeconds, "-", hashed,
         hashSeconds / floorSeconds);
  printf("%-44s %10.3f %12s %8s %8.2f\n", "  defaults against floor + hashing", defaultSeconds, "-", "-",
         defaultSeconds / (floorSeconds + hashSeconds));
  printf("%-44s %10.3f %12.0f %8llu %8.2f\n", "WalkFolder, max age 0, no file facts", bareSeconds,
         b.Entries / bareSeconds, static_cast<unsigned long long>(b.Matched), bareSeconds / floorSeconds);
  printf("peak working set %.1f MiB, peak private %.1f MiB\n", memory.PeakWorkingSetSize / 1048576.0,
         memory.PeakPagefileUsage / 1048576.0);
  return 0;
}
