// The file facts on real files: digests against md5sum across the read chunks, verdicts and
// version strings of PE files this build compiled, signed and damaged.
#include <gtest/gtest.h>

#include <cstdio>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "facts/listed_file.h"
#include "facts/md5_hash.h"
#include "facts/signature_check.h"
#include "facts/version_strings.h"
#include "md5sum_digests.h"
#include "platform/message_drains.h"
#include "support/files.h"

namespace {

HANDLE hashedFile = nullptr;  // the file being hashed, for a drain to close behind its back
bool hashedFileClosed = false;
void CloseHashedFile() {
  if (!hashedFileClosed) hashedFileClosed = CloseHandle(hashedFile) != 0;
}

// The digest text, or "false" when the routine refused; nothing past the NUL may be written.
// The file is read from its start wherever an earlier fact left the handle.
std::string Md5(const std::wstring& path) {
  UniqueFileHandle file = OpenListedFile(path.c_str());
  hashedFile = file.get();
  if (file) SetFilePointer(file.get(), 1000, nullptr, FILE_BEGIN);
  std::wstring text(129, L'#');
  uint32_t count = 128;
  const bool hashed = ComputeFileMd5(file.get(), text.data(), count);
  if (hashedFileClosed) file.release();  // already closed by the drain
  if (!hashed) return text[0] == L'#' ? "false" : "false, text written";
  return count == 32 && text[32] == L'\0' && text[33] == L'#' ? std::string(text.begin(), text.begin() + 32)
                                                                : "count " + std::to_string(count);
}
int drains = 0;
void CountDrain() { ++drains; }

TEST(Md5, WholeFilesAcrossChunksOrNothing) {
  TempFolder folder;
  for (const auto& [name, digest] : {std::pair{L"chunk_less_one.bin", MD5SUM_CHUNK_LESS_ONE}, {L"chunk_exact.bin", MD5SUM_CHUNK_EXACT},
                                     {L"chunk_plus_one.bin", MD5SUM_CHUNK_PLUS_ONE},
                                     {L"two_chunks_plus_one.bin", MD5SUM_TWO_CHUNKS_PLUS_ONE}}) {
    EXPECT_EQ(Md5(FixturePath(name)), digest) << Printable(name);
  }
  // Wine does not enforce byte-range locks, so the read is made to fail by closing the
  // file's handle after the first chunk: no digest of a part passes for the file's.
  SetBeforeDrain(CloseHashedFile);
  Sleep(30);
  EXPECT_EQ(Md5(FixturePath(L"two_chunks_plus_one.bin")), "false");
  SetBeforeDrain(nullptr);
  EXPECT_TRUE(hashedFileClosed);
  // A device is never read, whatever it would give: the NUL device, the empty file's digest. A
  // file someone is writing gives no facts at all: they could come from two states of it.
  const UniqueFileHandle writer = AdoptFileHandle(CreateFileW((folder / L"written.bin").c_str(), GENERIC_WRITE,
                                                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW, 0, nullptr));
  for (const std::wstring& path : {folder / L"missing.bin", folder.Path, std::wstring(L"\\\\.\\NUL"), folder / L"written.bin"}) {
    EXPECT_EQ(Md5(path), "false") << Printable(path);
  }
}

// Each file's verdict, and the drains the check allowed itself: one after a failed embedded
// check, none for a file that could not be opened.
TEST(Signature, VerdictsOfSignedTamperedUnsignedAndDamagedFiles) {
  TempFolder folder;
  const std::string signedPe = ReadBytes(FixturePath(L"signed.exe"));
  ASSERT_TRUE(WriteBytes(folder / L"truncated.exe", signedPe.substr(0, signedPe.size() - 600)));
  ASSERT_TRUE(WriteBytes(folder / L"notes.txt", "not a program"));
  const struct {
    std::wstring Path;
    const wchar_t* Verdict;
    int Drains;
  } files[] = {
      {FixturePath(L"signed.exe"), L"Signed :  ", 0}, {FixturePath(L"bad_signature.exe"), L"Bad signature :  ", 1},
      {FixturePath(L"company_full.exe"), L"Unsigned :  ", 1}, {folder / L"vanished.exe", L"Unsigned :  ", 0},
      {folder / L"truncated.exe", L"Unsigned :  ", 1}, {folder / L"notes.txt", L"Unsigned :  ", 1},
  };
  SetBeforeDrain(CountDrain);
  for (const auto& f : files) {
    drains = 0;
    const UniqueFileHandle file = OpenListedFile(f.Path.c_str());
    if (file) SetFilePointer(file.get(), 1000, nullptr, FILE_BEGIN);  // where a version lookup may leave it
    EXPECT_EQ(SignatureVerdictText(VerifyFileSignature(file.get(), f.Path.c_str())), std::wstring(f.Verdict)) << Printable(f.Path);
    EXPECT_EQ(drains, f.Drains) << Printable(f.Path);
  }
  SetBeforeDrain(nullptr);
}

// A block that ends where a no-access page begins: a lookup that strays past the bytes it was
// given faults instead of quietly reading what follows.
std::wstring Strings(const std::wstring& path) {
  constexpr size_t kPage = 4096, kPages = (sizeof(VersionInfoBlock) + kPage - 1) / kPage;
  char* pages = static_cast<char*>(VirtualAlloc(nullptr, (kPages + 1) * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  DWORD old = 0;
  VirtualProtect(pages + kPages * kPage, kPage, PAGE_NOACCESS, &old);
  auto* block = new (pages + ((kPages * kPage - sizeof(VersionInfoBlock)) & ~size_t{7})) VersionInfoBlock;
  LoadVersionInfo(OpenListedFile(path.c_str()).get(), *block);
  const std::wstring answer = (block->Loaded ? L"" : L"(none) ") + QueryVersionString(*block, L"CompanyName", L"No publisher") +
                              L" | " + QueryVersionString(*block, L"FileDescription", L"No description");
  block->~VersionInfoBlock();
  VirtualFree(pages, 0, MEM_RELEASE);
  return answer;
}

TEST(VersionStrings, DamagedAndCutResourcesAsTheLoaderReadsThem) {
  TempFolder folder;
  ASSERT_TRUE(WriteBytes(folder / L"cut.exe", ReadBytes(FixturePath(L"company_full.exe")).substr(0, 4096)));
  const std::pair<std::wstring, const wchar_t*> cases[] = {
      // A root below the size of the headers is where the file holds it from its first byte.
      {FixturePath(L"headers_tree.exe"), L"Microsoft Corporation | Full company"},
      // Of three type entries of one number the loader halves to the middle, which leads out.
      {FixturePath(L"types_tree.exe"), L"(none) No publisher | No description"},
      {folder / L"cut.exe", L"(none) No publisher | No description"}, {folder.Path, L"(none) No publisher | No description"},
  };
  for (const auto& [path, answer] : cases) EXPECT_EQ(Strings(path), answer) << Printable(path);
}

// What the platform's own lookup gives for a file: its company and description under the last
// translation pair, each only when it lies within the first 4,000 bytes of the resource. The
// 16-bit layout of a 16-bit program (its root key in single bytes) is not read.
std::wstring PlatformStrings(const std::wstring& path) {
  std::vector<BYTE> data(GetFileVersionInfoSizeW(path.c_str(), nullptr) + 8u);
  WORD* pairs = nullptr;
  wchar_t* text = nullptr;
  UINT pairBytes = 0, units = 0;
  if (!GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data()) ||
      !VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&pairs), &pairBytes) ||
      pairBytes < 4 || reinterpret_cast<BYTE*>(pairs) + pairBytes > data.data() + 4000 ||
      std::string(reinterpret_cast<char*>(data.data()) + 4, 15) == "VS_VERSION_INFO") {
    return L"(none) No publisher | No description";
  }
  std::wstring answer;
  for (const auto& [key, fallback] : {std::pair{L"CompanyName", L"No publisher"}, {L"FileDescription", L"No description"}}) {
    if (key[0] == L'F') answer += L" | ";
    wchar_t query[128];
    swprintf(query, 128, L"\\StringFileInfo\\%04x%04x\\%ls", pairs[pairBytes / 2 - 2], pairs[pairBytes / 2 - 1], key);
    const bool within = VerQueryValueW(data.data(), query, reinterpret_cast<void**>(&text), &units) &&
                        reinterpret_cast<BYTE*>(text + units) <= data.data() + 4000;
    answer += within ? std::wstring(text, wcsnlen(text, units)) : std::wstring(fallback);
  }
  return answer;
}

