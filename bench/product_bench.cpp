// The whole product as a user runs it: every scan in a freshly started Fendrel.exe, timed from
// the click on "Start scan" to the log's last write (its last-write time), against seven bare
// FindFirstFileW walks of the same tree, one made just before each scan by this program (of the
// same bitness as the Fendrel.exe it drives). The trees show the costs apart: 400 folders of 250
// files (the cost of a listed line), the generated tree of 20-file folders (the cost of a folder),
// 1,600 folders of 250 files (memory at 400,000 entries), a real tree, and copies of the
// prefix's two system folders (real PE files, dated now). Scans that list every
// file have no fact beyond the date; scans with the window's defaults are held against two
// floors: the walk plus the platform's own MD5 of the same matched files, and that plus the
// platform's version lookup of them, which the scan no longer asks. Then the MD5 of a
// sparse file beyond 4 GiB through the window, against md5sum's digest of the same file (taken
// by the calling script). Prints figures; nothing here fails on speed.
//
// Usage: product_bench <work folder> <generated files> <real tree> <big file> <md5sum digest>
//                      <md5sum seconds> [only the scans whose name holds this text]
#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "window_scan_driver.h"

namespace {

constexpr int kRounds = 7;
constexpr DWORD kScanTimeoutMs = 60 * 60 * 1000;

struct Figures {
  uint64_t Entries = 0;
  double Walk = 1e30;                 // best bare walk
  std::vector<double> Scans;          // click to the log's last write, one per fresh program
  std::vector<double> Walks;          // the walk made before each scan
  std::vector<double> Ratios;         // each scan over the walk made just before it
  ScanOutcome Last;                   // the last scan, its log included
  unsigned long long PeakBytes = 0;   // the largest peak working set of the scans
};

// Rounds of a bare walk followed by a scan in a program of its own, so that each scan is held
// against walks made in the same minute of a machine whose pace drifts.
bool Measure(const std::wstring& work, const StandIn& viewer, const ScanRequest& request, Figures& f) {
  BareWalk(request.Root);  // warm the caches
  for (int i = 0; i < kRounds; ++i) {
    const double start = NowSeconds();
    f.Entries = BareWalk(request.Root);
    const double walk = NowSeconds() - start;
    f.Walk = std::min(f.Walk, walk);
    RunningProgram program;
    if (!StartProgram(program, work) || !WaitForMainWindow(program)) {
      fprintf(stderr, "Fendrel did not start\n");
      return false;
    }
    f.Last = ScanThroughWindow(program, viewer, request, kScanTimeoutMs);
    if (!f.Last.Finished) {
      fprintf(stderr, "the scan of %s did not finish\n", Narrow(request.Root).c_str());
      return false;
    }
    // The driver sees the banner at most a look (0.1 s) after the last write: a time stamp much
    // earlier than that is not this scan's end, and the round does not count.
    if (f.Last.WriteSeconds < f.Last.LogSeconds - 0.25) {
      printf("  note: a round's log time stamp (%.3f s) came before its end was seen (%.3f s); left out\n",
             f.Last.WriteSeconds, f.Last.LogSeconds);
    } else {
      f.Scans.push_back(f.Last.WriteSeconds);
      f.Walks.push_back(walk);
      f.Ratios.push_back(f.Last.WriteSeconds / walk);
    }
    f.PeakBytes = std::max<unsigned long long>(f.PeakBytes, MemoryCounters(program.Process.get()).PeakWorkingSetSize);
    PostMessageW(program.Window, WM_CLOSE, 0, 0);
    DWORD exitCode = 1;
    WaitForExit(program, 20000, exitCode);
  }
  return !f.Scans.empty();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void PrintScans(const Figures& f) {
  printf("  %-44s %8.3f s  %6.2f us an entry  (%llu entries)\n", "bare walk, best", f.Walk,
         f.Walk * 1e6 / static_cast<double>(f.Entries), static_cast<unsigned long long>(f.Entries));
  printf("  %-44s %8.3f s  median %.3f s, worst %.3f s (%d rounds)\n", "scan, click to the log's last write",
         *std::min_element(f.Scans.begin(), f.Scans.end()), Median(f.Scans), *std::max_element(f.Scans.begin(), f.Scans.end()),
         kRounds);
  printf("  %-44s %llu analyzed, %llu lines\n", "the log's footer", static_cast<unsigned long long>(f.Last.Analyzed),
         static_cast<unsigned long long>(f.Last.Matched));
  printf("  %-44s %8.1f MiB\n", "peak working set of Fendrel.exe", static_cast<double>(f.PeakBytes) / 1048576.0);
  if (f.Last.Analyzed != f.Entries) {
    printf("  note: the footer counts %llu entries, the bare walk %llu\n", static_cast<unsigned long long>(f.Last.Analyzed),
           static_cast<unsigned long long>(f.Entries));
  }
}

// Every file listed, with no fact beyond its date: the walk, the line and the log's writing.
void PrintListing(const char* name, const Figures& f) {
  printf("%s\n", name);
  PrintScans(f);
  const double lines = static_cast<double>(std::max<uint64_t>(f.Last.Matched, 1));
  const double best = *std::min_element(f.Scans.begin(), f.Scans.end()), median = Median(f.Ratios);
  printf("  %-44s %8.3f        median of the rounds (%.3f to %.3f); %.3f best scan / best walk\n", "ratio scan / walk",
         median, *std::min_element(f.Ratios.begin(), f.Ratios.end()), *std::max_element(f.Ratios.begin(), f.Ratios.end()),
         best / f.Walk);
  printf("  %-44s %8.3f us     median of the rounds; %.3f best / best\n", "beyond the walk, a listed line",
         (median - 1) * f.Walk * 1e6 / lines, (best - f.Walk) * 1e6 / lines);
}

// The platform's own MD5 (CryptoAPI over the file in 512 KiB reads) and version lookup
// (GetFileVersionInfoW of 4000 bytes, then the two strings the log shows) of the matched files,
// on their own: the floor of the facts of a scan with the defaults.
struct PlatformFacts {
  size_t Files = 0;
  double HashSeconds = 0;
  double VersionSeconds = 0;
};

PlatformFacts TimePlatformFacts(const std::wstring& log) {
  PlatformFacts facts;
  std::vector<std::wstring> paths;
  for (const std::vector<std::wstring>& fields : FileLines(log)) {
    if (fields.size() > 2) paths.push_back(fields[2]);
  }
  facts.Files = paths.size();
  std::vector<BYTE> chunk(524288);
  double start = NowSeconds();
  // One provider for all the files: the least the platform asks of a program that hashes them.
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextW(&provider, nullptr, MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) return facts;
  for (const std::wstring& path : paths) {
    const UniqueFileHandle file = AdoptFileHandle(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    HCRYPTHASH hash = 0;
    if (!file || !CryptCreateHash(provider, CALG_MD5, 0, 0, &hash)) continue;
    DWORD got = 0;
    while (ReadFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) && got != 0) {
      CryptHashData(hash, chunk.data(), got, 0);
    }
    BYTE digest[16];
    DWORD bytes = sizeof digest;
    CryptGetHashParam(hash, HP_HASHVAL, digest, &bytes, 0);
    CryptDestroyHash(hash);
  }
  CryptReleaseContext(provider, 0);
  facts.HashSeconds = NowSeconds() - start;
  std::vector<BYTE> version(4000);
  start = NowSeconds();
  for (const std::wstring& path : paths) {
    if (!GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(version.size()), version.data())) continue;
    void* value = nullptr;
    UINT units = 0;
    VerQueryValueW(version.data(), L"\\StringFileInfo\\040904b0\\CompanyName", &value, &units);
    VerQueryValueW(version.data(), L"\\StringFileInfo\\040904b0\\FileDescription", &value, &units);
  }
  facts.VersionSeconds = NowSeconds() - start;
  return facts;
}

void PrintDefaults(const char* name, const Figures& f) {
  printf("%s\n", name);
  PrintScans(f);
  const PlatformFacts facts = TimePlatformFacts(f.Last.Log);
  const double files = static_cast<double>(std::max<size_t>(facts.Files, 1));
  printf("  %-44s %8.3f s  %zu files, %.3f ms a file\n", "platform MD5 of the matched files", facts.HashSeconds,
         facts.Files, facts.HashSeconds * 1000 / files);
  printf("  %-44s %8.3f s  %.3f ms a file (what the scan no longer asks)\n", "platform version lookup of the same files",
         facts.VersionSeconds, facts.VersionSeconds * 1000 / files);
  // Two floors: the walk and the MD5 alone, and with the platform's version lookup too.
  for (const auto& [label, factSeconds] : {std::pair{"walk + MD5", facts.HashSeconds},
                                           {"walk + MD5 + version lookup", facts.HashSeconds + facts.VersionSeconds}}) {
    std::vector<double> ratios;  // each scan over the walk made just before it and the facts
    for (size_t i = 0; i < f.Scans.size(); ++i) ratios.push_back(f.Scans[i] / (f.Walks[i] + factSeconds));
    const double floor = f.Walk + factSeconds;
    printf("  %-44s %8.3f        median of the rounds (%.3f to %.3f); %.3f best scan / (best walk + facts, %.3f s)\n",
           (std::string("ratio scan / (") + label + ")").c_str(), Median(ratios),
           *std::min_element(ratios.begin(), ratios.end()), *std::max_element(ratios.begin(), ratios.end()),
           *std::min_element(f.Scans.begin(), f.Scans.end()) / floor, floor);
  }
}

ScanRequest Listing(const std::wstring& root, const std::wstring& logPath) {
  ScanRequest request;
  request.Root = root;
  request.LogPath = logPath;
  request.Pattern = L"*";
  request.MaxAge = L"0";
  for (const ControlId id : {RecentFoldersCheckId, DescriptionCheckId, CompanyCheckId, Md5CheckId, SizeCheckId}) {
    request.Checks.emplace_back(id, false);
  }
  return request;
}

ScanRequest Defaults(const std::wstring& root, const std::wstring& logPath) {
  ScanRequest request;
  request.Root = root;
  request.LogPath = logPath;
  return request;
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
  if (!StartProgram(program, work) || !WaitForMainWindow(program)) return false;
  ScanRequest request = Defaults(file.substr(0, file.find_last_of(L'\\')), work + L"\\product-big-file.txt");
  request.Pattern = L"*";
  const ScanOutcome outcome = ScanThroughWindow(program, viewer, request, kScanTimeoutMs);
  const unsigned long long peak = MemoryCounters(program.Process.get()).PeakWorkingSetSize;
  PostMessageW(program.Window, WM_CLOSE, 0, 0);
  DWORD exitCode = 1;
  WaitForExit(program, 20000, exitCode);
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
  printf("  %-44s %s  %8.3f s %8.1f MB/s (click to the log's last write)\n", "MD5 through the window",
         Narrow(digest).c_str(), outcome.WriteSeconds, static_cast<double>(bytes) / 1e6 / outcome.WriteSeconds);
  printf("  %-44s %s  %8.3f s %8.1f MB/s\n", "md5sum of the same file", Narrow(md5sumDigest).c_str(), md5sumSeconds,
         static_cast<double>(bytes) / 1e6 / md5sumSeconds);
  printf("  %-44s %s\n", "digests", same ? "equal" : "DIFFER");
  printf("  %-44s %8.1f MiB\n", "peak working set of Fendrel.exe", static_cast<double>(peak) / 1048576.0);
  return outcome.Finished && same;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 7 && argc != 8) {
    fprintf(stderr,
            "usage: product_bench <work folder> <generated files> <real tree> <big file> <md5sum digest> "
            "<md5sum seconds> [only the scans whose name holds this]\n");
    return 2;
  }
  const std::wstring work = argv[1];
  const std::wstring generated = GeneratedTree(work, _wtoi(argv[2]));
  const std::wstring wide = work + L"\\wide400x250", wider = work + L"\\wide1600x250";
  MakeWideTree(wide, 400, 250);
  MakeWideTree(wider, 1600, 250);
  const Companion viewer;

