// Whole scans without the window, compared byte for byte with the log the layout rules give
// for each case; the evaluator's decisions on real PE files; scans through faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>

#include "platform/scope_guard.h"
#include "scan/file_evaluation.h"
#include "scan/scan_run.h"
#include "support/expected_log.h"
#include "support/wine_host.h"

namespace {

void Scan(const ScanOptions& o) {
  ScanSession session;
  const ScanResult result = RunScan(o, session);
  ASSERT_EQ(result.Start, ScanStart::Started);
  EXPECT_TRUE(result.Completed);
}

TEST(WholeScan, EachCaseWritesTheLogItsOptionsGive) {
  const std::wstring today = TodayUtcText();
  const auto lookAlikes = [](ScanOptions& o, const Tree& tree) {
    o.Pattern = L"", o.VerifySignatures = o.IncludeCompanyName = o.IncludeDescription = o.IncludeMd5 = true;
    o.IncludeFileSize = o.IncludeAttributes = true;
    CreateDirectoryW(tree.Path(L"odd").c_str(), nullptr);
    CopyFileW(FixturePath(L"signed.exe").c_str(), tree.Path(L"odd\\evil.exe").c_str(), FALSE);
    // aux.dll would be the serial port: a read of it never returns.
    for (const auto& [name, content] : {std::pair{L"evil.exe.", "dot"}, {L"evil.exe ", "space"}, {L"nul.exe", "nul"},
                                        {L"aux.dll", "aux"}, {L"CON", "con"}, {L"lpt9.sys", "lpt"}}) {
      EXPECT_TRUE(WriteBytes(L"\\\\?\\" + tree.Path(L"odd\\") + name, content)) << Printable(name);
    }
  };
  const Expectation lookAlikesListed{
      Dated({L"evil.exe.", L"evil.exe ", L"nul.exe", L"aux.dll", L"CON", L"lpt9.sys"}, today), {}};
  // A file held open for writing elsewhere, a name beyond the basic plane and a path past the
  // classic 260-character limit.
  UniqueFileHandle writer;
  std::wstring deep;
  for (int level = 0; level < 8; ++level) deep += std::wstring(40, L'n') + L"\\";
  const std::wstring emoji = L"\xD83D\xDE00 grin.exe", deepFile = deep + L"deep.exe";
  struct Case {
    const char* Name;
    std::function<void(ScanOptions&, const Tree&)> Set;  // options beyond the bare ones, and the tree's changes
    Expectation Expected;
    std::wstring Root = L"";  // below the tree's root
  } cases[] = {
      {"every option", [](ScanOptions& o, const Tree&) {
         o = DefaultOptions(o.Root, o.LogPath);
         o.VerifySignatures = o.IncludeAttributes = true;
       }, {Dated(kTreeMatches, today), Dated(kTreeFolders, today)}},
      {"no option", [](ScanOptions&, const Tree&) {}, {Dated({L"alpha.exe", L"Hidden.SYS"}, today), {}}},
      {"age 0 with recursion: every match, only the root's subfolders",
       [](ScanOptions& o, const Tree&) {
         o.Pattern = L"*.exe|*.dll|*.vbs", o.MaxAge = L"0", o.Recurse = o.ScanRecentFolders = true;
       },
       {{{L"alpha.exe", today}, {L"old.dll", L"2001-05-05"}, {L"..old\\hid.exe", today},
         {L"aged\\aged2\\ancient.vbs", L"2002-01-01"}},
        {{L"empty", today}, {L"..old", today}, {L"...", today}, {L".. ", today}, {L".old", today},
         {L"aged", L"2003-03-03"}, {L"recent", today}}}},
      {"no recursion, recent folders, blank lines, empty pattern",
       [](ScanOptions& o, const Tree&) { o.Pattern = L"", o.ScanRecentFolders = o.SeparateWithBlankLine = true; },
       {Dated({L"alpha.exe", L"notes.txt", L"Hidden.SYS"}, today),
        Dated({L"empty", L"..old", L"...", L".. ", L".old", L"recent"}, today)}},
      {"creation dates, an age of letters", [](ScanOptions& o, const Tree&) {
         o.Pattern = L".dll", o.MaxAge = L"abc", o.Timestamp = TimestampBase::Creation;
       }, {{{L"old.dll", L"2001-05-05"}}, {}}},
      {"last access: read today, written years ago", [](ScanOptions& o, const Tree& tree) {
         o.Timestamp = TimestampBase::LastAccess;
         WriteBytes(tree.Path(L"read.exe"), "");
         SetFileDate(tree.Path(L"read.exe"), 2001, 1, 1, true);
       }, {Dated({L"alpha.exe", L"Hidden.SYS", L"read.exe"}, today), {}}},
      {"no recent folder: no section", [](ScanOptions& o, const Tree&) { o.ScanRecentFolders = o.Recurse = true; },
       {{}, {}}, L"aged\\aged2"},
      {"names as listed: a trailing dot or blank and device names are their own files; a signed original is left out",
       lookAlikes, lookAlikesListed, L"odd"},
      {"the same under a root typed in the device namespace (and so shown)",
       [&](ScanOptions& o, const Tree& tree) { lookAlikes(o, tree), o.Root = L"\\\\.\\" + o.Root; }, lookAlikesListed, L"odd"},
      {"version resources leading out of their file: the file's own digest, no version texts",
       [](ScanOptions& o, const Tree& tree) {
         o.Pattern = L"", o.IncludeDescription = o.IncludeCompanyName = o.IncludeMd5 = true;
         CreateDirectoryW(tree.Path(L"damaged").c_str(), nullptr);
         for (const std::wstring name : {L"data", L"language", L"size", L"mz", L"types"}) {  // each also with a trailing dot
           const std::string bytes = ReadBytes(FixturePath(name + (name == L"types" ? L"_tree.exe" : L"_outside.exe")));
           for (const wchar_t* dot : {L"", L"."}) EXPECT_TRUE(WriteBytes(L"\\\\?\\" + tree.Path(L"damaged\\") + name + L".exe" + dot, bytes));
         }
       }, {Dated({L"data.exe", L"data.exe.", L"language.exe", L"language.exe.", L"size.exe", L"size.exe.", L"mz.exe", L"mz.exe.",
                  L"types.exe", L"types.exe."}, today), {}},
       L"damaged"},
      {"a file being written, a name beyond the basic plane, a path past 260 units", [&](ScanOptions& o, const Tree& tree) {
         o.Recurse = o.IncludeMd5 = true;
         CreateDirectoryW(tree.Path(L"long").c_str(), nullptr);
         for (size_t at = 0; (at = deep.find(L'\\', at + 1)) != std::wstring::npos;) {
           CreateDirectoryW((L"\\\\?\\" + tree.Path(L"long\\") + deep.substr(0, at)).c_str(), nullptr);
         }
         for (const std::wstring& name : {std::wstring(L"locked.exe"), emoji, deepFile}) WriteBytes(L"\\\\?\\" + tree.Path(L"long\\") + name, "x");
         writer = AdoptFileHandle(CreateFileW(tree.Path(L"long\\locked.exe").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                              nullptr, OPEN_EXISTING, 0, nullptr));
       }, {{{L"locked.exe", today}, {emoji, today}, {deepFile, today}}, {}}, L"long"},
      {"a program without an extension beside a Microsoft DLL of its name: its own company", [](ScanOptions& o, const Tree& tree) {
         o.Pattern = L"update*", o.IncludeCompanyName = true;
         CreateDirectoryW(tree.Path(L"pair").c_str(), nullptr);
         for (const auto& [name, fixture] : {std::pair{L"update", L"pairs_last.exe"}, {L"update.dll", L"company_full.exe"}}) {
           CopyFileW(FixturePath(fixture).c_str(), tree.Path(std::wstring(L"pair\\") + name).c_str(), FALSE);
         }
       }, {{{L"update", today}}, {}, true, 0, {{L"update", L"Empresa"}}}, L"pair"},
      {"no temporary folder for the list: no section", [](ScanOptions& o, const Tree& tree) {
         o.ScanRecentFolders = o.Recurse = true;
         SetEnvironmentVariableW(L"TMP", (tree.Base / L"not there").c_str());
       }, {Dated(kTreeMatches, today), {}}},
  };
  wchar_t saved[MAX_PATH] = {};
  GetEnvironmentVariableW(L"TMP", saved, MAX_PATH);
  for (Case& c : cases) {
    SCOPED_TRACE(c.Name);
    SetEnvironmentVariableW(L"TMP", saved);
    Tree tree;
    TempFolder temp;  // the temporary folder list goes here, and must not stay
    SetEnvironmentVariableW(L"TMP", temp.Path.c_str());
    const std::wstring root = c.Root.empty() ? tree.Root : tree.Path(c.Root);
    ScanOptions o = BareOptions(root, tree.Base / L"log.txt", kDefaultKeywords, L"30");
    c.Set(o, tree);
    Scan(o);
    const Listing listing = ListTree(root, o.Recurse);
    c.Expected.Analyzed = listing.Count;
    ExpectLog(o.LogPath, ExpectedLog(o, o.Root, listing, c.Expected));
    EXPECT_EQ(ListTree(temp.Path, false).Count, 2u) << "the temporary folder list was left behind";
    writer.reset();
  }
  SetEnvironmentVariableW(L"TMP", saved);
}

// The shipped 32-bit build on 64-bit Windows walks and reads System32 as it is, not the SysWOW64
// that WOW64 shows a 32-bit process: a folder that only the 64-bit system folder holds is a
// root, and its signed program gives its own facts. (The test itself looks with redirection off.)
TEST(WholeScan, TheSystemFolderAsItIs) {
  const std::wstring folder = L"C:\\Windows\\System32\\fnxprobe" + std::to_wstring(sizeof(void*)), pe = folder + L"\\signed.exe";
  TempFolder logs;
  ScanOptions o = BareOptions(folder, logs / L"log.txt", L"", L"0");
  o.IncludeMd5 = o.IncludeCompanyName = o.VerifySignatures = o.IncludeMicrosoftFiles = true;
  PVOID redirection = nullptr;
  const bool wow = Wow64DisableWow64FsRedirection(&redirection) != FALSE;
  const auto asItIs = [&](bool on) { return wow && (on ? Wow64DisableWow64FsRedirection(&redirection) : Wow64RevertWow64FsRedirection(redirection)); };
  const auto remove = OnScopeExit([&] { asItIs(true), DeleteFileW(pe.c_str()), RemoveDirectoryW(folder.c_str()), asItIs(false); });
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) && CopyFileW(FixturePath(L"signed.exe").c_str(), pe.c_str(), FALSE));
  asItIs(false);
  Scan(o);
  asItIs(true);
  const Listing listing = ListTree(folder, false);
  ExpectLog(o.LogPath, ExpectedLog(o, folder, listing, {{{L"signed.exe", TodayUtcText()}}, {}, true, listing.Count,
                                                          {{L"signed.exe", L"Signed :  Microsoft Corporation"}}}));
  asItIs(false);
}