// Read from the file's own bytes, every real program's description and company are what the
// platform's lookup gives: every file of both of the prefix's system folders and the fixtures
// whose resource the platform reads safely.
TEST(VersionStrings, FromTheFilesOwnBytesAsThePlatformGivesThem) {
  std::vector<std::wstring> paths;
  for (const wchar_t* name : {L"company_full.exe", L"company_empty.exe", L"pairs_first.exe", L"pairs_last.exe",
                              L"large.exe", L"no_version.exe", L"byte_lengths.exe", L"signed.exe", L"bad_signature.exe"}) {
    paths.push_back(FixturePath(name));
  }
  size_t systemFiles = 0;
  PVOID redirection = nullptr;
  const BOOL unredirected = Wow64DisableWow64FsRedirection(&redirection);  // System32 as it is, in both builds
  for (const wchar_t* folder : {L"C:\\windows\\system32\\", L"C:\\windows\\syswow64\\"}) {
    WIN32_FIND_DATAW entry;
    const UniqueFindHandle find(FindFirstFileW((std::wstring(folder) + L"*").c_str(), &entry));
    for (bool more = find.get() != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find.get(), &entry)) {
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      paths.push_back(folder + std::wstring(entry.cFileName));
      ++systemFiles;
    }
  }
  EXPECT_GT(systemFiles, 1000u) << "the prefix's system folders were not read";
  size_t differ = 0, withTexts = 0;
  for (const std::wstring& path : paths) {
    const std::wstring own = Strings(L"\\\\?\\" + path);
    const std::wstring platform = PlatformStrings(path);
    withTexts += platform.rfind(L"(none)", 0) != 0;
    if (own != platform && ++differ <= 10) ADD_FAILURE() << Printable(path) << ": " << Printable(own) << " against " << Printable(platform);
  }
  if (unredirected) Wow64RevertWow64FsRedirection(redirection);
  EXPECT_EQ(differ, 0u) << "of " << paths.size();
  std::printf("%zu files compared, %zu of them from the system folders, %zu with version texts\n", paths.size(),
              systemFiles, withTexts);
}

// The shipped program says which version it is, as Windows tools read it (its version resource
// through the platform's own lookup), and that it needs Windows 7 (6.1).
TEST(ShippedProgram, SaysWhatItIsAndTheWindowsItNeeds) {
  const std::wstring program = BuildFolder() + L"\\Fendrel.exe";
  std::vector<BYTE> info(4096);
  void* text = nullptr;
  UINT units = 0;
  ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, static_cast<DWORD>(info.size()), info.data()) &&
              VerQueryValueW(info.data(), L"\\StringFileInfo\\040904b0\\FileVersion", &text, &units));
  EXPECT_EQ(static_cast<const wchar_t*>(text), std::to_wstring(FENDREL_VERSION_MAJOR) + L"." + std::to_wstring(FENDREL_VERSION_MINOR) +
                                                  L"." + std::to_wstring(FENDREL_VERSION_PATCH) + L".0");
  const std::string image = ReadBytes(program);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image.data() + reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data())->e_lfanew);
  EXPECT_EQ(nt->OptionalHeader.MajorSubsystemVersion * 10 + nt->OptionalHeader.MinorSubsystemVersion, 61);
}

}  // namespace
