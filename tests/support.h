// What the tests share: scratch folders and file bytes, the host behind Wine, the build's
// fixtures, and the rich tree of the whole-scan cases with the log its scans must write, built
// here from the log's layout rules and compared byte for byte.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "app/scan_run.h"
#include "platform/scope_guard.h"
#include "scan/log_text.h"

inline void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
  for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &data)) {
    const std::wstring name = data.cFileName, child = path + L"\\" + name;
    if (name == L"." || name == L"..") continue;
    SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
    const DWORD a = data.dwFileAttributes;
    if ((a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT)) RemoveTree(child);
    (a & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(child.c_str()) : DeleteFileW(child.c_str());
  }
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
  RemoveDirectoryW(path.c_str());
}

// A fresh folder under the temporary folder, removed with everything in it at the end.
struct TempFolder {
  std::wstring Path;  // no trailing backslash
  TempFolder() {
    static unsigned long long made = 0;
    wchar_t temp[MAX_PATH + 1] = {}, name[64];
    GetTempPathW(MAX_PATH, temp);
    do {
      swprintf(name, 64, L"fnx-test-%lu-%llu", GetCurrentProcessId(), ++made);
      Path = temp + std::wstring(name);
    } while (!CreateDirectoryW(Path.c_str(), nullptr));
  }
  ~TempFolder() { RemoveTree(Path); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::wstring operator/(const std::wstring& name) const { return Path + L"\\" + name; }
};

inline bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream file(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  return static_cast<bool>(file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush());
}

// The whole file, or nothing when it cannot be read; other programs may hold it open.
inline std::string ReadBytes(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline std::string Printable(const std::wstring& text) { return testing::PrintToString(text); }

// Whether `done` came true within the limit, asked every 20 ms.
template <typename Done>
bool Eventually(DWORD limitMs, Done done) {
  for (const ULONGLONG end = GetTickCount64() + limitMs; !done(); Sleep(20)) {
    if (GetTickCount64() >= end) return false;
  }
  return true;
}

inline std::wstring TodayUtcText() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  return DateText(now);
}

inline SYSTEMTIME Date(int year, int month, int day, int hour = 12, int minute = 0, int second = 0) {
  return {static_cast<WORD>(year), static_cast<WORD>(month), 0, static_cast<WORD>(day), static_cast<WORD>(hour),
          static_cast<WORD>(minute), static_cast<WORD>(second), 0};
}

// The file's or folder's times set to noon of the day, but its last access to now when it was
// `readNow`.
inline bool SetFileDate(const std::wstring& path, int year, int month, int day, bool readNow = false) {
  const SYSTEMTIME noon = Date(year, month, day);
  FILETIME date, now;
  GetSystemTimeAsFileTime(&now);
  const UniqueFileHandle h = AdoptFileHandle(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return SystemTimeToFileTime(&noon, &date) && h && SetFileTime(h.get(), &date, readNow ? &now : &date, &date);
}

// The host behind Wine, for what Win32 cannot make or must not judge: links, md5sum.
inline std::string UnixPath(const std::wstring& path) {
  using ToUnix = char*(CDECL*)(const wchar_t*);  // Wine's own way from a Windows path to the host's
  const auto toUnix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* unix = toUnix != nullptr ? toUnix(path.c_str()) : nullptr;
  if (unix == nullptr) return std::string();
  std::string result = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

// The host command's standard output, or "failed" when it did not end with 0. Wine may report
// a host process ended before its work is visible: its status file is awaited.
inline std::string RunHost(const std::string& command) {
  const TempFolder folder;
  const std::string status = UnixPath(folder / L"status");
  const std::string script = "(" + command + ") > '" + UnixPath(folder / L"out") + "'; echo $? > '" + status + ".part' && mv '" +
                             status + ".part' '" + status + "'";
  std::wstring line = L"/bin/sh -c \"";
  for (const char c : script) line += c == '"' ? std::wstring(L"\\\"") : std::wstring(1, static_cast<wchar_t>(c));
  line += L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return "failed";
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::string code;
  if (!Eventually(600000, [&] { return !(code = ReadBytes(folder / L"status")).empty(); })) return "failed";
  return code == "0\n" ? ReadBytes(folder / L"out") : "failed";
}

// The host's name of the file goes through a file of its own: a command line would carry only
// the characters of the locale's code page.
inline std::wstring HostMd5(const std::wstring& path) {
  const TempFolder folder;
  WriteBytes(folder / L"name", UnixPath(path));
  const std::string sum = RunHost("md5sum < \"$(cat '" + UnixPath(folder / L"name") + "')\"");
  std::wstring digest;
  for (size_t i = 0; i < 32 && i < sum.size(); ++i) digest += static_cast<wchar_t>(towupper(sum[i]));
  return digest;
}

// <build> (the folder above this program's) and a file the build made among the fixtures.
inline std::wstring BuildFolder() {
  std::vector<wchar_t> buffer(32768, L'\0');
  std::wstring path(buffer.data(), GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size())));
  path.resize(path.find_last_of(L'\\'));
  return path.substr(0, path.find_last_of(L'\\'));
}

inline std::wstring FixturePath(const std::wstring& name) { return BuildFolder() + L"\\tests\\facts_fixtures\\" + name; }

// Every entry's running count in the order a depth-first walk meets it, "." and ".." included.
struct Listing {
  std::map<std::wstring, uint64_t> Position;  // full path -> running count at the entry
  uint64_t Count = 0;
  Listing& Add(const std::wstring& folder, bool recurse) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &data)) {
      const std::wstring name = data.cFileName, path = folder + L"\\" + name;
      Position[path] = ++Count;
      if (recurse && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && name != L"." && name.rfind(L"..", 0) != 0) {
        Add(path, recurse);
      }
    }
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    return *this;
  }
};

