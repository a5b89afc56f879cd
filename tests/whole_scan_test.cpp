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
#include "temp_folder.h"

namespace {

// The tree every case starts from. Dates: 0 is "now"; otherwise year, month, day at noon UTC.
struct FileSpec {
  const wchar_t* Path;
  const char* Content;
  int Year, Month, Day;
  DWORD Attributes;
};
struct FolderSpec {
  const wchar_t* Path;
  int Year, Month, Day;
};

const FolderSpec kFolders[] = {
    {L"empty", 0, 0, 0},        {L"..old", 0, 0, 0},       {L".old", 0, 0, 0},
    {L"aged", 2003, 3, 3},      {L"aged\\fresh", 0, 0, 0}, {L"aged\\aged2", 2003, 3, 4},
    {L"recent", 0, 0, 0},       {L"recent\\sub", 2002, 2, 2},
};
const FileSpec kFiles[] = {
    {L"alpha.exe", "alpha", 0, 0, 0, 0},
    {L"old.dll", "bravo", 2001, 5, 5, 0},
    {L"notes.txt", "charlie", 0, 0, 0, 0},
    {L"Hidden.SYS", "delta", 0, 0, 0, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
    {L"..old\\skip.exe", "echo", 0, 0, 0, 0},
    {L".old\\dot.bat", "foxtrot", 0, 0, 0, 0},
    {L"aged\\fresh\\deep.cmd", "golf", 0, 0, 0, 0},
    {L"aged\\aged2\\ancient.vbs", "hotel", 2002, 1, 1, 0},
    {L"recent\\sub\\x.scr", "india", 0, 0, 0, FILE_ATTRIBUTE_READONLY},
};

std::map<std::wstring, std::wstring> kDigests = {
    {L"alpha.exe", L"2C1743A391305FBF367DF8E4F069F9F9"},       {L"old.dll", L"FD9AB41E47A9EF4F6477A8A000BF404F"},
    {L"Hidden.SYS", L"63BCABF86A9A991864777C631C5B7617"},      {L".old\\dot.bat", L"BB52AEB112DEC1F523B47E0B1BE60AED"},
    {L"aged\\fresh\\deep.cmd", L"C6CF642B8F1CAC1101E23A06AA63600E"},
    {L"aged\\aged2\\ancient.vbs", L"E919C49D5F0CD737285367810A3394D0"},
    {L"recent\\sub\\x.scr", L"11A98374EBEC8E0C7A54751D2161804D"},
};

// Letters of the attributes the file system reports, in the log's order.
std::wstring LettersOf(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  std::wstring letters;
  const std::pair<DWORD, wchar_t> order[] = {{0x1, L'R'},   {0x20, L'A'},  {0x4, L'S'},   {0x2, L'H'},
                                             {0x80, L'N'},  {0x1000, L'O'}, {0x800, L'C'}, {0x100, L'T'}};
  for (const auto& [bit, letter] : order) {
    if (a & bit) letters += letter;
  }
  return letters;
}

struct Tree {
  TempFolder Base;
  std::wstring Root;
  Tree() : Root(Base / L"tree") {
    CreateDirectoryW(Root.c_str(), nullptr);
    for (const FolderSpec& f : kFolders) CreateDirectoryW(Path(f.Path).c_str(), nullptr);
    for (const FileSpec& f : kFiles) {
      WriteBytes(Path(f.Path), std::string(f.Content));
      if (f.Year != 0) SetFileDate(Path(f.Path), f.Year, f.Month, f.Day);
      if (f.Attributes != 0) SetFileAttributesW(Path(f.Path).c_str(), f.Attributes);
    }
    // Folders last, deepest first: making their content touched their dates.
    for (size_t i = std::size(kFolders); i-- > 0;) {
      if (kFolders[i].Year != 0) SetFileDate(Path(kFolders[i].Path), kFolders[i].Year, kFolders[i].Month,
                                             kFolders[i].Day, true);
    }
    HasLink = MakeFolderLink(Path(L"link"), Path(L"recent"));
  }
  std::wstring Path(const std::wstring& relative) const { return Root + L"\\" + relative; }
  bool HasLink = false;
};

// A plain listing of the tree the way a depth-first walk meets it: every entry's running count,
// "." and ".." included, and the count of all entries.
struct Listing {
  std::map<std::wstring, uint64_t> Position;  // full path -> running count at the entry
  uint64_t Count = 0;
};

void ListFolder(const std::wstring& folder, bool recurse, Listing& listing) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  std::vector<std::wstring> subfolders;
  do {
    ++listing.Count;
    const std::wstring name = data.cFileName;
    const std::wstring path = folder + L"\\" + name;
    listing.Position[path] = listing.Count;
    const bool real = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                      !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && name != L"." &&
                      name.rfind(L"..", 0) != 0;
    if (real && recurse) {
      FindClose(find);  // descend at once, as the walk does, then resume after this entry
      ListFolder(path, recurse, listing);
      find = FindFirstFileW((folder + L"\\*").c_str(), &data);
      while (folder + L"\\" + data.cFileName != path && FindNextFileW(find, &data)) {
      }
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
}

Listing ListTree(const std::wstring& root, bool recurse) {
  Listing listing;
  ListFolder(root, recurse, listing);
  return listing;
}

// What one case expects: lines by relative path, in any order here; the listing orders them.
struct Expectation {
  std::wstring Legend;
  std::map<std::wstring, std::wstring> FileLines;    // relative path -> whole line
  std::map<std::wstring, std::wstring> FolderLines;  // relative path -> whole line
  bool Completed = true;
  uint64_t Analyzed = 0;
};

std::wstring Truth(bool b) { return b ? L"True" : L"False"; }

std::wstring ExpectedHeader(const ScanOptions& o) {
  return L"\t############### Fendrel results log ###############\r\n\r\n\tCurrent date and time: <now>.\r\n\r\n"
         L"\tFile name pattern to search: " + o.Pattern + L"\r\n\r\n\tRoot path to search: " + o.Root +
         L".\r\n\r\n\tMax file age: " + o.MaxAge + L" days.\r\n\r\n\tShow Microsoft files: " +
         Truth(o.IncludeMicrosoftFiles) + L".\r\n\r\n\tRecursive mode: " + Truth(o.Recurse) +
         L"\r\n\r\n\tScan recent folders: " + Truth(o.ScanRecentFolders) + L".\r\n\r\n\tInclude file description: " +
         Truth(o.IncludeDescription) + L".\r\n\r\n\tInclude company name: " + Truth(o.IncludeCompanyName) +
         L".\r\n\r\n\tVerify file signatures: " + Truth(o.VerifySignatures) + L"\r\n\r\n\tInclude MD5 hash: " +
         Truth(o.IncludeMd5) + L".\r\n\r\n\tInclude file size: " + Truth(o.IncludeFileSize) +
         L".\r\n\r\n\tInclude file attributes: " + Truth(o.IncludeAttributes) + L".\r\n\r\n\tTimestamp base: " +
         o.TimestampCaption + L".\r\n\r\n\tSearch start...\r\n\r\n";
}

std::wstring Grouped(uint64_t n) {
  std::wstring digits = std::to_wstring(n), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i && (digits.size() - i) % 3 == 0) out += L',';
    out += digits[i];
  }
  return out;
}

std::wstring ExpectedLog(const ScanOptions& o, const Tree& tree, const Listing& listing, const Expectation& e) {
  const auto ordered = [&](const std::map<std::wstring, std::wstring>& lines) {
    std::vector<std::pair<uint64_t, std::wstring>> rows;
    for (const auto& [relative, line] : lines) {
      const auto at = listing.Position.find(tree.Path(relative));
      rows.emplace_back(at == listing.Position.end() ? 0 : at->second, line);
    }
    std::sort(rows.begin(), rows.end());
    std::wstring text;
    for (const auto& row : rows) text += row.second;
    return text;
  };
  std::wstring log = ExpectedHeader(o) + e.Legend + ordered(e.FileLines);
  if (!e.FolderLines.empty()) {
    log += L"  ======================= End of Recent files list. =======================\r\n\r\n\r\n"
           L"  Recent folders search :\r\n\r\n  Format : <RecentFolder> | Creation date | Path\r\n\r\n" +
           ordered(e.FolderLines) +
           L"  ======================= End of Recent folders list. =======================\r\n\r\n\r\n";
  }
  log += e.Completed ? L"\r\n   The FNX scan completed successfully at <now>\r\n\r\n"
                     : L"\r\n   The FNX scan was interrupted by the user at <now>.\r\n\r\n";
  log += L"   " + Grouped(e.Analyzed) + L" file objects analyzed. " + Grouped(e.FileLines.size()) + L" files matched";
  if (!e.FolderLines.empty()) log += L",   " + Grouped(e.FolderLines.size()) + L" folders matched";
  log += L".\r\n\r\n\t############### End of the Fendrel results log ###############";
  return log;
}

// Reads the log, checks its byte format against the expected text and masks the two times.
void ExpectLog(const std::wstring& logPath, const std::wstring& expected) {
  const std::vector<unsigned char> bytes = ReadBytes(logPath);
  ASSERT_GE(bytes.size(), 2u);
  ASSERT_EQ(bytes[0], 0xFF);
  ASSERT_EQ(bytes[1], 0xFE);
  std::wstring stored;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) stored += static_cast<wchar_t>(bytes[i] | bytes[i + 1] << 8);
  // On disk every LF has a CR put in front of it.
  std::wstring text;
  for (size_t i = 0; i < stored.size(); ++i) {
    if (stored[i] == L'\r' && i + 1 < stored.size() && stored[i + 1] == L'\n') continue;
    text += stored[i];
  }
  std::wstring reencoded;
  for (const wchar_t c : text) reencoded += c == L'\n' ? std::wstring(L"\r\n") : std::wstring(1, c);
  EXPECT_EQ(Printable(reencoded), Printable(stored)) << "a line feed without its inserted carriage return";
  const std::wregex now(L"\\d{4}/\\d{2}/\\d{2}  \\d{2}:\\d{2}:\\d{2}");
  EXPECT_EQ(std::distance(std::wsregex_iterator(text.begin(), text.end(), now), std::wsregex_iterator()), 2);
  const std::wstring masked = std::regex_replace(text, now, L"<now>");
  EXPECT_EQ(Printable(masked), Printable(expected));
}

