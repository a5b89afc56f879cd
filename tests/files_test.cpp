// The platform's text files and registry, and the file facts, on real files: logs read back as
// bytes, digests against RFC 1321 and md5sum, verdicts and version strings of PE files this
// build compiled, signed and damaged.
#include <gtest/gtest.h>


#include <algorithm>
#include <new>
#include <random>

#include "facts/facts_drain.h"
#include "facts/md5_hash.h"
#include "facts/signature_check.h"
#include "facts/version_strings.h"
#include "md5sum_digests.h"
#include "platform/registry_paths.h"
#include "platform/text_file.h"
#include "support.h"

namespace {

std::string Bytes(const std::wstring& path) {
  const std::vector<unsigned char> bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

std::wstring ReadBack(const std::wstring& path, uint32_t flags = 0x20) {
  UniqueTextFile file;
  EXPECT_TRUE(OpenTextFile(&flags, file, path)) << Printable(path);
  return ReadWholeText(file.get(), flags);
}

TEST(TextFile, WritesTheLogsByteFormatAndReadsItBack) {
  TempFolder folder;
  const std::wstring path = folder / L"log.txt";
  std::wstring all;
  for (int round = 0; round < 2; ++round) {  // the second open truncates and writes a fresh mark
    UniqueTextFile file;
    uint32_t flags = 0x22;
    ASSERT_TRUE(OpenTextFile(&flags, file, path));
    all.clear();
    for (int i = 0; i < 30000 * round + 1; ++i) {
      const std::wstring line = L"A\r\nB\n\xD83D\xDE00 " + std::to_wstring(i) + L"\r\n";
      WriteText(line, file.get());
      all += line;
    }
  }
  EXPECT_EQ(Bytes(path).substr(0, 18), std::string("\xFF\xFE" "A\0\r\0\r\0\n\0B\0\r\0\n\0=\xD8", 18));
  EXPECT_EQ(Bytes(path).size(), 2 + 2 * (all.size() + 3 * 30001)) << "a CR before every LF";
  EXPECT_TRUE(ReadBack(path) == all) << "each CR LF on disk reads as LF: the texts come back as written";
}

TEST(TextFile, MarksEncodingsAndTheEndOfData) {
  TempFolder folder;
  const struct {
    const char* Content;
    size_t Size;
    uint32_t Flags, Guess;
    const wchar_t* Text;
  } cases[] = {
      {"\xFF\xFE" "a\0\r\0\n\0b\0\x1A\0c\0", 14, 0x20, 0x20, L"a\nb"},  // U+001A ends the data
      {"\xEF\xBB\xBF" "caf\xC3\xA9\r\nx", 11, 0x20, 0x80, L"caf\x00E9\nx"},
      {"\xEF\xBB\xBF" "caf\xC3\xA9\r\nx", 11, 0x80, 0x80, L"caf\x00E9\nx"},
      {"\xFE\xFF\0h\0i", 6, 0x10, 0x40, L"hi"},
      {"plain\r\ntext", 11, 0, 0, L"plain\ntext"},
      {reinterpret_cast<const char*>(L"unmarked utf-16 text here"), 50, 0x10, 0x100, L"unmarked utf-16 text here"},
  };
  for (const auto& c : cases) {
    const std::wstring path = folder / L"in.txt";
    ASSERT_TRUE(WriteBytes(path, std::string(c.Content, c.Size)));
    EXPECT_EQ(DetectTextEncoding(path, false), c.Guess) << c.Content;
    uint32_t flags = c.Flags;
    UniqueTextFile file;
    ASSERT_TRUE(OpenTextFile(&flags, file, path)) << c.Content;
    EXPECT_EQ(Printable(ReadWholeText(file.get(), flags)), Printable(c.Text)) << c.Content;
  }
  ASSERT_TRUE(WriteBytes(folder / L"be.txt", std::string("\xFE\xFF\0a", 4)));
  UniqueTextFile file;
  uint32_t flags = 0x20;
  EXPECT_FALSE(OpenTextFile(&flags, file, folder / L"be.txt")) << "a big-endian mark is refused";
  EXPECT_EQ(DetectTextEncoding(folder / L"absent", false), kEncodingUnreadable);
  ASSERT_TRUE(WriteBytes(folder / L"empty", ""));
  EXPECT_EQ(DetectTextEncoding(folder / L"empty", false), kEncodingUnreadable);
}

TEST(TextFile, RefusesAReadOnlyLogAndMakesOneMissingFolderOnlyWhenAsked) {
  TempFolder folder;
  ASSERT_TRUE(WriteBytes(folder / L"ro.txt", "kept"));
  ASSERT_TRUE(SetFileAttributesW((folder / L"ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  for (auto [path, flags] : {std::pair{folder / L"ro.txt", 0x22u}, {folder / L"a\\b\\log.txt", 0x2Au}, {L"bare.txt", 0x2Au}}) {
    UniqueTextFile file;
    EXPECT_FALSE(OpenTextFile(&flags, file, path)) << Printable(path);
  }
  EXPECT_EQ(Bytes(folder / L"ro.txt"), "kept");
  UniqueTextFile file;
  uint32_t flags = 0x2A;
  EXPECT_TRUE(OpenTextFile(&flags, file, folder / L"missing\\log.txt"));
}

// The digest text, or "false" when the routine refused; nothing past the NUL may be written.
std::string Md5(const std::wstring& path) {
  wchar_t text[129];
  std::fill(std::begin(text), std::end(text), L'#');
  uint32_t count = 128;
  if (!ComputeFileMd5(path.c_str(), text, count)) return text[0] == L'#' ? "false" : "false, text written";
  return count == 32 && text[33] == L'#' ? Printable(text) : "count " + std::to_string(count);
}

bool hashedFileClosed = false;
// A drain that closes the routine's handle to the big chunk fixture, wherever it is.
bool CloseHashedFile() {
  const std::wstring suffix = L"\\two_chunks_plus_one.bin";
  for (ULONG_PTR value = 4; !hashedFileClosed && value < 0x10000; value += 4) {
    wchar_t name[MAX_PATH];
    const DWORD length = GetFinalPathNameByHandleW(reinterpret_cast<HANDLE>(value), name, MAX_PATH, 0);
    if (length > suffix.size() && length < MAX_PATH && suffix == name + length - suffix.size()) {
      hashedFileClosed = CloseHandle(reinterpret_cast<HANDLE>(value)) != 0;
    }
  }
  return false;
}
int drains = 0;
bool CountDrain() { return ++drains, false; }

TEST(Md5, PublishedDigestsWholeFilesAndRefusals) {
  TempFolder folder;
  for (const auto& [contents, digest] : {std::pair{"", "D41D8CD98F00B204E9800998ECF8427E"},
                                         {"abc", "900150983CD24FB0D6963F7D28E17F72"},
                                         {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
                                         {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
                                          "57EDF4A22BE3C955AC49DA2E2107B67A"}}) {
    ASSERT_TRUE(WriteBytes(folder / L"in.txt", contents));
    EXPECT_EQ(Md5(folder / L"in.txt"), digest) << contents;
  }
  SetFactsDrain(CountDrain);
  for (const auto& [name, digest, chunks] : {std::tuple{L"chunk_less_one.bin", MD5SUM_CHUNK_LESS_ONE, 1},
                                             {L"chunk_exact.bin", MD5SUM_CHUNK_EXACT, 1},
                                             {L"chunk_plus_one.bin", MD5SUM_CHUNK_PLUS_ONE, 2},
                                             {L"two_chunks_plus_one.bin", MD5SUM_TWO_CHUNKS_PLUS_ONE, 3}}) {
    drains = 0;
    EXPECT_EQ(Md5(FixturePath(name)), digest) << Printable(name);
    EXPECT_EQ(drains, chunks) << Printable(name);
  }
  // Wine does not enforce byte-range locks, so the read is made to fail by closing the
  // routine's handle after the first chunk: no digest of a part passes for the file's.
  SetFactsDrain(CloseHashedFile);
  EXPECT_EQ(Md5(FixturePath(L"two_chunks_plus_one.bin")), "false");
  SetFactsDrain(nullptr);
  EXPECT_TRUE(hashedFileClosed);
  ASSERT_TRUE(WriteBytes(folder / L"busy.bin", "being written"));
  HANDLE writer = CreateFileW((folder / L"busy.bin").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  for (const std::wstring& path : {folder / L"busy.bin", folder / L"missing.bin", folder.Path}) {
    EXPECT_EQ(Md5(path), "false") << Printable(path);
  }
  CloseHandle(writer);
  HCRYPTPROV provider = 0xBD;
  HCRYPTHASH hash = 0xBD;
  ASSERT_TRUE(OpenMd5HashFrom(L"No Such Provider", MS_ENH_RSA_AES_PROV_W, provider, hash)) << "the second name serves";
  CryptDestroyHash(hash);
  CryptReleaseContext(provider, 0);
  EXPECT_FALSE(OpenMd5HashFrom(L"No Such Provider", L"Nor This One", provider, hash));
  EXPECT_EQ(provider, 0u);
}

// The company text a line would show, with the Microsoft answer after a slash.
std::string Company(const std::wstring& path) {
  VersionInfoBlock block;
  LoadVersionInfo(path.c_str(), block);
  std::wstring company = QueryVersionString(block, L"CompanyName", L"No publisher");
  const bool microsoft = ApplySignatureVerdict(VerifyFileSignature(path.c_str()), company);
  return Printable(company) + (microsoft ? " / Microsoft" : "");
}

TEST(Signature, VerdictsOfSignedTamperedUnsignedDamagedAndLockedFiles) {
  TempFolder folder;
  const std::string signedPe = Bytes(FixturePath(L"signed.exe"));
  ASSERT_TRUE(WriteBytes(folder / L"truncated.exe", signedPe.substr(0, signedPe.size() - 600)));
  ASSERT_TRUE(WriteBytes(folder / L"notes.txt", "not a program"));
  ASSERT_TRUE(WriteBytes(folder / L"locked.exe", signedPe));
  HANDLE owner = CreateFileW((folder / L"locked.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  const struct {
    std::wstring Path;
    uint32_t Status;
    int Drains;
    const char* Company;
  } files[] = {
      {FixturePath(L"signed.exe"), 0, 0, "Signed :  Microsoft Corporation / Microsoft"},
      {FixturePath(L"bad_signature.exe"), 0x80096010, 1, "Bad signature :  Microsoft Corporation"},
      {FixturePath(L"company_full.exe"), 0x800B0100, 1, "Unsigned :  Microsoft Corporation"},
      {folder.Path, kStatusDirectory, 0, "Directory"}, {folder / L"vanished.exe", kStatusUnopenable, 0, "Unsigned :  No publisher"},
      {folder / L"truncated.exe", 0, -1, "Unsigned :  Microsoft Corporation"},
      {folder / L"notes.txt", 0, -1, "Unsigned :  No publisher"}, {folder / L"locked.exe", 0, -1, "Unsigned :  No publisher"},
  };
  SetFactsDrain(CountDrain);
  for (const auto& f : files) {
    drains = 0;
    if (f.Drains >= 0) {
      EXPECT_EQ(VerifyFileSignature(f.Path.c_str()), f.Status) << Printable(f.Path);
      EXPECT_EQ(drains, f.Drains) << Printable(f.Path);
    }
    EXPECT_EQ(Company(f.Path), f.Company) << Printable(f.Path);
  }
  SetFactsDrain(nullptr);
  CloseHandle(owner);
}

// A block that ends where a no-access page begins: a lookup that strays past the bytes it was
// given faults instead of quietly reading what follows.
std::string Strings(const std::wstring& path) {
  constexpr size_t kPage = 4096, kPages = (sizeof(VersionInfoBlock) + kPage - 1) / kPage;
  char* pages = static_cast<char*>(VirtualAlloc(nullptr, (kPages + 1) * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  DWORD old = 0;
  VirtualProtect(pages + kPages * kPage, kPage, PAGE_NOACCESS, &old);
  auto* block = new (pages + ((kPages * kPage - sizeof(VersionInfoBlock)) & ~size_t{7})) VersionInfoBlock;
  LoadVersionInfo(path.c_str(), *block);
  const std::string company = Printable(QueryVersionString(*block, L"CompanyName", L"No publisher"));
  const std::string description = Printable(QueryVersionString(*block, L"FileDescription", L"No description"));
  const std::string answer = (block->Loaded ? "" : "(none) ") + company + " | " + description +
                             (block->Loaded ? " | " + Printable(block->QueryPath) : "");
  block->~VersionInfoBlock();
  VirtualFree(pages, 0, MEM_RELEASE);
  return answer;
}

TEST(VersionStrings, FromTheLastTranslationPairWithinTheBytesReadOrTheDefaults) {
  TempFolder folder;
  ASSERT_TRUE(WriteBytes(folder / L"cut.exe", Bytes(FixturePath(L"company_full.exe")).substr(0, 4096)));
  const std::pair<std::wstring, const char*> cases[] = {
      {FixturePath(L"company_full.exe"), "Microsoft Corporation | Full company | \\StringFileInfo\\040904b0\\FileDescription"},
      {FixturePath(L"company_empty.exe"), " | Empty company | \\StringFileInfo\\040904b0\\FileDescription"},
      {FixturePath(L"pairs_first.exe"), "No publisher | Segunda | \\StringFileInfo\\0c0a04e4\\FileDescription"},
      {FixturePath(L"pairs_last.exe"), "Empresa | Segunda | \\StringFileInfo\\0c0a04e4\\FileDescription"},
      {FixturePath(L"large.exe"), "No publisher | Before the cut | \\StringFileInfo\\040904b0\\FileDescription"},
      {FixturePath(L"no_version.exe"), "(none) No publisher | No description"},
      {folder / L"cut.exe", "(none) No publisher | No description"}, {folder.Path, "(none) No publisher | No description"},
  };
  for (const auto& [path, answer] : cases) EXPECT_EQ(Strings(path), answer) << Printable(path);
  // Random flips inside the resource: the true value, the default, or a text within the bytes read.
  std::string pe = Bytes(FixturePath(L"pairs_last.exe"));
  const std::string key(reinterpret_cast<const char*>(L"VS_VERSION_INFO"), 30);
  const size_t start = pe.find(key) - 6;
  const size_t length = static_cast<unsigned char>(pe[start]) | static_cast<unsigned char>(pe[start + 1]) << 8;
  std::mt19937 random(1321);
  int intact = 0, fallen = 0;
  for (int round = 0; round < 1500; ++round) {
    std::string damaged = pe;
    for (int flips = 1 + round % 4; flips > 0; --flips) damaged[start + random() % length] ^= static_cast<char>(1 << (random() % 8));
    ASSERT_TRUE(WriteBytes(folder / L"damaged.exe", damaged));
    const std::string answer = Strings(folder / L"damaged.exe");
    intact += answer.rfind("Empresa |", 0) == 0;
    fallen += answer.find("No publisher |") != std::string::npos;
  }
  EXPECT_GT(intact, 0);
  EXPECT_GT(fallen, 0);
}

TEST(Registry, InstallDirWithItsTypeAndTheCompanionKeyInThe64BitView) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\QLV - Qelvar", 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                            nullptr, &key, nullptr), ERROR_SUCCESS);
  const auto set = [key](DWORD type, const void* data, DWORD size) {
    RegSetValueExW(key, L"InstallDir", 0, type, static_cast<const BYTE*>(data), size);
    const UniqueRegKey companion = OpenCompanionKey();
    return ReadInstallDir(companion.get());
  };
  EXPECT_EQ(ReadInstallDir(key).Type, 0xFFFFFFFFu) << "no value yet";
  EXPECT_EQ(ReadInstallDir(nullptr).Size, 0u);
  const wchar_t folder[] = L"C:\\Qelvar";
  const RegistryValue plain = set(REG_SZ, folder, sizeof folder);
  EXPECT_EQ(plain.Type, static_cast<uint32_t>(REG_SZ));
  EXPECT_EQ(plain.Size, sizeof folder);
  EXPECT_EQ(plain.Text(), folder);
  EXPECT_EQ(set(REG_EXPAND_SZ, folder, sizeof folder).Type, static_cast<uint32_t>(REG_EXPAND_SZ));
  EXPECT_EQ(set(REG_SZ, folder, 9 * sizeof(wchar_t)).Text(), folder) << "stored without its terminator";
  const wchar_t multi[] = {L'A', 0, L'B', 0, 0};
  EXPECT_EQ(set(REG_MULTI_SZ, multi, sizeof multi).Text(), L"A\nB");
  RegCloseKey(key);
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"Software\\QLV - Qelvar", KEY_WOW64_64KEY, 0);
  EXPECT_EQ(OpenCompanionKey(), nullptr);
}

// Wine answers GetProcessHandleCount with zero: the open handles are counted one value at a time.
DWORD OpenHandles() {
  DWORD count = 0, flags = 0;
  for (ULONG_PTR value = 4; value < 0x10000; value += 4) count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
  return count;
}

TEST(FileFacts, LeaveNoHandlesBehind) {
  const std::wstring unsignedPe = FixturePath(L"company_full.exe"), signedPe = FixturePath(L"signed.exe");
  const auto round = [&] { Md5(unsignedPe), VerifyFileSignature(unsignedPe.c_str()), VerifyFileSignature(signedPe.c_str()); };
  round();  // the first use loads the trust providers and their caches
  const DWORD before = OpenHandles();
  for (int i = 0; i < 300; ++i) round();
  EXPECT_LE(OpenHandles(), before);
}

}  // namespace
