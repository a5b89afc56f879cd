// Whole scans of real trees without the window, compared with the log bytes the rules give.
// The order of the lines is the file system's own listing order, taken here by a plain
// listing; which lines appear, and what they say, is written out per case.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "app/scan_run.h"
#include "facts/facts_drain.h"
#include "scan/folder_walker.h"
#include "scan/message_drains.h"
#include "log_expectation.h"
#include "temp_folder.h"

namespace {

void Scan(const ScanOptions& o, bool expectCompleted = true) {
  ScanSession session;
  bool completed = false;
  ASSERT_EQ(RunScan(o, session, &completed), ScanStart::Started);
  EXPECT_EQ(completed, expectCompleted);
}


TEST(WholeScan, AllOptionsOn) {
  Tree tree;
  ASSERT_TRUE(tree.HasLink);
  const ScanOptions o = AllOptions(tree, tree.Base / L"log.txt");
  Scan(o);
  Expectation e;
  e.Legend = L"  Format: Mode | Last write time | Path | File attributes | File description | File size | MD5 hash"
             L" | Publisher name\r\n\r\n";
  const std::wstring today = TodayUtcText();
  for (const wchar_t* f : {L"alpha.exe", L"Hidden.SYS", L".old\\dot.bat", L"aged\\fresh\\deep.cmd", L"recent\\sub\\x.scr"}) {
    e.FileLines[f] = AllOptionsLine(tree, f, today);
  }
  // Outermost recent folders only: "fresh" inside the old "aged", not "sub" inside "recent".
  for (const wchar_t* f : {L"empty", L".old", L"aged\\fresh", L"recent"}) e.FolderLines[f] = FolderLine(tree, f, today, true);
  const Listing listing = ListTree(tree.Root, true);
  e.Analyzed = listing.Count;
  ExpectLog(o.LogPath, ExpectedLog(o, tree.Root, listing, e));
}

TEST(WholeScan, NoOptionOn) {
  Tree tree;
  ScanOptions o = BareOptions(tree.Root, tree.Base / L"log.txt", L".exe|.dll|.com|.vbs|.cmd|.bat|.reg|.sys|.vbe|.scr", L"30");
  Scan(o);
  Expectation e;
  e.Legend = L"  Format: Mode | Last write time | Path\r\n\r\n";
  for (const wchar_t* f : {L"alpha.exe", L"Hidden.SYS"}) e.FileLines[f] = PlainLine(tree, f, L"Last modified:", TodayUtcText());
  const Listing listing = ListTree(tree.Root, false);
  e.Analyzed = listing.Count;
  ExpectLog(o.LogPath, ExpectedLog(o, tree.Root, listing, e));
}

TEST(WholeScan, EachTimestampBaseChoosesItsFileTime) {
  Tree tree;
  // Last written long ago but read today; and the other way round.
  const std::wstring read = tree.Path(L"read.exe"), written = tree.Path(L"written.exe");
  WriteBytes(read, std::string("r"));
  WriteBytes(written, std::string("w"));
  FILETIME old, now;
  SYSTEMTIME st{};
  st.wYear = 2001, st.wMonth = 5, st.wDay = 5, st.wHour = 12;
  SystemTimeToFileTime(&st, &old);
  GetSystemTimeAsFileTime(&now);
  for (const auto& [path, access, write] : {std::tuple{read, now, old}, std::tuple{written, old, now}}) {
    HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetFileTime(h, &write, &access, &write);
    CloseHandle(h);
  }
  const std::wstring today = TodayUtcText();
  struct {
    int32_t Base;
    const wchar_t* Caption;
    const wchar_t* Label;
    const wchar_t* Legend;
    std::vector<const wchar_t*> Listed;
  } bases[] = {
      {0, L"Creation date", L"Creation date:", L"Creation time", {L"alpha.exe", L"Hidden.SYS"}},
      {1, L"Last access", L"Last access:", L"Last access time", {L"alpha.exe", L"Hidden.SYS", L"read.exe"}},
      {2, L"Last modified", L"Last modified:", L"Last write time", {L"alpha.exe", L"Hidden.SYS", L"written.exe"}},
  };
  // Wine cannot set a creation time: it reads as the last write when that is older, else as the
  // file's birth. Whether written.exe counts as created today is the file system's answer.
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExW(written.c_str(), GetFileExInfoStandard, &data));
  SYSTEMTIME created;
  FileTimeToSystemTime(&data.ftCreationTime, &created);
  wchar_t createdText[16];
  swprintf(createdText, 16, L"%04u-%02u-%02u", created.wYear, created.wMonth, created.wDay);
  std::vector<const wchar_t*> createdToday = {L"alpha.exe", L"Hidden.SYS"};
  if (createdText == today) createdToday.push_back(L"written.exe");
  for (auto& b : bases) {
    if (b.Base == 0) b.Listed = createdToday;
    ScanOptions o = BareOptions(tree.Root + L"\\", tree.Base / (L"log" + std::to_wstring(b.Base) + L".txt"), L".exe|.sys", L"30");
    o.TimestampBase = b.Base;
    o.TimestampCaption = b.Caption;
    Scan(o);
    Expectation e;
    e.Legend = std::wstring(L"  Format: Mode | ") + b.Legend + L" | Path\r\n\r\n";
    for (const wchar_t* f : b.Listed) e.FileLines[f] = PlainLine(tree, f, b.Label, today);
    const Listing listing = ListTree(tree.Root, false);
    e.Analyzed = listing.Count;
    SCOPED_TRACE(Printable(b.Caption));
    ExpectLog(o.LogPath, ExpectedLog(o, tree.Root, listing, e));
  }
}