ScanOptions AllOptions(const Tree& tree, const std::wstring& logPath) {
  ScanOptions o;
  o.Pattern = L".exe|.dll|.com|.vbs|.cmd|.bat|.reg|.sys|.vbe|.scr";
  o.MaxAge = L"30";
  o.Root = tree.Root;
  o.LogPath = logPath;
  o.IncludeMicrosoftFiles = o.Recurse = o.ScanRecentFolders = o.IncludeDescription = o.IncludeCompanyName = true;
  o.VerifySignatures = o.IncludeMd5 = o.IncludeFileSize = o.IncludeAttributes = o.SeparateWithBlankLine = true;
  return o;
}

std::wstring AllOptionsLine(const Tree& tree, const std::wstring& relative, const std::wstring& date) {
  const std::wstring path = tree.Path(relative);
  return L"<RecentFiles> | Last modified:" + date + L" | " + LettersOf(path) + L" | " + path +
         L" | No description | " + std::to_wstring(ReadBytes(path).size()) + L" bytes | " + kDigests.at(relative) +
         L" | Unsigned :  No publisher\r\n\r\n";
}

std::wstring PlainLine(const Tree& tree, const std::wstring& relative, const std::wstring& label,
                       const std::wstring& date) {
  return L"<RecentFiles> | " + label + date + L" | " + tree.Path(relative) + L"\r\n";
}

