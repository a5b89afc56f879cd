// The evaluator's decisions on real PE files (the Microsoft rule, the signature verdict, the
// version strings), and a walk that keeps going through faults.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/scan_run.h"
#include "facts/facts_drain.h"
#include "scan/file_evaluation.h"
#include "scan/folder_walker.h"
#include "facts_fixture.h"
#include "log_expectation.h"
#include "temp_folder.h"

namespace {


std::wstring ReadLog(const std::wstring& path) {
  const std::vector<unsigned char> bytes = ReadBytes(path);
  std::wstring text;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) text += static_cast<wchar_t>(bytes[i] | bytes[i + 1] << 8);
  return text;
}

// The result lines of a log, without their line ends.
std::vector<std::wstring> ResultLines(const std::wstring& log) {
  std::vector<std::wstring> lines;
  size_t at = 0;
  while ((at = log.find(L"<RecentFiles> | ", at)) != std::wstring::npos) {
    const size_t end = log.find(L"\r\r\n", at);
    lines.push_back(log.substr(at, end - at));
    at = end;
  }
  return lines;
}

struct Options {
  bool Microsoft, Company, Description, Verify;
};

// Scans a folder holding one copy of `fixture` and gives the lines of the log.
std::vector<std::wstring> ScanOne(const std::wstring& fixture, const Options& options, std::wstring* path = nullptr) {
  TempFolder folder;
  const std::wstring copy = folder / L"item.exe";
  EXPECT_TRUE(CopyFileW(FixturePath(fixture).c_str(), copy.c_str(), FALSE)) << Printable(fixture);
  if (path) *path = copy;
  TempFolder logs;
  ScanOptions o = BareOptions(folder.Path, logs / L"log.txt", L".exe", L"0");
  o.IncludeMicrosoftFiles = options.Microsoft;
  o.IncludeCompanyName = options.Company;
  o.IncludeDescription = options.Description;
  o.VerifySignatures = options.Verify;
  ScanSession session;
  EXPECT_EQ(RunScan(o, session, nullptr), ScanStart::Started);
  std::vector<std::wstring> lines = ResultLines(ReadLog(o.LogPath));
  for (std::wstring& line : lines) line = line.substr(line.find(L" | ", 16) + 3);  // drop mode and date
  for (std::wstring& line : lines) line.replace(0, copy.size(), L"<item>");
  return lines;
}

using Lines = std::vector<std::wstring>;

TEST(MicrosoftRule, LeavesOutOnlyTheExactCompanyPrefix) {
  const Options o{false, true, false, false};
  EXPECT_EQ(ScanOne(L"company_full.exe", o), Lines{});
  EXPECT_EQ(ScanOne(L"company_lower.exe", o), Lines{L"<item> | microsoft corporation"});
  EXPECT_EQ(ScanOne(L"company_inner.exe", o), Lines{L"<item> | The Microsoft Corp"});
  EXPECT_EQ(ScanOne(L"company_empty.exe", o), Lines{L"<item> | "});
  EXPECT_EQ(ScanOne(L"no_version.exe", o), Lines{L"<item> | No publisher"});
  EXPECT_EQ(ScanOne(L"company_full.exe", Options{true, true, false, false}),
            Lines{L"<item> | Microsoft Corporation"});
}

TEST(MicrosoftRule, NotAppliedWhenNothingReadsTheVersionResource) {
  EXPECT_EQ(ScanOne(L"company_full.exe", Options{false, false, false, false}), Lines{L"<item>"});
  EXPECT_EQ(ScanOne(L"company_full.exe", Options{false, false, true, false}), Lines{});
}

TEST(MicrosoftRule, WithSignaturesOnlyASignedClaimCounts) {
  EXPECT_EQ(ScanOne(L"company_full.exe", Options{false, true, false, true}),
            Lines{L"<item> | Unsigned :  Microsoft Corporation"});
  EXPECT_EQ(ScanOne(L"signed.exe", Options{false, true, false, true}), Lines{});
  EXPECT_EQ(ScanOne(L"signed.exe", Options{true, true, false, true}), Lines{L"<item> | Signed :  Microsoft Corporation"});
  EXPECT_EQ(ScanOne(L"bad_signature.exe", Options{false, true, false, true}),
            Lines{L"<item> | Bad signature :  Microsoft Corporation"});
  // Verified but not shown without the company column; it still decides the rule.
  EXPECT_EQ(ScanOne(L"signed.exe", Options{true, false, false, true}), Lines{L"<item>"});
  EXPECT_EQ(ScanOne(L"signed.exe", Options{false, false, false, true}), Lines{});
}

