// Walks a generated tree three ways in one run: a bare FindFirstFileW/FindNextFileW recursion
// (the floor), the folder walk with the window's default options, and the folder walk with no
// age limit and no file facts. Prints entries per second, the ratio to the floor, the time of
// hashing the matched files on their own, and the process's peak memory.
//
// Usage: walk_bench <folder> <files>   (the tree is made under <folder> when missing)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "scan/scan_run.h"
#include "bench_support.h"
#include "support/expected_log.h"

namespace {

struct WalkFigures {
  uint64_t Entries = 0;
  uint64_t Matched = 0;
  double Seconds = 0;
};

WalkFigures TimedScan(const ScanOptions& options) {
  ScanSession session;
  const double start = NowSeconds();
  RunScan(options, session);
  return {session.FilesAnalyzed, session.FilesMatched, NowSeconds() - start};
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: walk_bench <folder> <files>\n");
    return 2;
  }
  const std::wstring base = argv[1];
  const int files = _wtoi(argv[2]);
  const std::wstring root = GeneratedTree(base, files);
  BareWalk(root);  // warm the caches

  const ScanOptions defaults = DefaultOptions(root, base + L"\\defaults.txt");
  ScanOptions bare = defaults;
  bare.MaxAge = L"0";
  bare.LogPath = base + L"\\no-facts.txt";
  bare.ScanRecentFolders = bare.IncludeDescription = bare.IncludeCompanyName = false;
  bare.IncludeMd5 = bare.IncludeFileSize = false;

  double floorSeconds = 1e9, defaultSeconds = 1e9, bareSeconds = 1e9;
  uint64_t entries = 0;
  WalkFigures d, b;
  for (int round = 0; round < 3; ++round) {
    const double start = NowSeconds();
    entries = BareWalk(root);
    floorSeconds = std::min(floorSeconds, NowSeconds() - start);
    d = TimedScan(defaults);
    defaultSeconds = std::min(defaultSeconds, d.Seconds);
    b = TimedScan(bare);
    bareSeconds = std::min(bareSeconds, b.Seconds);
  }
  const HashFigures hashing = HashMatchedFiles(ReadLogUnits(defaults.LogPath));
  const double hashSeconds = hashing.Seconds;
  const PROCESS_MEMORY_COUNTERS memory = MemoryCounters();

  printf("tree: %d files, %llu entries (best of 3 runs, warm cache)\n", files, static_cast<unsigned long long>(entries));
  printf("%-44s %10s %12s %8s %8s\n", "walk", "seconds", "entries/s", "matched", "ratio");
  printf("%-44s %10.3f %12.0f %8s %8.2f\n", "bare FindFirstFileW recursion (floor)", floorSeconds, entries / floorSeconds,
         "-", 1.0);
  printf("%-44s %10.3f %12.0f %8llu %8.2f\n", "WalkFolder, window defaults", defaultSeconds,
         d.Entries / defaultSeconds, static_cast<unsigned long long>(d.Matched), defaultSeconds / floorSeconds);
  printf("%-44s %10.3f %12s %8zu %8.2f\n", "  of which hashing the matched files alone", hashSeconds, "-", hashing.Files,
         hashSeconds / floorSeconds);
  printf("%-44s %10.3f %12s %8s %8.2f\n", "  defaults against floor + hashing", defaultSeconds, "-", "-",
         defaultSeconds / (floorSeconds + hashSeconds));
  printf("%-44s %10.3f %12.0f %8llu %8.2f\n", "WalkFolder, max age 0, no file facts", bareSeconds,
         b.Entries / bareSeconds, static_cast<unsigned long long>(b.Matched), bareSeconds / floorSeconds);
  printf("peak working set %.1f MiB, peak private %.1f MiB\n", memory.PeakWorkingSetSize / 1048576.0,
         memory.PeakPagefileUsage / 1048576.0);
  return 0;
}