inline Listing ListTree(const std::wstring& root, bool recurse) { return Listing().Add(root, recurse); }

inline const wchar_t kDefaultKeywords[] = L".exe|.dll|.com|.vbs|.cmd|.bat|.reg|.sys|.vbe|.scr";
// The files of the tree that the default pattern matches and that are dated today, and the
// outermost folders created today.
inline const std::vector<const wchar_t*> kTreeMatches = {L"alpha.exe", L"Hidden.SYS", L".old\\dot.bat",
                                                    L"aged\\fresh\\deep.cmd", L"recent\\sub\\x.scr"};
inline const std::vector<const wchar_t*> kTreeFolders = {L"empty", L".old", L"aged\\fresh", L"recent"};

struct Entry {
  const wchar_t* Path;
  const char* Content;  // null for a folder
  int Year, Month, Day;  // 0: made now
  DWORD Attributes;
};

inline const Entry kTree[] = {
    {L"empty", nullptr, 0, 0, 0, 0},           {L"..old", nullptr, 0, 0, 0, 0},
    {L".old", nullptr, 0, 0, 0, 0},            {L"aged", nullptr, 2003, 3, 3, 0},
    {L"aged\\fresh", nullptr, 0, 0, 0, 0},     {L"aged\\aged2", nullptr, 2003, 3, 4, 0},
    {L"recent", nullptr, 0, 0, 0, 0},          {L"recent\\sub", nullptr, 2002, 2, 2, 0},
    {L"alpha.exe", "alpha", 0, 0, 0, 0},       {L"old.dll", "bravo", 2001, 5, 5, 0},
    {L"notes.txt", "charlie", 0, 0, 0, 0},     {L"Hidden.SYS", "delta", 0, 0, 0, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
    {L"..old\\skip.exe", "echo", 0, 0, 0, 0},  {L".old\\dot.bat", "foxtrot", 0, 0, 0, 0},
    {L"aged\\fresh\\deep.cmd", "golf", 0, 0, 0, 0},
    {L"aged\\aged2\\ancient.vbs", "hotel", 2002, 1, 1, 0},
    {L"recent\\sub\\x.scr", "india", 0, 0, 0, FILE_ATTRIBUTE_READONLY},
};

// Recent and old files, an empty folder, "..old" and ".old", a recent folder inside an old one
// and the other way round, hidden, system and read-only files, and a folder link.
struct Tree {
  TempFolder Base;
  std::wstring Root = Base / L"tree";
  std::wstring Path(const std::wstring& relative) const { return Root + L"\\" + relative; }
  Tree() {
    CreateDirectoryW(Root.c_str(), nullptr);
    for (const Entry& e : kTree) {
      e.Content ? WriteBytes(Path(e.Path), e.Content) : CreateDirectoryW(Path(e.Path).c_str(), nullptr);
      if (e.Content && e.Year) SetFileDate(Path(e.Path), e.Year, e.Month, e.Day);
      if (e.Attributes) SetFileAttributesW(Path(e.Path).c_str(), e.Attributes);
    }
    // Folders last, deepest first: making their content touched their dates.
    for (size_t i = std::size(kTree); i-- > 0;) {
      if (!kTree[i].Content && kTree[i].Year) SetFileDate(Path(kTree[i].Path), kTree[i].Year, kTree[i].Month, kTree[i].Day);
    }
    // Wine fakes success for CreateSymbolicLinkW: the host makes the link.
    EXPECT_NE(RunHost("ln -s '" + UnixPath(Path(L"recent")) + "' '" + UnixPath(Root) + "/link'"), "failed");
  }
};

// What a scan of a folder must list: relative paths with their dates; the lines themselves
// follow from the options.
struct Expectation {
  std::vector<std::pair<std::wstring, std::wstring>> Files, Folders;
  bool Completed = true;
  uint64_t Analyzed = 0;
};

inline std::vector<std::pair<std::wstring, std::wstring>> Dated(const std::vector<const wchar_t*>& names,
                                                                const std::wstring& date) {
  std::vector<std::pair<std::wstring, std::wstring>> dated;
  for (const wchar_t* name : names) dated.emplace_back(name, date);
  return dated;
}

// A file's line as the layout rules give it for files without a version resource. The file is
// read under its name as it stands, whatever Windows would make of it in an ordinary path.
inline std::wstring FileLine(const ScanOptions& o, const std::wstring& path, const std::wstring& date) {
  const std::string bytes = ReadBytes(L"\\\\?\\" + path);
  std::wstring line = L"<RecentFiles> | " + std::wstring(NamesOf(o.Timestamp).LineLabel) + date;
  if (o.IncludeAttributes) line += L" | " + AttributeLetters(GetFileAttributesW((L"\\\\?\\" + path).c_str()));
  line += L" | " + path;
  if (o.IncludeDescription) line += L" | No description";
  if (o.IncludeFileSize) line += L" | " + std::to_wstring(bytes.size()) + L" bytes";
  if (o.IncludeMd5) {
    // The hash shares reading only: a file held open for writing elsewhere gives its error text.
    const UniqueFileHandle reader = AdoptFileHandle(
        CreateFileW((L"\\\\?\\" + path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    line += L" | " + (reader ? HostMd5(L"\\\\?\\" + path) : std::wstring(L"Hash error: Unknown"));
  }
  if (o.IncludeCompanyName) line += o.VerifySignatures ? L" | Unsigned :  No publisher" : L" | No publisher";
  return line + (o.SeparateWithBlankLine ? L"\r\n\r\n" : L"\r\n");
}

// The whole log, "<now>" standing for its two times.
inline std::wstring ExpectedLog(const ScanOptions& o, const std::wstring& root, const Listing& listing, const Expectation& e) {
  const auto Truth = [](bool b) { return std::wstring(b ? L"True" : L"False"); };
  const TimestampNames& names = NamesOf(o.Timestamp);
  std::wstring log = L"\t############### Fendrel results log ###############\r\n\r\n\tCurrent date and time: <now>.\r\n\r\n"
                     L"\tFile name pattern to search: " + o.Pattern + L"\r\n\r\n\tRoot path to search: " + o.Root +
                     L".\r\n\r\n\tMax file age: " + o.MaxAge + L" days.\r\n\r\n\tShow Microsoft files: " +
                     Truth(o.IncludeMicrosoftFiles) + L".\r\n\r\n\tRecursive mode: " + Truth(o.Recurse) +
                     L"\r\n\r\n\tScan recent folders: " + Truth(o.ScanRecentFolders) + L".\r\n\r\n\tInclude file description: " +
                     Truth(o.IncludeDescription) + L".\r\n\r\n\tInclude company name: " + Truth(o.IncludeCompanyName) +
                     L".\r\n\r\n\tVerify file signatures: " + Truth(o.VerifySignatures) + L"\r\n\r\n\tInclude MD5 hash: " +
                     Truth(o.IncludeMd5) + L".\r\n\r\n\tInclude file size: " + Truth(o.IncludeFileSize) +
                     L".\r\n\r\n\tInclude file attributes: " + Truth(o.IncludeAttributes) + L".\r\n\r\n\tTimestamp base: " +
                     names.Caption + L".\r\n\r\n\tSearch start...\r\n\r\n";
  log += L"  Format: Mode | " + std::wstring(names.LegendField) + L" | Path";
  for (const auto& [on, name] : {std::pair{o.IncludeAttributes, L"File attributes"}, {o.IncludeDescription, L"File description"},
                                 {o.IncludeFileSize, L"File size"}, {o.IncludeMd5, L"MD5 hash"},
                                 {o.IncludeCompanyName, L"Publisher name"}}) {
    if (on) log += L" | " + std::wstring(name);
  }
  // Lines in the order of the walk, which is the listing's.
  const auto ordered = [&](const auto& entries, bool folders) {
    std::map<uint64_t, std::wstring> lines;
    for (const auto& [relative, date] : entries) {
      const std::wstring path = root + L"\\" + relative;
      lines[listing.Position.at(path)] = folders ? L"<RecentFolder> | " + date + L" | " + path +
                                                       (o.SeparateWithBlankLine ? L"\r\n\r\n" : L"\r\n")
                                                 : FileLine(o, path, date);
    }
    std::wstring text;
    for (const auto& line : lines) text += line.second;
    return text;
  };
  log += L"\r\n\r\n" + ordered(e.Files, false);
  if (!e.Folders.empty()) {
    log += L"  ======================= End of Recent files list. =======================\r\n\r\n\r\n"
           L"  Recent folders search :\r\n\r\n  Format : <RecentFolder> | Creation date | Path\r\n\r\n" +
           ordered(e.Folders, true) + L"  ======================= End of Recent folders list. =======================\r\n\r\n\r\n";
  }
  log += e.Completed ? L"\r\n   The FNX scan completed successfully at <now>\r\n\r\n"
                     : L"\r\n   The FNX scan was interrupted by the user at <now>.\r\n\r\n";
  log += L"   " + CountText(e.Analyzed) + L" file objects analyzed. " + CountText(e.Files.size()) + L" files matched";
  if (!e.Folders.empty()) log += L",   " + CountText(e.Folders.size()) + L" folders matched";
  return log + L".\r\n\r\n\t############### End of the Fendrel results log ###############";
}

// The log's text after its mark, each CR LF on disk read as the LF written, so a line feed
// written without its inserted carriage return shows as a bare LF.
inline std::wstring LogText(const std::wstring& logPath) {
  const std::string bytes = ReadBytes(logPath);
  EXPECT_TRUE(bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') << "no byte-order mark: " << Printable(logPath);
  std::wstring text;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const wchar_t c = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    if (c == L'\n' && !text.empty() && text.back() == L'\r') text.pop_back();
    text += c;
  }
  return text;
}

inline std::wstring MaskTimes(const std::wstring& text) {
  return std::regex_replace(text, std::wregex(L"\\d{4}/\\d{2}/\\d{2}  \\d{2}:\\d{2}:\\d{2}"), L"<now>");
}

// Compares the log with the expectation, in which "<now>" stands for each time.
inline void ExpectLog(const std::wstring& logPath, const std::wstring& expected) {
  EXPECT_EQ(Printable(MaskTimes(LogText(logPath))), Printable(expected));
}

inline ScanOptions BareOptions(const std::wstring& root, const std::wstring& logPath, const std::wstring& pattern,
                        const std::wstring& maxAge) {
  ScanOptions o;
  o.Pattern = pattern, o.MaxAge = maxAge, o.Root = root, o.LogPath = logPath;
  return o;
}

// The window's defaults: every option on but signatures and attributes.
inline ScanOptions DefaultOptions(const std::wstring& root, const std::wstring& logPath) {
  ScanOptions o = BareOptions(root, logPath, kDefaultKeywords, L"30");
  o.IncludeMicrosoftFiles = o.Recurse = o.ScanRecentFolders = o.IncludeDescription = o.IncludeCompanyName = true;
  o.IncludeMd5 = o.IncludeFileSize = o.SeparateWithBlankLine = true;
  return o;
}
