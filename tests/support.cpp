#include "support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

namespace {

unsigned long long folderCounter = 0;

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName, child = path + L"\\" + name;
      if (name == L"." || name == L"..") continue;
      SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      const DWORD a = data.dwFileAttributes;
      if ((a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT)) RemoveTree(child);
      (a & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(child.c_str()) : DeleteFileW(child.c_str());
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

// Wine's own way from a Windows path to the host's.
using ToUnix = char*(CDECL*)(const wchar_t*);

// Wine may report a host process ended before its work is visible: its status file is awaited.
bool RunHostInFolder(const std::string& command, const TempFolder& folder) {
  const std::string status = UnixPath(folder / L"status");
  const std::string script = "(" + command + "); echo $? > '" + status + ".part' && mv '" + status + ".part' '" + status + "'";
  std::wstring line = L"/bin/sh -c \"" + std::wstring(script.begin(), script.end()) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (int waited = 0; waited < 600000; waited += 20) {
    const std::vector<unsigned char> code = ReadBytes(folder / L"status");
    if (!code.empty()) return code[0] == '0' && code.size() == 2;
    Sleep(20);
  }
  return false;
}

struct Entry {
  const wchar_t* Path;
  const char* Content;  // null for a folder
  int Year, Month, Day;  // 0: made now
  DWORD Attributes;
};

const Entry kTree[] = {
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

// md5sum's digests of the contents the tests write.
const std::map<std::string, std::wstring> kDigests = {
    {"", L"D41D8CD98F00B204E9800998ECF8427E"},        {"alpha", L"2C1743A391305FBF367DF8E4F069F9F9"},
    {"bravo", L"FD9AB41E47A9EF4F6477A8A000BF404F"},   {"charlie", L"BF779E0933A882808585D19455CD7937"},
    {"delta", L"63BCABF86A9A991864777C631C5B7617"},   {"foxtrot", L"BB52AEB112DEC1F523B47E0B1BE60AED"},
    {"golf", L"C6CF642B8F1CAC1101E23A06AA63600E"},    {"hotel", L"E919C49D5F0CD737285367810A3394D0"},
    {"india", L"11A98374EBEC8E0C7A54751D2161804D"},
};

void ListFolder(const std::wstring& folder, bool recurse, Listing& listing) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = data.cFileName, path = folder + L"\\" + name;
    listing.Position[path] = ++listing.Count;
    if (recurse && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && name != L"." && name.rfind(L"..", 0) != 0) {
      FindClose(find);  // descend at once, as the walk does, then resume after this entry
      ListFolder(path, recurse, listing);
      find = FindFirstFileW((folder + L"\\*").c_str(), &data);
      while (folder + L"\\" + data.cFileName != path && FindNextFileW(find, &data)) {
      }
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
}

std::wstring Truth(bool b) { return b ? L"True" : L"False"; }

std::wstring Grouped(uint64_t n) {
  const std::wstring digits = std::to_wstring(n);
  std::wstring out;
  for (size_t i = 0; i < digits.size(); ++i) out += (i && (digits.size() - i) % 3 == 0 ? L"," : L"") + digits.substr(i, 1);
  return out;
}

std::wstring Letters(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  std::wstring letters;
  for (const auto& [bit, letter] : {std::pair{0x1, L'R'}, {0x20, L'A'}, {0x4, L'S'}, {0x2, L'H'}, {0x80, L'N'},
                                    {0x1000, L'O'}, {0x800, L'C'}, {0x100, L'T'}}) {
    if (a & static_cast<DWORD>(bit)) letters += letter;
  }
  return letters;
}

// A file's line as the layout rules give it for files without a version resource.
std::wstring FileLine(const ScanOptions& o, const std::wstring& path, const std::wstring& date) {
  const wchar_t* labels[] = {L"Creation date:", L"Last access:", L"Last modified:"};
  const std::vector<unsigned char> bytes = ReadBytes(path);
  std::wstring line = L"<RecentFiles> | " + std::wstring(labels[o.TimestampBase]) + date;
  if (o.IncludeAttributes) line += L" | " + Letters(path);
  line += L" | " + path;
  if (o.IncludeDescription) line += L" | No description";
  if (o.IncludeFileSize) line += L" | " + std::to_wstring(bytes.size()) + L" bytes";
  if (o.IncludeMd5) line += L" | " + kDigests.at(std::string(bytes.begin(), bytes.end()));
  if (o.IncludeCompanyName) line += o.VerifySignatures ? L" | Unsigned :  No publisher" : L" | No publisher";
  return line + (o.SeparateWithBlankLine ? L"\r\n\r\n" : L"\r\n");
}

}  // namespace

const wchar_t kDefaultKeywords[] = L".exe|.dll|.com|.vbs|.cmd|.bat|.reg|.sys|.vbe|.scr";
const std::vector<const wchar_t*> kTreeMatches = {L"alpha.exe", L"Hidden.SYS", L".old\\dot.bat",
                                                    L"aged\\fresh\\deep.cmd", L"recent\\sub\\x.scr"};
const std::vector<const wchar_t*> kTreeFolders = {L"empty", L".old", L"aged\\fresh", L"recent"};

TempFolder::TempFolder() {
  wchar_t temp[MAX_PATH + 1] = {}, name[64];
  GetTempPathW(MAX_PATH, temp);
  do {
    swprintf(name, 64, L"fnx-test-%lu-%llu", GetCurrentProcessId(), ++folderCounter);
    Path = temp + std::wstring(name);
  } while (!CreateDirectoryW(Path.c_str(), nullptr));
}

TempFolder::~TempFolder() { RemoveTree(Path); }

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  const bool ok = h != INVALID_HANDLE_VALUE &&
                  (bytes.empty() || WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  return ok && written == bytes.size();
}

std::vector<unsigned char> ReadBytes(const std::wstring& path) {
  std::vector<unsigned char> bytes;
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return bytes;
  LARGE_INTEGER size{};
  GetFileSizeEx(h, &size);
  bytes.resize(static_cast<size_t>(size.QuadPart));
  DWORD got = 0;
  if (!bytes.empty()) ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  bytes.resize(got);
  CloseHandle(h);
  return bytes;
}

std::string Printable(const std::wstring& text) {
  std::string out;
  for (const wchar_t c : text) {
    char buffer[16];
    snprintf(buffer, sizeof buffer, c == L'\r' ? "\\r" : c == L'\n' ? "\\n" : c == L'\t' ? "\\t"
             : (c >= 0x20 && c < 0x7F) ? "%c" : "\\u%04X", static_cast<unsigned>(c));
    out += buffer;
  }
  return out;
}

std::wstring TodayUtcText() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  wchar_t text[32];
  swprintf(text, 32, L"%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
  return text;
}

bool SetFileDate(const std::wstring& path, int year, int month, int day) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(year), st.wMonth = static_cast<WORD>(month), st.wDay = static_cast<WORD>(day);
  st.wHour = 12;
  FILETIME ft;
  HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  const bool ok = SystemTimeToFileTime(&st, &ft) && h != INVALID_HANDLE_VALUE && SetFileTime(h, &ft, &ft, &ft);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  return ok;
}

int CountEntries(const std::wstring& folder) {
  Listing listing;
  ListFolder(folder, false, listing);
  return listing.Count < 2 ? 0 : static_cast<int>(listing.Count - 2);
}

std::string UnixPath(const std::wstring& path) {
  const auto toUnix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* unix = toUnix != nullptr ? toUnix(path.c_str()) : nullptr;
  if (unix == nullptr) return std::string();
  std::string result = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

bool RunHost(const std::string& command) {
  const TempFolder folder;
  return RunHostInFolder(command, folder);
}

std::wstring HostMd5(const std::wstring& path) {
  const TempFolder out;
  if (!RunHostInFolder("md5sum '" + UnixPath(path) + "' > '" + UnixPath(out / L"sum") + "'", out)) return L"no md5sum";
  const std::vector<unsigned char> sum = ReadBytes(out / L"sum");
  std::wstring digest;
  for (size_t i = 0; i < 32 && i < sum.size(); ++i) digest += static_cast<wchar_t>(towupper(sum[i]));
  return digest;
}

std::wstring BuildFolder() {
  std::vector<wchar_t> buffer(32768, L'\0');
  std::wstring path(buffer.data(), GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size())));
  path.resize(path.find_last_of(L'\\'));
  return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring FixturePath(const std::wstring& name) { return BuildFolder() + L"\\tests\\facts_fixtures\\" + name; }

Tree::Tree() : Root(Base / L"tree") {
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
  EXPECT_TRUE(RunHost("ln -s '" + UnixPath(Path(L"recent")) + "' '" + UnixPath(Root) + "/link'"));
}

Listing ListTree(const std::wstring& root, bool recurse) {
  Listing listing;
  ListFolder(root, recurse, listing);
  return listing;
}

std::wstring ExpectedLog(const ScanOptions& o, const std::wstring& root, const Listing& listing, const Expectation& e) {
  std::wstring log = L"\t############### Fendrel results log ###############\r\n\r\n\tCurrent date and time: <now>.\r\n\r\n"
                     L"\tFile name pattern to search: " + o.Pattern + L"\r\n\r\n\tRoot path to search: " + o.Root +
                     L".\r\n\r\n\tMax file age: " + o.MaxAge + L" days.\r\n\r\n\tShow Microsoft files: " +
                     Truth(o.IncludeMicrosoftFiles) + L".\r\n\r\n\tRecursive mode: " + Truth(o.Recurse) +
                     L"\r\n\r\n\tScan recent folders: " + Truth(o.ScanRecentFolders) + L".\r\n\r\n\tInclude file description: " +
                     Truth(o.IncludeDescription) + L".\r\n\r\n\tInclude company name: " + Truth(o.IncludeCompanyName) +
                     L".\r\n\r\n\tVerify file signatures: " + Truth(o.VerifySignatures) + L"\r\n\r\n\tInclude MD5 hash: " +
                     Truth(o.IncludeMd5) + L".\r\n\r\n\tInclude file size: " + Truth(o.IncludeFileSize) +
                     L".\r\n\r\n\tInclude file attributes: " + Truth(o.IncludeAttributes) + L".\r\n\r\n\tTimestamp base: " +
                     o.TimestampCaption + L".\r\n\r\n\tSearch start...\r\n\r\n";
  const wchar_t* bases[] = {L"Creation time", L"Last access time", L"Last write time"};
  log += L"  Format: Mode | " + std::wstring(bases[o.TimestampBase]) + L" | Path";
  for (const auto& [on, name] : {std::pair{o.IncludeAttributes, L"File attributes"}, {o.IncludeDescription, L"File description"},
                                 {o.IncludeFileSize, L"File size"}, {o.IncludeMd5, L"MD5 hash"},
                                 {o.IncludeCompanyName, L"Publisher name"}}) {
    if (on) log += L" | " + std::wstring(name);
  }
  log += L"\r\n\r\n";
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
  log += ordered(e.Files, false);
  if (!e.Folders.empty()) {
    log += L"  ======================= End of Recent files list. =======================\r\n\r\n\r\n"
           L"  Recent folders search :\r\n\r\n  Format : <RecentFolder> | Creation date | Path\r\n\r\n" +
           ordered(e.Folders, true) + L"  ======================= End of Recent folders list. =======================\r\n\r\n\r\n";
  }
  log += e.Completed ? L"\r\n   The FNX scan completed successfully at <now>\r\n\r\n"
                     : L"\r\n   The FNX scan was interrupted by the user at <now>.\r\n\r\n";
  log += L"   " + Grouped(e.Analyzed) + L" file objects analyzed. " + Grouped(e.Files.size()) + L" files matched";
  if (!e.Folders.empty()) log += L",   " + Grouped(e.Folders.size()) + L" folders matched";
  return log + L".\r\n\r\n\t############### End of the Fendrel results log ###############";
}

std::wstring LogText(const std::wstring& logPath) {
  const std::vector<unsigned char> bytes = ReadBytes(logPath);
  EXPECT_TRUE(bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) << "no byte-order mark: " << Printable(logPath);
  std::wstring stored, text, again;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) stored += static_cast<wchar_t>(bytes[i] | bytes[i + 1] << 8);
  for (size_t i = 0; i < stored.size(); ++i) {
    if (!(stored[i] == L'\r' && i + 1 < stored.size() && stored[i + 1] == L'\n')) text += stored[i];
  }
  for (const wchar_t c : text) again += c == L'\n' ? std::wstring(L"\r\n") : std::wstring(1, c);
  EXPECT_EQ(Printable(again), Printable(stored)) << "a line feed without its inserted carriage return";
  return text;
}

