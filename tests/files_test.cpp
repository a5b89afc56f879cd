// The file facts on real files: digests against md5sum across the read chunks, verdicts and
// version strings of PE files this build compiled, signed and damaged.
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "facts/md5_hash.h"
#include "facts/signature_check.h"
#include "facts/version_strings.h"
#include "md5sum_digests.h"
#include "platform/message_drains.h"
#include "platform/text_file.h"
#include "support/files.h"

namespace {

// The digest text, or "false" when the routine refused; nothing past the NUL may be written.
std::string Md5(const std::wstring& path) {
  std::wstring text(129, L'#');
  uint32_t count = 128;
  if (!ComputeFileMd5(path.c_str(), text.data(), count)) return text[0] == L'#' ? "false" : "false, text written";
  return count == 32 && text[32] == L'\0' && text[33] == L'#' ? std::string(text.begin(), text.begin() + 32)
                                                                : "count " + std::to_string(count);
}

bool hashedFileClosed = false;
// Run at a drain: closes the routine's handle to the big chunk fixture, wherever it is.
void CloseHashedFile() {
  const std::wstring suffix = L"\\two_chunks_plus_one.bin";
  for (ULONG_PTR value = 4; !hashedFileClosed && value < 0x10000; value += 4) {
    wchar_t name[MAX_PATH];
    const DWORD length = GetFinalPathNameByHandleW(reinterpret_cast<HANDLE>(value), name, MAX_PATH, 0);
    if (length > suffix.size() && length < MAX_PATH && suffix == name + length - suffix.size()) {
      hashedFileClosed = CloseHandle(reinterpret_cast<HANDLE>(value)) != 0;
    }
  }
}
int drains = 0;
void CountDrain() { ++drains; }

TEST(Md5, WholeFilesAcrossChunksOrNothing) {
  TempFolder folder;
  SetBeforeDrain(CountDrain);
  // A drain after each full chunk: more of the file may follow it.
  for (const auto& [name, digest, drainsAfter] : {std::tuple{L"chunk_less_one.bin", MD5SUM_CHUNK_LESS_ONE, 0},
                                                  {L"chunk_exact.bin", MD5SUM_CHUNK_EXACT, 1},
                                                  {L"chunk_plus_one.bin", MD5SUM_CHUNK_PLUS_ONE, 1},
                                                  {L"two_chunks_plus_one.bin", MD5SUM_TWO_CHUNKS_PLUS_ONE, 2}}) {
    drains = 0;
    EXPECT_EQ(Md5(FixturePath(name)), digest) << Printable(name);
    EXPECT_EQ(drains, drainsAfter) << Printable(name);
  }
  // Wine does not enforce byte-range locks, so the read is made to fail by closing the
  // routine's handle after the first chunk: no digest of a part passes for the file's.
  SetBeforeDrain(CloseHashedFile);
  EXPECT_EQ(Md5(FixturePath(L"two_chunks_plus_one.bin")), "false");
  SetBeforeDrain(nullptr);
  EXPECT_TRUE(hashedFileClosed);
  // A device is never read, whatever it would give: the NUL device, the empty file's digest.
  for (const std::wstring& path : {folder / L"missing.bin", folder.Path, std::wstring(L"\\\\.\\NUL")}) {
    EXPECT_EQ(Md5(path), "false") << Printable(path);
  }
}

// Each file's verdict, and the drains the check allowed itself (-1: as many as the platform's
// checks of a damaged file or of one that is no program take).
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
      {FixturePath(L"company_full.exe"), L"Unsigned :  ", 1}, {folder.Path, L"Unsigned :  ", 0},
      {L"\\\\.\\NUL", L"Unsigned :  ", 0}, {folder / L"vanished.exe", L"Unsigned :  ", 0},
      {folder / L"truncated.exe", L"Unsigned :  ", -1}, {folder / L"notes.txt", L"Unsigned :  ", -1},
  };
  SetBeforeDrain(CountDrain);
  for (const auto& f : files) {
    drains = 0;
    EXPECT_EQ(SignatureVerdictText(VerifyFileSignature(f.Path.c_str())), std::wstring(f.Verdict)) << Printable(f.Path);
    EXPECT_EQ(drains, f.Drains < 0 ? drains : f.Drains) << Printable(f.Path);
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
  LoadVersionInfo(path.c_str(), *block);
  const std::wstring company = QueryVersionString(*block, L"CompanyName", L"No publisher");
  const std::wstring description = QueryVersionString(*block, L"FileDescription", L"No description");
  const std::wstring answer = (block->Loaded ? L"" : L"(none) ") + company + L" | " + description +
                              (block->Loaded ? L" | " + std::wstring(block->QueryPath) : L"");
  block->~VersionInfoBlock();
  VirtualFree(pages, 0, MEM_RELEASE);
  return answer;
}

