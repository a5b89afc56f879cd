// The whole product against the floor: scans through the real window, each timed from the click
// on "Start scan" to the log's closing banner, next to a bare FindFirstFileW walk of the same
// tree in the same run (by a program of the same bitness as the Fendrel.exe it drives), and next
// to hashing the matched files on their own; then a scan that lists every file without facts. Then the MD5 of a
// sparse file beyond 4 GiB through the window, against md5sum's digest of the same file (taken
// by the calling script). Prints figures; nothing here fails on speed.
//
// Usage: product_bench <work folder> <generated files> <real tree> <big file> <md5sum digest>
//                      <md5sum seconds>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "window_scan_driver.h"

namespace {

constexpr int kRounds = 3;
constexpr DWORD kScanTimeoutMs = 60 * 60 * 1000;

struct TreeFigures {
  uint64_t FloorEntries = 0;
  double FloorSeconds = 1e30;
  ScanOutcome Best;
  double BestSeconds = 1e30;
  double WorstSeconds = 0;
  HashFigures Hashing;
  unsigned long long PeakBytes = 0;
};

bool StartWindow(RunningProgram& program, const std::wstring& work) {
  if (StartProgram(program, work) && WaitForMainWindow(program)) return true;
  fprintf(stderr, "Fendrel did not start\n");
  return false;
}

void CloseWindow(RunningProgram& program) {
  PostMessageW(program.Window, WM_CLOSE, 0, 0);
  DWORD exitCode = 1;
  WaitForExit(program, 20000, exitCode);
}

// Best of three bare walks and best of three scans with the window's default options, in one
// program started for this tree alone, so that its peak memory is this tree's.
bool MeasureTree(const std::wstring& work, const StandIn& viewer, ScanRequest request, TreeFigures& figures) {
  const std::wstring root = request.Root;
  BareWalk(root);  // warm the caches
  for (int round = 0; round < kRounds; ++round) {
    const double start = NowSeconds();
    figures.FloorEntries = BareWalk(root);
    figures.FloorSeconds = std::min(figures.FloorSeconds, NowSeconds() - start);
  }
  RunningProgram program;
  if (!StartWindow(program, work)) return false;
  for (int round = 0; round < kRounds; ++round) {
    const ScanOutcome outcome = ScanThroughWindow(program, viewer, request, kScanTimeoutMs);
    if (!outcome.Finished) {
      fprintf(stderr, "the scan of %s did not finish\n", Narrow(root).c_str());
      return false;
    }
    figures.WorstSeconds = std::max(figures.WorstSeconds, outcome.LogSeconds);
    if (outcome.LogSeconds < figures.BestSeconds) {
      figures.BestSeconds = outcome.LogSeconds;
      figures.Best = outcome;
    }
  }
  figures.PeakBytes = MemoryCounters(program.Process).PeakWorkingSetSize;
  CloseWindow(program);
  if (request.Pattern.empty()) figures.Hashing = HashMatchedFiles(figures.Best.Log);
  return true;
}

ScanRequest DefaultScan(const std::wstring& root, const std::wstring& logPath) {
  ScanRequest request;
  request.Root = root;
  request.LogPath = logPath;
  return request;
}

// Every file listed, with no fact beyond its date: the walk, the line and the log's writing.
ScanRequest EveryFileScan(const std::wstring& root, const std::wstring& logPath) {
  ScanRequest request = DefaultScan(root, logPath);
  request.Pattern = L"*";
  request.MaxAge = L"0";
  for (const ControlId id : {RecentFoldersCheckId, DescriptionCheckId, CompanyCheckId, Md5CheckId, SizeCheckId}) {
    request.Checks.emplace_back(id, false);
  }
  return request;
}

void PrintTree(const char* name, const TreeFigures& f) {
  const double walkAndHash = f.FloorSeconds + f.Hashing.Seconds;
  printf("%s\n", name);
  printf("  %-46s %9.3f s %10.0f entries/s  %llu entries\n", "bare FindFirstFileW walk (floor)", f.FloorSeconds,
         static_cast<double>(f.FloorEntries) / f.FloorSeconds, static_cast<unsigned long long>(f.FloorEntries));
  printf("  %-46s %9.3f s %10.0f entries/s  %llu analyzed, %llu matched\n", "scan through the window", f.BestSeconds,
         static_cast<double>(f.Best.Analyzed) / f.BestSeconds, static_cast<unsigned long long>(f.Best.Analyzed),
         static_cast<unsigned long long>(f.Best.Matched));
  printf("  %-46s %9.3f s  %zu files, %.1f MiB, %.2f ms a file\n", "hashing the matched files alone", f.Hashing.Seconds,
         f.Hashing.Files, static_cast<double>(f.Hashing.Bytes) / 1048576.0,
         f.Hashing.Files == 0 ? 0.0 : f.Hashing.Seconds * 1000 / static_cast<double>(f.Hashing.Files));
  printf("  %-46s %9.3f s to %.3f s over %d runs\n", "spread of the scans", f.BestSeconds, f.WorstSeconds, kRounds);
  printf("  %-46s %9.2f   (goal: at most 1.25 for every file listed)\n", "ratio scan / floor", f.BestSeconds / f.FloorSeconds);
  printf("  %-46s %9.2f   (goal: at most 1.20 with the defaults)\n", "ratio scan / (floor + hashing)", f.BestSeconds / walkAndHash);
  printf("  %-46s %9.1f MiB (PeakWorkingSetSize, GetProcessMemoryInfo)\n", "peak memory of Fendrel.exe",
         static_cast<double>(f.PeakBytes) / 1048576.0);
  if (f.Best.Analyzed != f.FloorEntries) {
    printf("  note: the footer counts %llu entries, the bare walk %llu\n", static_cast<unsigned long long>(f.Best.Analyzed),
           static_cast<unsigned long long>(f.FloorEntries));
  }
}

// The big file's digest through the window: a scan of its folder with the pattern "*" and the
// window's defaults, whose one file line carries the hash.
bool MeasureBigFile(const std::wstring& work, const StandIn& viewer, const std::wstring& file,
                    const std::wstring& md5sumDigest, double md5sumSeconds) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)) {
    fprintf(stderr, "cannot see %s\n", Narrow(file).c_str());
    return false;
  }
  const unsigned long long bytes = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  RunningProgram program;
  if (!StartWindow(program, work)) return false;
  ScanRequest request;
  request.Root = file.substr(0, file.find_last_of(L'\\'));
  request.LogPath = work + L"\\product-big-file.txt";
  request.Pattern = L"*";
  const ScanOutcome outcome = ScanThroughWindow(program, viewer, request, kScanTimeoutMs);
  const unsigned long long peak = MemoryCounters(program.Process).PeakWorkingSetSize;
  CloseWindow(program);
  std::wstring digest = L"(no file line)";
  for (const std::vector<std::wstring>& fields : FileLines(outcome.Log)) {
    if (fields.size() > 2 && fields[2] == file) {
      const auto hash = std::find_if(fields.begin() + 3, fields.end(), [](const std::wstring& field) {
        return field.size() == 32 && field.find_first_not_of(L"0123456789ABCDEF") == std::wstring::npos;
      });
      digest = hash == fields.end() ? L"(no hash column)" : *hash;
    }
  }
  const bool same = _wcsicmp(digest.c_str(), md5sumDigest.c_str()) == 0;
  printf("file beyond 4 GiB: %s, %llu bytes\n", Narrow(file).c_str(), bytes);
  printf("  %-46s %s  %9.3f s %8.1f MB/s (click to closed log)\n", "MD5 through the window", Narrow(digest).c_str(),
         outcome.LogSeconds, static_cast<double>(bytes) / 1e6 / outcome.LogSeconds);
  printf("  %-46s %s  %9.3f s %8.1f MB/s\n", "md5sum of the same file", Narrow(md5sumDigest).c_str(), md5sumSeconds,
         static_cast<double>(bytes) / 1e6 / md5sumSeconds);
  printf("  %-46s %s\n", "digests", same ? "equal" : "DIFFER");
  printf("  %-46s %9.1f MiB\n", "peak memory of Fendrel.exe", static_cast<double>(peak) / 1048576.0);
  return outcome.Finished && same;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 7) {
    fprintf(stderr,
            "usage: product_bench <work folder> <generated files> <real tree> <big file> <md5sum digest> "
            "<md5sum seconds>\n");
    return 2;
  }
  const std::wstring work = argv[1];
  const int files = _wtoi(argv[2]);
  CreateDirectoryW(work.c_str(), nullptr);
  const std::wstring generated = work + L"\\tree" + std::to_wstring(files);
  const double made = MakeTree(generated, files);
  if (made > 0) printf("made the tree of %d files in %.1f s\n", files, made);
  const Companion viewer;

  printf("best of %d runs each, warm cache; scans timed from the click to the log's closing banner\n", kRounds);
  const struct {
    const char* Name;
    ScanRequest Request;
  } scans[] = {
      {"generated tree, default options", DefaultScan(generated, work + L"\\product-generated.txt")},
      {"generated tree, every file listed without facts", EveryFileScan(generated, work + L"\\product-every.txt")},
      {"real tree, default options", DefaultScan(argv[3], work + L"\\product-real.txt")},
  };
  for (const auto& scan : scans) {
    TreeFigures figures;
    if (!MeasureTree(work, viewer, scan.Request, figures)) return 1;
    PrintTree((std::string(scan.Name) + " " + Narrow(scan.Request.Root)).c_str(), figures);
    fflush(stdout);
  }
  return MeasureBigFile(work, viewer, argv[4], argv[5], _wtof(argv[6])) ? 0 : 1;
}