  printf("warm cache; %d rounds of a bare walk and a scan in a freshly started Fendrel.exe\n", kRounds);
  const struct {
    const char* Name;
    ScanRequest Request;
    bool Listing;
  } scans[] = {
      {"400 folders of 250 files, every file listed (pattern *, age 0, no fact column, no recent folders)",
       Listing(wide, work + L"\\product-wide.txt"), true},
      {"generated tree of 20-file folders, every file listed", Listing(generated, work + L"\\product-every.txt"), true},
      {"generated tree of 20-file folders, the window's defaults", Defaults(generated, work + L"\\product-generated.txt"),
       false},
      {"1,600 folders of 250 files, every file listed", Listing(wider, work + L"\\product-wider.txt"), true},
      {"real tree, the window's defaults", Defaults(argv[3], work + L"\\product-real.txt"), false},
      {"real PE files (the prefix's system folders copied), the window's defaults",
       Defaults(work + L"\\real-pe", work + L"\\product-real-pe.txt"), false},
  };
  for (const auto& scan : scans) {
    if (argc == 8 && std::string(scan.Name).find(Narrow(argv[7])) == std::string::npos) continue;
    Figures figures;
    if (!Measure(work, viewer, scan.Request, figures)) return 1;
    const std::string name = std::string(scan.Name) + " " + Narrow(scan.Request.Root);
    scan.Listing ? PrintListing(name.c_str(), figures) : PrintDefaults(name.c_str(), figures);
    fflush(stdout);
  }
  return argc == 8 || MeasureBigFile(work, viewer, argv[4], argv[5], _wtof(argv[6])) ? 0 : 1;
}