std::wstring MaskTimes(const std::wstring& text, int* count) {
  const std::wregex now(L"\\d{4}/\\d{2}/\\d{2}  \\d{2}:\\d{2}:\\d{2}");
  if (count) *count = static_cast<int>(std::distance(std::wsregex_iterator(text.begin(), text.end(), now), std::wsregex_iterator()));
  return std::regex_replace(text, now, L"<now>");
}

void ExpectLog(const std::wstring& logPath, const std::wstring& expected, bool finished) {
  int times = 0;
  const std::wstring masked = MaskTimes(LogText(logPath), &times);
  EXPECT_EQ(times, finished ? 2 : 1);
  EXPECT_EQ(Printable(masked), Printable(expected));
}

ScanOptions BareOptions(const std::wstring& root, const std::wstring& logPath, const std::wstring& pattern,
                        const std::wstring& maxAge) {
  ScanOptions o;
  o.Pattern = pattern, o.MaxAge = maxAge, o.Root = root, o.LogPath = logPath;
  return o;
}

ScanOptions DefaultOptions(const std::wstring& root, const std::wstring& logPath) {
  ScanOptions o = BareOptions(root, logPath, kDefaultKeywords, L"30");
  o.IncludeMicrosoftFiles = o.Recurse = o.ScanRecentFolders = o.IncludeDescription = o.IncludeCompanyName = true;
  o.IncludeMd5 = o.IncludeFileSize = o.SeparateWithBlankLine = true;
  return o;
}
