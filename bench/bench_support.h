// What the benchmarks share: the clock, the generated tree and the bare walk that is the floor
// of any walk, a log's file lines, the matched files hashed on their own, and a process's memory.
#pragma once

#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "facts/listed_file.h"
#include "facts/md5_hash.h"
#include "platform/scope_guard.h"
#include "log_units.h"

// A path or digest for a printed line: ASCII as it is, anything else as \uXXXX.
inline std::string Narrow(const std::wstring& text) {
  std::string out;
  for (const wchar_t c : text) {
    char buffer[8];
    snprintf(buffer, sizeof buffer, c >= 0x20 && c < 0x7F ? "%c" : "\\u%04X", static_cast<unsigned>(c));
    out += buffer;
  }
  return out;
}

// Seconds on the performance counter.
inline double NowSeconds() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Entries that a bare FindFirstFileW/FindNextFileW recursion lists below a folder, "." and ".."
// included, links neither followed nor counted beyond their own entry: the floor of a walk.
inline uint64_t BareWalk(const std::wstring& folder) {
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

inline bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Makes a tree of `files` files of 2 KiB in leaf folders of 20, below fifty middle folders below
// ten top folders; 10,000 files make 13,032 entries ("." and ".." included), 100,000 make
// 116,532. One file in fifty is dated today, the others years ago, and four leaf folders in
// five are dated years ago. A tree already made whole (a mark beside it says so) is kept as it
// is. Gives the seconds it took, 0 when it was there.
inline double MakeTree(const std::wstring& root, int files) {
  const std::wstring mark = root + L".made";  // beside the tree, so that it adds no entry
  if (Exists(mark) && Exists(root)) return 0;
  const double start = NowSeconds();
  SYSTEMTIME st{};
  st.wYear = 2019, st.wMonth = 6, st.wDay = 1, st.wHour = 12;
  FILETIME old{};
  SystemTimeToFileTime(&st, &old);
  const wchar_t* const extensions[] = {L".txt", L".jpg", L".png", L".log", L".dat", L".ini", L".xml",
                                       L".html", L".js",  L".css", L".exe", L".dll", L".sys", L".pdf",
                                       L".docx", L".bat", L".cab", L".mui", L".json", L".py"};
  const std::string content(2048, 'x');
  unsigned state = 12345;  // a fixed sequence, so every run makes the same tree
  const auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return (state >> 8) & 0xFFFFFF;
  };
  CreateDirectoryW(root.c_str(), nullptr);
  for (int leaf = 0; leaf < files / 20; ++leaf) {
    std::wstring folder = root + L"\\top" + std::to_wstring(leaf % 10);
    CreateDirectoryW(folder.c_str(), nullptr);
    folder += L"\\mid" + std::to_wstring((leaf / 10) % 50);
    CreateDirectoryW(folder.c_str(), nullptr);
    folder += L"\\leaf" + std::to_wstring(leaf);
    CreateDirectoryW(folder.c_str(), nullptr);
    for (int i = 0; i < 20; ++i) {
      const std::wstring path = folder + L"\\file" + std::to_wstring(i) + extensions[next() % std::size(extensions)];
      const UniqueFileHandle h =
          AdoptFileHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
      if (!h) continue;
      DWORD written = 0;
      WriteFile(h.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
      if (next() % 100 >= 2) SetFileTime(h.get(), &old, &old, &old);
    }
    if (leaf % 5 != 0) {
      const UniqueFileHandle h = AdoptFileHandle(CreateFileW(folder.c_str(), FILE_WRITE_ATTRIBUTES,
                                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                             FILE_FLAG_BACKUP_SEMANTICS, nullptr));
      if (h) SetFileTime(h.get(), &old, &old, &old);
    }
  }
  AdoptFileHandle(CreateFileW(mark.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  return NowSeconds() - start;
}

// The generated tree of `files` files in the work folder, made (with a line saying so) when
// missing.
inline std::wstring GeneratedTree(const std::wstring& work, int files) {
  CreateDirectoryW(work.c_str(), nullptr);
  const std::wstring root = work + L"\\tree" + std::to_wstring(files);
  const double made = MakeTree(root, files);
  if (made > 0) printf("made the tree of %d files in %d folders in %.1f s\n", files, files / 20, made);
  return root;
}

// The fields of each of the log's file lines ("<RecentFiles>", the date, the path, then the
// optional columns), split at " | ", in log order.
inline std::vector<std::vector<std::wstring>> FileLines(const std::wstring& log) {
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

// The matched files of a log hashed again on their own, from a warm cache: the share of a scan
// that is the hashing of matched bytes rather than the walk.
struct HashFigures {
  size_t Files = 0;
  unsigned long long Bytes = 0;
  double Seconds = 0;
};

inline HashFigures HashMatchedFiles(const std::wstring& log) {
  HashFigures figures;
  std::vector<std::wstring> paths;
  for (const std::vector<std::wstring>& fields : FileLines(log)) {
    if (fields.size() > 2) paths.push_back(fields[2]);
  }
  figures.Files = paths.size();
  for (const std::wstring& path : paths) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
      figures.Bytes += (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
  }
  const double start = NowSeconds();
  for (const std::wstring& path : paths) {
    wchar_t digest[129] = {};
    uint32_t count = 128;
    ComputeFileMd5(OpenListedFile(path.c_str()).get(), digest, count);
  }
  figures.Seconds = NowSeconds() - start;
  return figures;
}

// A process's memory counters (this one's when none is given); zeros when Windows gives none.
inline PROCESS_MEMORY_COUNTERS MemoryCounters(HANDLE process = GetCurrentProcess()) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return PROCESS_MEMORY_COUNTERS{};
  return counters;
}