TEST(WholeScan, MaximumAgeZeroListsEveryMatchAndEveryDirectSubfolder) {
  Tree tree;
  ScanOptions o = BareOptions(tree.Root, tree.Base / L"log.txt", L"*.exe|*.dll|*.vbs", L"0");
  o.Recurse = o.ScanRecentFolders = true;
  Scan(o);
  Expectation e;
  e.Legend = L"  Format: Mode | Last write time | Path\r\n\r\n";
  e.FileLines[L"alpha.exe"] = PlainLine(tree, L"alpha.exe", L"Last modified:", TodayUtcText());
  e.FileLines[L"old.dll"] = PlainLine(tree, L"old.dll", L"Last modified:", L"2001-05-05");
  e.FileLines[L"aged\\aged2\\ancient.vbs"] = PlainLine(tree, L"aged\\aged2\\ancient.vbs", L"Last modified:", L"2002-01-01");
  e.FolderLines[L"empty"] = FolderLine(tree, L"empty", TodayUtcText(), false);
  e.FolderLines[L".old"] = FolderLine(tree, L".old", TodayUtcText(), false);
  e.FolderLines[L"aged"] = FolderLine(tree, L"aged", L"2003-03-03", false);
  e.FolderLines[L"recent"] = FolderLine(tree, L"recent", TodayUtcText(), false);
  const Listing listing = ListTree(tree.Root, true);
  e.Analyzed = listing.Count;
  ExpectLog(o.LogPath, ExpectedLog(o, tree.Root, listing, e));
}

TEST(WholeScan, RecursionOffStillOffersTheRootsSubfolders) {
  Tree tree;
  ScanOptions o = BareOptions(tree.Root, tree.Base / L"log.txt", L"", L"30");
  o.ScanRecentFolders = o.SeparateWithBlankLine = true;
  Scan(o);
  Expectation e;
  e.Legend = L"  Format: Mode | Last write time | Path\r\n\r\n";
  const std::wstring today = TodayUtcText();
  for (const wchar_t* f : {L"alpha.exe", L"notes.txt", L"Hidden.SYS"}) {
    e.FileLines[f] = L"<RecentFiles> | Last modified:" + today + L" | " + tree.Path(f) + L"\r\n\r\n";
  }
  for (const wchar_t* f : {L"empty", L".old", L"recent"}) e.FolderLines[f] = FolderLine(tree, f, today, true);
  const Listing listing = ListTree(tree.Root, false);
  e.Analyzed = listing.Count;
  ExpectLog(o.LogPath, ExpectedLog(o, tree.Root, listing, e));
}

