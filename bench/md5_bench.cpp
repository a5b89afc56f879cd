// Prints ComputeFileMd5's throughput on a big file next to md5sum's (measured by the calling
// script on the same file), and VerifyFileSignature's time per file. Figures only: nothing here
// passes or fails on speed.
//
// md5_bench <big file> <md5sum MB/s> <md5sum digest> <signed PE> <unsigned PE>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "bench_support.h"
#include "facts/listed_file.h"
#include "facts/signature_check.h"

namespace {

// Milliseconds per VerifyFileSignature call, over enough calls to smooth out the first one.
double VerifyMilliseconds(const wchar_t* path, uint32_t& status) {
  const int calls = 200;
  status = VerifyFileSignature(OpenListedFile(path).get(), path);
  const double start = NowSeconds();
  for (int i = 0; i < calls; ++i) VerifyFileSignature(OpenListedFile(path).get(), path);
  return (NowSeconds() - start) * 1000.0 / calls;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: md5_bench <big file> <md5sum MB/s> <md5sum digest> <signed PE> <unsigned PE>\n");
    return 2;
  }
  const wchar_t* bigFile = argv[1];
  const double md5sumRate = std::wcstod(argv[2], nullptr);

  LARGE_INTEGER size{};
  HANDLE file = CreateFileW(bigFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE || !GetFileSizeEx(file, &size)) {
    std::fprintf(stderr, "cannot open %ls\n", bigFile);
    return 1;
  }
  CloseHandle(file);

  // Best of three, as the script does for md5sum: both read from a warm page cache.
  wchar_t text[129] = {};
  uint32_t count = 0;
  double best = 1e30;
  for (int run = 0; run < 3; ++run) {
    const double start = NowSeconds();
    if (!ComputeFileMd5(OpenListedFile(bigFile).get(), text, count)) {
      std::fprintf(stderr, "ComputeFileMd5 failed on %ls\n", bigFile);
      return 1;
    }
    const double elapsed = NowSeconds() - start;
    if (elapsed < best) best = elapsed;
  }
  const double rate = static_cast<double>(size.QuadPart) / 1e6 / best;
  const bool same = std::wcscmp(text, argv[3]) == 0;

  std::printf("file size            %lld bytes\n", static_cast<long long>(size.QuadPart));
  std::printf("ComputeFileMd5       %8.1f MB/s  %ls\n", rate, text);
  std::printf("md5sum               %8.1f MB/s  %ls%s\n", md5sumRate, argv[3], same ? "" : "  (DIGESTS DIFFER)");
  std::printf("ratio                %8.2f  (ComputeFileMd5 / md5sum, goal at least 0.80)\n", rate / md5sumRate);

  uint32_t signedStatus = 0, unsignedStatus = 0;
  const double signedMs = VerifyMilliseconds(argv[4], signedStatus);
  const double unsignedMs = VerifyMilliseconds(argv[5], unsignedStatus);
  std::printf("VerifyFileSignature  %8.2f ms per file, signed PE   (status %08X)\n", signedMs, signedStatus);
  std::printf("VerifyFileSignature  %8.2f ms per file, unsigned PE (status %08X, catalog lookup too)\n", unsignedMs,
              unsignedStatus);
  return same ? 0 : 1;
}