std::wstring FolderLine(const Tree& tree, const std::wstring& relative, const std::wstring& date, bool blank) {
  return L"<RecentFolder> | " + date + L" | " + tree.Path(relative) + (blank ? L"\r\n\r\n" : L"\r\n");
}

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
  ExpectLog(o.LogPath, ExpectedLog(o, tree, listing, e));
}

TEST(WholeScan, NoOptionOn) {
  Tree tree;
  ScanOptions o;
  o.Pattern = L".exe|.dll|.com|.vbs|.cmd|.bat|.reg|.sys|.vbe|.scr";
  o.MaxAge = L"30";
  o.Root = tree.Root;
  o.LogPath = tree.Base / L"log.txt";
  Scan(o);
  Expectation e;
  e.Legend = L"  Format: Mode | Last write time | Path\r\n\r\n";
  for (const wchar_t* f : {L"alpha.exe", L"Hidden.SYS"}) e.FileLines[f] = PlainLine(tree, f, L"Last modified:", TodayUtcText());
  const Listing listing = ListTree(tree.Root, false);
  e.Analyzed = listing.Count;
  ExpectLog(o.LogPath, ExpectedLog(o, tree, listing, e));
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
    ScanOptions o;
    o.Pattern = L".exe|.sys";
    o.MaxAge = L"30";
    o.Root = tree.Root + L"\\";
    o.LogPath = tree.Base / (L"log" + std::to_wstring(b.Base) + L".txt");
    o.TimestampBase = b.Base;
    o.TimestampCaption = b.Caption;
    Scan(o);
    Expectation e;
    e.Legend = std::wstring(L"  Format: Mode | ") + b.Legend + L" | Path\r\n\r\n";
    for (const wchar_t* f : b.Listed) e.FileLines[f] = PlainLine(tree, f, b.Label, today);
    const Listing listing = ListTree(tree.Root, false);
    e.Analyzed = listing.Count;
    SCOPED_TRACE(Printable(b.Caption));
    ExpectLog(o.LogPath, ExpectedLog(o, tree, listing, e));
  }
}