TEST(VersionStrings, DescriptionBeforeAndPublisherAfter) {
  EXPECT_EQ(ScanOne(L"company_lower.exe", Options{true, true, true, false}),
            Lines{L"<item> | Fixture with a lower-case company name | microsoft corporation"});
  EXPECT_EQ(ScanOne(L"no_version.exe", Options{true, true, true, true}),
            Lines{L"<item> | No description | Unsigned :  No publisher"});
}

TEST(FileEvaluation, HashThatCannotBeComputedIsStillALine) {
  TempFolder folder;
  const std::wstring file = folder / L"locked.exe";
  ASSERT_TRUE(WriteBytes(file, std::string("locked")));
  // Held open for writing elsewhere: the hash, which shares reading only, cannot open it.
  HANDLE writer = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  TempFolder logs;
  ScanOptions o = BareOptions(folder.Path, logs / L"log.txt", L".exe", L"0");
  o.IncludeMd5 = true;
  ScanSession session;
  ASSERT_EQ(RunScan(o, session, nullptr), ScanStart::Started);
  CloseHandle(writer);
  EXPECT_EQ(session.FilesMatched, 1u);
  const Lines lines = ResultLines(ReadLog(o.LogPath));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(lines[0].size() - 22), L" | Hash error: Unknown");
}

TEST(FileEvaluation, UnconvertibleTimeSkipsTheEntry) {
  ScanSession session;
  const PatternMatcher all = CompilePattern(L"");
  session.Pattern = &all;
  wcscpy(session.FindData.cFileName, L"x.exe");
  session.FindData.ftLastWriteTime = {0xFFFFFFFF, 0xFFFFFFFF};
  session.TimestampBase = kTimestampLastWrite;
  session.MaxAgeDays = 0;
  EXPECT_EQ(EvaluateEntry(session, L"C:\\nowhere", EntryKind::File), EntryVerdict::Continue);
  EXPECT_EQ(session.FilesMatched, 0u);
  session.FindData.ftCreationTime = {0xFFFFFFFF, 0xFFFFFFFF};
  EXPECT_EQ(EvaluateEntry(session, L"C:\\nowhere", EntryKind::Folder), EntryVerdict::Continue);
  EXPECT_EQ(session.FoldersMatched, 0u);
}

TEST(FileEvaluation, FolderWithoutItsListIsNeitherWrittenNorCounted) {
  ScanSession session;
  wcscpy(session.FindData.cFileName, L"New folder");
  GetSystemTimeAsFileTime(&session.FindData.ftCreationTime);
  EXPECT_EQ(EvaluateEntry(session, L"C:\\x", EntryKind::Folder), EntryVerdict::Continue);
  EXPECT_EQ(session.FoldersMatched, 0u);
}

TEST(FolderWalk, NamesBeyondTheBasicPlaneAndLongPathsAreLogged) {
  TempFolder folder;
  const std::wstring emoji = L"\xD83D\xDE00 grin.exe";
  ASSERT_TRUE(WriteBytes(folder / emoji, std::string("g")));
  // Nest folders until the path passes the classic 260-character limit.
  std::wstring deep = folder.Path;
  std::wstring prefixed = L"\\\\?\\" + folder.Path;
  while (deep.size() < 300) {
    deep += L"\\" + std::wstring(40, L'n');
    prefixed += L"\\" + std::wstring(40, L'n');
    ASSERT_TRUE(CreateDirectoryW(prefixed.c_str(), nullptr));
  }
  WriteBytes(prefixed + L"\\deep.exe", std::string("d"));
  TempFolder logs;
  ScanOptions o = BareOptions(folder.Path, logs / L"log.txt", L".exe", L"30");
  o.Recurse = o.IncludeMd5 = true;
  ScanSession session;
  bool completed = false;
  ASSERT_EQ(RunScan(o, session, &completed), ScanStart::Started);
  EXPECT_TRUE(completed);
  const std::wstring log = ReadLog(o.LogPath);
  EXPECT_NE(log.find(L"| " + folder.Path + L"\\" + emoji + L" | B2F5FF47436671B6E533D8DC3614845D"), std::wstring::npos)
      << Printable(log);
  // Walked, hashed and logged with its ordinary path, though Win32 takes it only in the
  // extended-length form.
  EXPECT_NE(log.find(L"| " + deep + L"\\deep.exe | 8277E0910D750195B448797616E091AD\r"), std::wstring::npos)
      << Printable(log);
  const std::wstring banner = L"\t############### End of the Fendrel results log ###############";
  EXPECT_EQ(log.substr(log.size() - banner.size()), banner);
}

}  // namespace
