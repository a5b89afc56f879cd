#include "log_expectation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <vector>

#include "log_checker.h"

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

}  // namespace

const std::map<std::wstring, std::wstring> kDigests = {
    {L"alpha.exe", L"2C1743A391305FBF367DF8E4F069F9F9"},       {L"old.dll", L"FD9AB41E47A9EF4F6477A8A000BF404F"},
    {L"Hidden.SYS", L"63BCABF86A9A991864777C631C5B7617"},      {L".old\\dot.bat", L"BB52AEB112DEC1F523B47E0B1BE60AED"},
    {L"aged\\fresh\\deep.cmd", L"C6CF642B8F1CAC1101E23A06AA63600E"},
    {L"aged\\aged2\\ancient.vbs", L"E919C49D5F0CD737285367810A3394D0"},
    {L"recent\\sub\\x.scr", L"11A98374EBEC8E0C7A54751D2161804D"},
};

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

Tree::Tree() : Root(Base / L"tree") {
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

namespace {

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

}  // namespace

Listing ListTree(const std::wstring& root, bool recurse) {
  Listing listing;
  ListFolder(root, recurse, listing);
  return listing;
}


namespace {

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

}  // namespace

std::wstring ExpectedLog(const ScanOptions& o, const std::wstring& root, const Listing& listing, const Expectation& e) {
  const auto ordered = [&](const std::map<std::wstring, std::wstring>& lines) {
    std::vector<std::pair<uint64_t, std::wstring>> rows;
    for (const auto& [relative, line] : lines) {
      const auto at = listing.Position.find(root + L"\\" + relative);
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

std::wstring LogText(const std::wstring& logPath) {
  const std::vector<unsigned char> bytes = ReadBytes(logPath);
  EXPECT_GE(bytes.size(), 2u);
  if (bytes.size() < 2) return std::wstring();
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xFE);
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
  return text;
}

std::wstring MaskTimes(const std::wstring& text, int* count) {
  const std::wregex now(L"\\d{4}/\\d{2}/\\d{2}  \\d{2}:\\d{2}:\\d{2}");
  if (count != nullptr) *count = static_cast<int>(std::distance(std::wsregex_iterator(text.begin(), text.end(), now), std::wsregex_iterator()));
  return std::regex_replace(text, now, L"<now>");
}

void ExpectLog(const std::wstring& logPath, const std::wstring& expected, bool finished) {
  if (finished) EXPECT_EQ(CheckLog(ReadBytes(logPath)).Error, "") << "the log breaks the layout rules";
  int times = 0;
  const std::wstring masked = MaskTimes(LogText(logPath), &times);
  EXPECT_EQ(times, finished ? 2 : 1);
  EXPECT_EQ(Printable(masked), Printable(expected));
}

ScanOptions BareOptions(const std::wstring& root, const std::wstring& logPath, const std::wstring& pattern,
                        const std::wstring& maxAge) {
  ScanOptions o;
  o.Pattern = pattern;
  o.MaxAge = maxAge;
  o.Root = root;
  o.LogPath = logPath;
  return o;
}

ScanOptions AllOptions(const Tree& tree, const std::wstring& logPath) {
  ScanOptions o = BareOptions(tree.Root, logPath, L".exe|.dll|.com|.vbs|.cmd|.bat|.reg|.sys|.vbe|.scr", L"30");
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


