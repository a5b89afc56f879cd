// ComputeFileMd5 against RFC 1321's published digests and md5sum's digests of files that end
// around a read chunk, and the files it must refuse.
#include "facts/md5_hash.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "facts/facts_drain.h"
#include "facts_fixture.h"
#include "md5sum_digests.h"
#include "temp_folder.h"

namespace {

// The digest text, or "false" when the routine refused; nothing past the NUL may be written.
std::string Md5Text(const std::wstring& path) {
  wchar_t text[129];
  std::fill(std::begin(text), std::end(text), L'#');
  uint32_t count = 128;
  const bool ok = ComputeFileMd5(path.c_str(), text, count);
  if (!ok) return text[0] == L'#' ? "false" : "false, text written";
  if (count != 32 || text[33] != L'#') return "count " + std::to_string(count) + ", " + Printable(text);
  return Printable(text);
}

bool HashedFileClosed = false;

// A drain that closes the open handle of the big chunk fixture, wherever it is.
bool CloseHashedFile() {
  const std::wstring suffix = L"\\two_chunks_plus_one.bin";
  for (ULONG_PTR value = 4; !HashedFileClosed && value < 0x10000; value += 4) {
    wchar_t name[MAX_PATH];
    const DWORD length = GetFinalPathNameByHandleW(reinterpret_cast<HANDLE>(value), name, MAX_PATH, 0);
    if (length > suffix.size() && length < MAX_PATH && suffix == name + length - suffix.size()) {
      HashedFileClosed = CloseHandle(reinterpret_cast<HANDLE>(value)) != 0;
    }
  }
  return false;
}

}  // namespace

TEST(ComputeFileMd5, GivesRfc1321DigestsAsThirtyTwoUpperCaseDigits) {
  const struct { const char* Contents; const char* Digest; } kSuite[] = {
      {"", "D41D8CD98F00B204E9800998ECF8427E"},
      {"a", "0CC175B9C0F1B6A831C399E269772661"},
      {"abc", "900150983CD24FB0D6963F7D28E17F72"},
      {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
      {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57EDF4A22BE3C955AC49DA2E2107B67A"},
  };
  TempFolder folder;
  for (const auto& entry : kSuite) {
    ASSERT_TRUE(WriteBytes(folder / L"input.txt", std::string(entry.Contents)));
    EXPECT_EQ(Md5Text(folder / L"input.txt"), entry.Digest) << "contents \"" << entry.Contents << "\"";
  }
}

TEST(ComputeFileMd5, HashesFilesAroundTheChunkSizeWholeAndDrainsOncePerChunk) {
  const struct { const wchar_t* Name; const char* Md5sum; int Chunks; } kFiles[] = {
      {L"chunk_less_one.bin", MD5SUM_CHUNK_LESS_ONE, 1},
      {L"chunk_exact.bin", MD5SUM_CHUNK_EXACT, 1},
      {L"chunk_plus_one.bin", MD5SUM_CHUNK_PLUS_ONE, 2},
      {L"two_chunks_plus_one.bin", MD5SUM_TWO_CHUNKS_PLUS_ONE, 3},
  };
  SetFactsDrain(CountDrain);
  for (const auto& file : kFiles) {
    DrainCalls = 0;
    EXPECT_EQ(Md5Text(FixturePath(file.Name)), file.Md5sum) << Printable(file.Name);
    EXPECT_EQ(DrainCalls, file.Chunks) << Printable(file.Name);
  }
  SetFactsDrain(nullptr);
}

TEST(ComputeFileMd5, RefusesWhatItCannotReadWhole) {
  TempFolder folder;
  const std::wstring file = folder / L"busy.bin";
  ASSERT_TRUE(WriteBytes(file, std::string("being written")));
  EXPECT_EQ(Md5Text(folder / L"missing.bin"), "false");
  EXPECT_EQ(Md5Text(folder.Path), "false") << "a folder";
  HANDLE writer = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Md5Text(file), "false") << "held open for writing";
  CloseHandle(writer);

  // Wine does not enforce byte-range locks on ReadFile, so the read is made to fail another
  // way: the drain after the first chunk closes the routine's own handle to the file.
  const std::wstring big = FixturePath(L"two_chunks_plus_one.bin");
  SetFactsDrain(CloseHashedFile);
  EXPECT_EQ(Md5Text(big), "false") << "read failed after the first chunk";
  SetFactsDrain(nullptr);
  ASSERT_TRUE(HashedFileClosed) << "the routine's file handle was not found";
  EXPECT_EQ(Md5Text(big), MD5SUM_TWO_CHUNKS_PLUS_ONE) << "a whole read again";
}

TEST(OpenMd5Hash, FallsBackToTheSecondProviderNameAndLeavesNothingOpenOnFailure) {
  HCRYPTPROV provider = 0xBD;
  HCRYPTHASH hash = 0xBD;
  ASSERT_TRUE(OpenMd5HashFrom(L"Fendrel No Such Provider", MS_ENH_RSA_AES_PROV_W, provider, hash));
  ALG_ID algorithm = 0;
  DWORD bytes = sizeof algorithm;
  EXPECT_TRUE(CryptGetHashParam(hash, HP_ALGID, reinterpret_cast<BYTE*>(&algorithm), &bytes, 0));
  EXPECT_EQ(algorithm, static_cast<ALG_ID>(CALG_MD5));
  CryptDestroyHash(hash);
  CryptReleaseContext(provider, 0);

  provider = 0xBD, hash = 0xBD;
  EXPECT_FALSE(OpenMd5HashFrom(L"Fendrel No Such Provider", L"Fendrel Nor This One", provider, hash));
  EXPECT_EQ(provider, 0u);
  EXPECT_EQ(hash, 0u);
}

int delivered = 0;  // WM_APP messages the probe window received
LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_APP) ++delivered;
  return DefWindowProcW(window, message, w, l);
}

// Without a drain handed down, the hash itself dispatches what waits in the queue.
TEST(ComputeFileMd5, DispatchesWaitingMessagesBetweenChunks) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = ProbeProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"FactsDrainProbe";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowW(L"FactsDrainProbe", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  PostMessageW(window, WM_APP, 0, 0);
  EXPECT_EQ(Md5Text(FixturePath(L"chunk_exact.bin")), MD5SUM_CHUNK_EXACT);
  EXPECT_EQ(delivered, 1);
  DestroyWindow(window);
}