// The parts of the lines of a scan of a folder holding one copy of `fixture`, after the path.
// The copy is named as asked, written under that name exactly.
std::vector<std::wstring> ScanOne(const wchar_t* fixture, bool microsoft, bool company, bool description, bool verify,
                                  const std::wstring& name = L"item.exe") {
  TempFolder folder;
  EXPECT_TRUE(WriteBytes(L"\\\\?\\" + folder / name, ReadBytes(FixturePath(fixture)))) << Printable(fixture);
  ScanOptions o = BareOptions(folder.Path, folder / L"log.txt", L"item*|aux*", L"0");
  o.IncludeMicrosoftFiles = microsoft, o.IncludeCompanyName = company, o.IncludeDescription = description, o.VerifySignatures = verify;
  Scan(o);
  std::vector<std::wstring> lines;
  const std::wstring log = LogText(o.LogPath), item = folder / name;
  for (size_t at = log.find(item); at != std::wstring::npos; at = log.find(item, at + 1)) {
    lines.push_back(log.substr(at + item.size(), log.find(L"\r\n", at) - at - item.size()));
  }
  return lines;
}

TEST(MicrosoftRule, OnlyTheExactPrefixAndWithSignaturesOnlyASignedClaim) {
  using Lines = std::vector<std::wstring>;
  EXPECT_EQ(ScanOne(L"company_full.exe", false, true, false, false), Lines{});
  EXPECT_EQ(ScanOne(L"company_full.exe", true, true, false, false), Lines{L" | Microsoft Corporation"});
  EXPECT_EQ(ScanOne(L"company_empty.exe", false, true, false, false), Lines{L" | "});
  EXPECT_EQ(ScanOne(L"no_version.exe", true, true, true, true), Lines{L" | No description | Unsigned :  No publisher"});
  // Not applied when nothing reads the version resource.
  EXPECT_EQ(ScanOne(L"company_full.exe", false, false, false, false), Lines{L""});
  EXPECT_EQ(ScanOne(L"company_full.exe", false, false, true, false), Lines{});
  EXPECT_EQ(ScanOne(L"signed.exe", true, true, false, true), Lines{L" | Signed :  Microsoft Corporation"});
  EXPECT_EQ(ScanOne(L"bad_signature.exe", false, true, false, true), Lines{L" | Bad signature :  Microsoft Corporation"});
  EXPECT_EQ(ScanOne(L"signed.exe", true, false, false, true), Lines{L""}) << "verified, not shown";
  EXPECT_EQ(ScanOne(L"signed.exe", false, false, false, true), Lines{}) << "verified, not shown, still decides";
  // Names an ordinary path would trim or take for a device: the facts are still the file's own.
  for (const wchar_t* name : {L"item.exe.", L"item.exe ", L"aux.exe"}) {
    EXPECT_EQ(ScanOne(L"company_full.exe", true, true, true, true, name), Lines{L" | Full company | Unsigned :  Microsoft Corporation"})
        << Printable(name);
    EXPECT_EQ(ScanOne(L"signed.exe", false, true, false, true, name), Lines{}) << Printable(name);
    // A tree whose root lies in the headers is read where the loader reads it, under any name.
    EXPECT_EQ(ScanOne(L"headers_tree.exe", true, true, true, true, name), Lines{L" | Full company | Unsigned :  Microsoft Corporation"});
  }
}

