// The robustness cases too slow for the test suite, with their figures: fifty scans of the
// tests' rich tree with every option and the build's signed and unsigned programs in it, with
// the process's open handles and committed memory before and after; a chain of one-letter
// folders as deep as the host lets a path go (two thousand levels; every level's path costs
// Wine a walk down the whole chain, so minutes), and a hundred thousand files in one folder
// walked with and without the file facts. Each scan runs the engine without the window; its
// figures say whether its log is complete. Figures only: nothing here passes or fails on speed.
//
// Usage: robustness_bench   (under wine64; the trees are made in the temporary folder)
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "scan/scan_run.h"
#include "bench_support.h"
#include "support/expected_log.h"
#include "support/test_tree.h"
#include "support/wine_host.h"

namespace {

// How deep the scan's calls went into the thread's stack: a megabyte below the caller is
// painted before the scan, and the lowest byte no longer painted after it marks the peak.
constexpr size_t kPaintedStack = 1 << 20;
unsigned char* paintedLow = nullptr;
unsigned char* paintedHigh = nullptr;

__attribute__((noinline)) void PaintStack() {
  auto* area = static_cast<unsigned char*>(__builtin_alloca(kPaintedStack));
  memset(area, 0xCD, kPaintedStack);
  paintedLow = area;
  paintedHigh = area + kPaintedStack;
  __asm__ __volatile__("" : : "r"(area) : "memory");  // the painting is not optimised away
}

size_t PeakStackBytes() {
  const unsigned char* at = paintedLow;
  while (at < paintedHigh && *at == 0xCD) ++at;
  return static_cast<size_t>(paintedHigh - at);
}

// Scans `root` with every file matching and prints the time, the counts, the stack the scan
// used and whether the log is complete.
void TimeScan(const char* what, const std::wstring& root, bool facts) {
  TempFolder logFolder;
  ScanOptions o;
  o.Pattern = L"*";
  o.MaxAge = L"0";
  o.Root = root;
  o.LogPath = logFolder / L"log.txt";
  o.Recurse = o.IncludeMicrosoftFiles = true;
  o.IncludeMd5 = o.IncludeFileSize = o.IncludeDescription = o.IncludeCompanyName = o.IncludeAttributes = facts;
  ScanSession session;
  PaintStack();
  const double start = NowSeconds();
  RunScan(o, session);
  const double seconds = NowSeconds() - start;
  const size_t stack = PeakStackBytes();
  const bool whole = LogClosed(o.LogPath);
  printf("%-44s %8.1f s  %9llu entries  %9llu lines  %10.0f entries/s  peak stack %5.1f KiB  log %s\n", what, seconds,
         static_cast<unsigned long long>(session.FilesAnalyzed), static_cast<unsigned long long>(session.FilesMatched),
         static_cast<double>(session.FilesAnalyzed) / seconds, static_cast<double>(stack) / 1024,
         whole ? "complete" : "WITHOUT ITS END");
}

// Wine answers GetProcessHandleCount with zero: the open handles are counted one value at a time.
unsigned OpenHandles() {
  unsigned count = 0;
  DWORD flags = 0;
  for (ULONG_PTR value = 4; value < 0x10000; value += 4) count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
  return count;
}

// The committed memory (Wine reports no private usage).
double CommittedMegabytes() { return static_cast<double>(MemoryCounters().PagefileUsage) / (1024 * 1024); }

}  // namespace

int wmain() {
  {
    Tree tree;
    for (const wchar_t* name : {L"signed.exe", L"bad_signature.exe", L"company_full.exe", L"no_version.exe"}) {
      CopyFileW(FixturePath(name).c_str(), tree.Path(name).c_str(), FALSE);
    }
    ScanOptions o = DefaultOptions(tree.Root, tree.Base / L"log.txt");
    o.VerifySignatures = o.IncludeAttributes = true;
    ScanSession first;
    RunScan(o, first);  // the first scan loads the trust providers and their caches
    const unsigned handles = OpenHandles();
    const double megabytes = CommittedMegabytes();
    const double start = NowSeconds();
    bool whole = true;
    for (int i = 0; i < 50; ++i) {
      ScanSession session;
      RunScan(o, session);
      whole = LogClosed(o.LogPath) && whole;
    }
    printf("50 scans of the rich tree, every option      %8.1f s  open handles %u -> %u  committed memory %.1f -> %.1f MiB  logs %s\n",
           NowSeconds() - start, handles, OpenHandles(), megabytes, CommittedMegabytes(), whole ? "complete" : "NOT ALL COMPLETE");
  }
  {
    TempFolder base;
    const std::string unixBase = UnixPath(base.Path);
    const size_t levels = (4096 - unixBase.size()) / 2 + 4;
    const double start = NowSeconds();
    RunHost("cd '" + unixBase + "' && for i in $(seq " + std::to_string(levels) + "); do mkdir d && cd -P d && : > f.txt || exit 1; done");
    printf("chain of %zu one-letter folders made by the host in %.1f s\n", levels, NowSeconds() - start);
    // Each level holds one file, so the lines count the levels the walk reached. (With every
    // file fact the same scan takes a quarter of an hour under Wine and uses 2 KiB more stack.)
    TimeScan("deep chain, walk only", base.Path, false);
    RunHost("rm -rf '" + unixBase + "/d'");  // beyond what Win32 can delete
  }
  {
    TempFolder base;
    const double start = NowSeconds();
    RunHost("cd '" + UnixPath(base.Path) + "' && seq -f 'f%06.0f.exe' 1 100000 | xargs touch");
    printf("100,000 files made by the host in %.1f s\n", NowSeconds() - start);
    TimeScan("100,000 files in one folder, walk only", base.Path, false);
    TimeScan("100,000 files in one folder, every file fact", base.Path, true);
    RunHost("rm -rf '" + UnixPath(base.Path) + "'");  // quicker than Win32
  }
  return 0;
}