TEST(WholeScan, MaximumAgeZeroListsEveryMatchAndEveryDirectSubfolder) {
  Tree tree;
  ScanOptions o;
  o.Pattern = L"*.exe|*.dll|*.vbs";
  o.MaxAge = L"0";
  o.Root = tree.Root;
  o.LogPath = tree.Base / L"log.txt";
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
  ExpectLog(o.LogPath, ExpectedLog(o, tree, listing, e));
}

TEST(WholeScan, RecursionOffStillOffersTheRootsSubfolders) {
  Tree tree;
  ScanOptions o;
  o.Pattern = L"";
  o.MaxAge = L"30";
  o.Root = tree.Root;
  o.LogPath = tree.Base / L"log.txt";
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
  ExpectLog(o.LogPath, ExpectedLog(o, tree, listing, e));
}

TEST(WholeScan, RecentFoldersWithoutAnyLeaveNoSectionAndNoTemporaryFile) {
  Tree tree;
  TempFolder temp;
  wchar_t saved[1024] = {};
  GetEnvironmentVariableW(L"TMP", saved, 1024);
  SetEnvironmentVariableW(L"TMP", temp.Path.c_str());
  ScanOptions o;
  o.Pattern = L".none";
  o.MaxAge = L"30";
  o.Root = tree.Path(L"aged\\aged2");
  o.LogPath = tree.Base / L"log.txt";
  o.ScanRecentFolders = o.Recurse = true;
  Scan(o);
  SetEnvironmentVariableW(L"TMP", saved[0] ? saved : nullptr);
  Expectation e;
  e.Legend = L"  Format: Mode | Last write time | Path\r\n\r\n";
  e.Analyzed = 3;
  ExpectLog(o.LogPath, ExpectedLog(o, tree, ListTree(o.Root, true), e));
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((temp.Path + L"\\*").c_str(), &data);
  int left = 0;
  do {
    if (data.cFileName[0] != L'.') ++left;
  } while (FindNextFileW(find, &data));
  FindClose(find);
  EXPECT_EQ(left, 0) << "the temporary folder list was left behind";
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
  ExpectLog(o.LogPath, ExpectedLog(o, tree, listing, e));
}

// A folder line whose text change stops the walk: every level must unwind at once.
std::wstring stopInFolder;
ScanSession* walkingSession = nullptr;
LRESULT CALLBACK StoppingLineProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETTEXT && stopInFolder == reinterpret_cast<const wchar_t*>(lParam)) {
    walkingSession->StopRequested = true;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST(FolderWalk, StopSeenAtTheNextDrainUnwindsEveryLevel) {
  Tree tree;
  WNDCLASSW wc{};
  wc.lpfnWndProc = StoppingLineProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"FNX_StopLine";
  RegisterClassW(&wc);
  HWND line = CreateWindowExW(0, L"FNX_StopLine", L"", WS_POPUP, 0, 0, 4000, 20, nullptr, nullptr, wc.hInstance, nullptr);
  HDC dc = GetWindowDC(line);
  SetFolderLine(line, dc);
  stopInFolder = tree.Path(L"aged\\fresh");  // two levels down; shown whole on a wide line

  ScanSession session;
  walkingSession = &session;
  session.Recurse = true;
  session.ScanRecentFolders = false;
  const PatternMatcher none = CompilePattern(L".none");
  session.Pattern = &none;
  const bool completed = WalkFolder(tree.Root, session, false);
  SetFolderLine(nullptr, nullptr);
  ReleaseDC(line, dc);
  DestroyWindow(line);
  EXPECT_FALSE(completed);
  // Noticed at the first drain after the folder was shown: the next multiple of five entries.
  const Listing listing = ListTree(tree.Root, true);
  const uint64_t shownAt = listing.Position.at(tree.Path(L"aged\\fresh"));
  EXPECT_EQ(session.FilesAnalyzed, (shownAt / 5 + 1) * 5) << "shown at entry " << shownAt;
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