// Whether `log` is the scan's log cut at a line's end: the lines of `whole` (the log an ample disk
// would hold) up to one of them, then the whole lines of the interrupted footer that fitted.
bool WholeLinesThenTheInterruptedFooter(const std::wstring& log, const std::wstring& whole) {
  static const std::wregex footer(L"(\r\n(   The FNX scan was interrupted by a write error at <now>\r\n(\r\n(   [0-9,]+ "
                                  L"file objects analyzed\\. [0-9,]+ files matched(,   [0-9,]+ folders matched)?\\.\r\n(\r\n"
                                  L"(\t#{15} End of the Fendrel results log #{15})?)?)?)?)?)?");
  for (size_t at = log.size() + 1; at-- > 0 && log.size() - at < 1000;) {  // where the footer starts, after a line end
    if ((at == 0 || log[at - 1] == L'\n') && whole.compare(0, at, log, 0, at) == 0 && std::regex_match(log.substr(at), footer)) return true;
  }
  return false;
}

// A disk that fills: the scan ends at the first write that did not land, as a stopped one does,
// the files on disk hold whole lines, and the footer, where it fits, says what happened.
TEST(WriteLoss, TheLogKeepsWholeLinesAndSaysTheScanWasCutShort) {
  const std::wstring today = TodayUtcText();
  const struct {
    const char* Name;
    bool LogOnDisk, FullAtStart;
    int Files, Folders;
    bool WalkCut, FooterWhole;
  } cases[] = {
      {"the log's disk fills mid-scan", true, false, 1500, 0, true, false},
      {"the log's disk is full at the start", true, true, 3, 0, false, false},
      {"the folder list's disk fills", false, false, 0, 300, false, true},
  };
  wchar_t saved[MAX_PATH] = {};
  GetEnvironmentVariableW(L"TMP", saved, MAX_PATH);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    SmallDisk disk(sizeof(void*) == 8 ? L'R' : L'Q', "64k");  // one letter a build: both may run at once
    if (disk.Root.empty()) {
      GTEST_SKIP() << "no disk to fill: " << disk.Why;
    }
    ASSERT_TRUE(!c.FullAtStart || disk.Fill());
    TempFolder base;
    const std::wstring root = base / L"root", name(120, L'n');
    CreateDirectoryW(root.c_str(), nullptr);
    Expectation e;
    for (int i = 0; i < c.Files + c.Folders; ++i) {
      const std::wstring entry = name + std::to_wstring(1000 + i);
      (i < c.Files ? e.Files : e.Folders).push_back({entry, today});
      i < c.Files ? WriteBytes(root + L"\\" + entry, "") : CreateDirectoryW((root + L"\\" + entry).c_str(), nullptr);
    }
    ScanOptions o = BareOptions(root, c.LogOnDisk ? disk.Root + L"log.txt" : base / L"log.txt", L"", L"1");
    o.ScanRecentFolders = c.Folders > 0;
    SetEnvironmentVariableW(L"TMP", c.LogOnDisk ? saved : disk.Root.c_str());
    ScanSession session;
    const ScanResult result = RunScan(o, session);
    SetEnvironmentVariableW(L"TMP", saved);
    EXPECT_EQ(result.Start, ScanStart::Started);
    EXPECT_TRUE(result.WriteLost);
    EXPECT_FALSE(result.Completed);
    EXPECT_TRUE(!c.WalkCut || session.FilesMatched < static_cast<uint64_t>(c.Files)) << "the walk ran on to " << session.FilesMatched;
    const Listing listing = ListTree(root, false);
    e.Analyzed = listing.Count;
    const std::wstring log = ReadBytes(o.LogPath).empty() ? L"" : MaskTimes(LogText(o.LogPath));
    EXPECT_TRUE(WholeLinesThenTheInterruptedFooter(log, ExpectedLog(o, root, listing, e))) << Printable(log.substr(log.size() - std::min<size_t>(log.size(), 300)));
    if (c.FooterWhole) {  // the list's whole lines are merged, and the footer fits
      EXPECT_NE(log.find(L"End of the Fendrel results log"), std::wstring::npos);
      EXPECT_NE(log.find(L"<RecentFolder>"), std::wstring::npos);
    }
    EXPECT_EQ(log.find(L"completed successfully"), std::wstring::npos);
    EXPECT_EQ(GetFileAttributesW((disk.Root + L"FNX_FolderResults.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  }
}

TEST(FileEvaluation, AnUnconvertibleTimeLeavesNoTrace) {
  ScanSession session;
  const PatternMatcher all = CompilePattern(L"");
  session.Pattern = &all;
  wcscpy(session.FindData.cFileName, L"x.exe");
  session.FindData.ftLastWriteTime = {0xFFFFFFFF, 0xFFFFFFFF};
  EXPECT_EQ(EvaluateEntry(session, ResolveTypedFolder(L"C:\\nowhere"), EntryKind::File), EntryVerdict::Continue);
  EXPECT_EQ(session.FilesMatched, 0u);
}

}  // namespace