TEST(WholeScan, RecentFoldersWithoutAnyLeaveNoSectionAndNoTemporaryFile) {
  Tree tree;
  TempFolder temp;
  wchar_t saved[1024] = {};
  GetEnvironmentVariableW(L"TMP", saved, 1024);
  SetEnvironmentVariableW(L"TMP", temp.Path.c_str());
  ScanOptions o = BareOptions(tree.Path(L"aged\\aged2"), tree.Base / L"log.txt", L".none", L"30");
  o.ScanRecentFolders = o.Recurse = true;
  Scan(o);
  SetEnvironmentVariableW(L"TMP", saved[0] ? saved : nullptr);
  Expectation e;
  e.Legend = L"  Format: Mode | Last write time | Path\r\n\r\n";
  e.Analyzed = 3;
  ExpectLog(o.LogPath, ExpectedLog(o, tree.Root, ListTree(o.Root, true), e));
  EXPECT_EQ(CountEntries(temp.Path), 0) << "the temporary folder list was left behind";
}

// Stops the scan from inside the drain of the hash once the walk has read `stopAt` entries.
ScanSession* stoppingSession = nullptr;
uint64_t stopAt = 0;
bool StopAfterEntries() {
  const bool handled = DrainMessageQueue();
  if (stoppingSession->FilesAnalyzed >= stopAt) stoppingSession->StopRequested = true;
  return handled;
}

TEST(WholeScan, StopFromInsideADrainEndsWithTheCountsSoFar) {
  Tree tree;
  ScanOptions o = AllOptions(tree, tree.Base / L"log.txt");
  o.SeparateWithBlankLine = false;
  const Listing listing = ListTree(tree.Root, true);
  const std::vector<std::wstring> matching = {L"alpha.exe", L"Hidden.SYS", L".old\\dot.bat", L"aged\\fresh\\deep.cmd",
                                              L"recent\\sub\\x.scr"};
  // The third matching file in walk order is being hashed when the stop comes.
  std::vector<std::pair<uint64_t, std::wstring>> order;
  for (const std::wstring& f : matching) order.emplace_back(listing.Position.at(tree.Path(f)), f);
  std::sort(order.begin(), order.end());
  stopAt = order[2].first;

  ScanSession session;
  stoppingSession = &session;
  SetFactsDrain(StopAfterEntries);
  bool completed = true;
  ASSERT_EQ(RunScan(o, session, &completed), ScanStart::Started);
  SetFactsDrain(nullptr);
  EXPECT_FALSE(completed);
  EXPECT_TRUE(session.StopRequested);
  EXPECT_EQ(session.FilesAnalyzed, stopAt);

  Expectation e;
  e.Completed = false;
  e.Analyzed = stopAt;
  e.Legend = L"  Format: Mode | Last write time | Path | File attributes | File description | File size | MD5 hash"
             L" | Publisher name\r\n\r\n";
  for (size_t i = 0; i < 2; ++i) {
    std::wstring line = AllOptionsLine(tree, order[i].second, TodayUtcText());
    e.FileLines[order[i].second] = line.substr(0, line.size() - 2);
  }
  // Folders met before the stop were listed; the section is still merged.
  const std::vector<std::wstring> recentFolders = {L"empty", L".old", L"aged\\fresh", L"recent"};
  for (const std::wstring& f : recentFolders) {
    if (listing.Position.at(tree.Path(f)) < stopAt) e.FolderLines[f] = FolderLine(tree, f, TodayUtcText(), false);
  }
  ExpectLog(o.LogPath, ExpectedLog(o, tree.Root, listing, e));
}

TEST(FolderWalk, CountsEveryEntryAPlainListingGives) {
  Tree tree;
  ScanSession session;
  session.Recurse = true;
  const PatternMatcher all = CompilePattern(L"");
  session.Pattern = &all;
  EXPECT_TRUE(WalkFolder(tree.Root, session, false));
  EXPECT_EQ(session.FilesAnalyzed, ListTree(tree.Root, true).Count);
  // An empty folder counts its "." and "..".
  ScanSession empty;
  empty.Pattern = &all;
  EXPECT_TRUE(WalkFolder(tree.Path(L"empty"), empty, false));
  EXPECT_EQ(empty.FilesAnalyzed, 2u);
  // A folder that cannot be listed counts nothing and the walk answers true.
  ScanSession missing;
  missing.Pattern = &all;
  EXPECT_TRUE(WalkFolder(tree.Path(L"no such folder"), missing, false));
  EXPECT_EQ(missing.FilesAnalyzed, 0u);
}

}  // namespace