TEST(VersionStrings, FromTheLastTranslationPairWithinTheBytesReadOrTheDefaults) {
  TempFolder folder;
  ASSERT_TRUE(WriteBytes(folder / L"cut.exe", ReadBytes(FixturePath(L"company_full.exe")).substr(0, 4096)));
  const std::pair<std::wstring, const wchar_t*> cases[] = {
      {FixturePath(L"company_full.exe"), L"Microsoft Corporation | Full company | \\StringFileInfo\\040904b0\\FileDescription"},
      {FixturePath(L"company_empty.exe"), L" | Empty company | \\StringFileInfo\\040904b0\\FileDescription"},
      {FixturePath(L"pairs_first.exe"), L"No publisher | Segunda | \\StringFileInfo\\0c0a04e4\\FileDescription"},
      {FixturePath(L"pairs_last.exe"), L"Empresa | Segunda | \\StringFileInfo\\0c0a04e4\\FileDescription"},
      {FixturePath(L"large.exe"), L"No publisher | Before the cut | \\StringFileInfo\\040904b0\\FileDescription"},
      {FixturePath(L"no_version.exe"), L"(none) No publisher | No description"},
      {FixturePath(L"byte_lengths.exe"), L"Microsoft Corporation | Full company | \\StringFileInfo\\040904b0\\FileDescription"},
      {folder / L"cut.exe", L"(none) No publisher | No description"}, {folder.Path, L"(none) No publisher | No description"},
  };
  for (const auto& [path, answer] : cases) EXPECT_EQ(Strings(path), answer) << Printable(path);
}

// The log's bytes are the mark and every unit written, a CR before each LF, in order, whatever
// the sizes: lines that fill the writer's room at every place, a text longer than the room with
// line feeds near where it is cut into parts, lines written as their pieces.
TEST(TextFile, WritesEveryUnitInTextModeWhateverTheSizes) {
  TempFolder folder;
  uint32_t flags = kTextWrite | kTextUtf16Le;
  UniqueTextFile file;
  ASSERT_TRUE(OpenTextFile(&flags, file, folder / L"log.txt"));
  std::wstring all = L"\xFEFF", big;
  for (int i = 0; i < 300000; ++i) big += i % 4093 == 0 ? L'\n' : static_cast<wchar_t>(L'a' + i % 26);
  for (int i = 0; i < 12000; ++i) {
    const std::wstring number = std::to_wstring(i), pieces[] = {L"line ", number, std::wstring(i % 97, L'x'), L"\r\n"};
    const std::wstring_view views[] = {pieces[0], pieces[1], pieces[2], pieces[3]};
    i == 6000 ? WriteText(big, file.get()) : WriteTexts(views, 4, file.get());
    all += i == 6000 ? big : pieces[0] + pieces[1] + pieces[2] + pieces[3];
  }
  file.reset();
  std::string expected;
  for (const wchar_t unit : all) {
    if (unit == L'\n') expected += std::string("\r\0", 2);
    expected += std::string{static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  }
  EXPECT_TRUE(ReadBytes(folder / L"log.txt") == expected) << "the bytes written differ from the text in text mode";
}

// The shipped program says what it is, as Windows tools read it (its version resource through
// the platform's own lookup), and that it needs Windows 7 (6.1).
TEST(ShippedProgram, SaysWhatItIsAndTheWindowsItNeeds) {
  const std::wstring program = BuildFolder() + L"\\Fendrel.exe";
  std::vector<BYTE> info(4096);
  ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
  const std::wstring version = std::to_wstring(FENDREL_VERSION_MAJOR) + L"." + std::to_wstring(FENDREL_VERSION_MINOR) +
                               L"." + std::to_wstring(FENDREL_VERSION_PATCH) + L".0";
  for (const auto& [key, value] : {std::pair{L"ProductName", std::wstring(L"Fendrel")}, {L"FileVersion", version},
                                   {L"OriginalFilename", std::wstring(L"Fendrel.exe")}, {L"ProductVersion", version}}) {
    void* text = nullptr;
    UINT units = 0;
    EXPECT_TRUE(VerQueryValueW(info.data(), (std::wstring(L"\\StringFileInfo\\040904b0\\") + key).c_str(), &text, &units) &&
                value == static_cast<const wchar_t*>(text)) << Printable(key);
  }
  const std::string image = ReadBytes(program);
  const LONG header = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data())->e_lfanew;
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image.data() + header);
  EXPECT_EQ(nt->OptionalHeader.MajorSubsystemVersion * 10 + nt->OptionalHeader.MinorSubsystemVersion, 61);
}

}  // namespace
