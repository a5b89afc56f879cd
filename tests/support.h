// What the tests share: scratch folders and file bytes, the host behind Wine, the build's
// fixtures, and the rich tree of the whole-scan cases with the log its scans must write, built
// here from the log's layout rules and compared byte for byte.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/scan_run.h"

// A fresh folder under the temporary folder, removed with everything in it at the end.
struct TempFolder {
  std::wstring Path;  // no trailing backslash
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::wstring operator/(const std::wstring& name) const { return Path + L"\\" + name; }
};

bool WriteBytes(const std::wstring& path, const std::string& bytes);
std::vector<unsigned char> ReadBytes(const std::wstring& path);
std::string Printable(const std::wstring& text);
std::wstring TodayUtcText();
// Sets the three file times of a file or folder to the given UTC date at noon.
bool SetFileDate(const std::wstring& path, int year, int month, int day);
int CountEntries(const std::wstring& folder);  // without "." and ".."

// The host behind Wine, for what Win32 cannot make or must not judge: links, md5sum.
std::string UnixPath(const std::wstring& path);
bool RunHost(const std::string& command);  // true when the command exited with 0
std::wstring HostMd5(const std::wstring& path);

// <build> (the folder above this program's) and a file the build made among the fixtures.
std::wstring BuildFolder();
std::wstring FixturePath(const std::wstring& name);

// Recent and old files, an empty folder, "..old" and ".old", a recent folder inside an old one
// and the other way round, hidden, system and read-only files, and a folder link.
struct Tree {
  TempFolder Base;
  std::wstring Root;
  Tree();
  std::wstring Path(const std::wstring& relative) const { return Root + L"\\" + relative; }
};

// Every entry's running count in the order a depth-first walk meets it, "." and ".." included.
struct Listing {
  std::map<std::wstring, uint64_t> Position;  // full path -> running count at the entry
  uint64_t Count = 0;
};
Listing ListTree(const std::wstring& root, bool recurse);

// What a scan of a folder must list: relative paths with their dates; the lines themselves
// follow from the options.
struct Expectation {
  std::vector<std::pair<std::wstring, std::wstring>> Files, Folders;
  bool Completed = true;
  uint64_t Analyzed = 0;
};

// The whole log, "<now>" standing for its two times.
std::wstring ExpectedLog(const ScanOptions& o, const std::wstring& root, const Listing& listing, const Expectation& e);
// The log's text (CR LF line ends) after its mark; the mark and the CR before every LF are checked.
std::wstring LogText(const std::wstring& logPath);
std::wstring MaskTimes(const std::wstring& text, int* count = nullptr);
// Compares the log with the expectation; a log whose process was killed has one time, no footer.
void ExpectLog(const std::wstring& logPath, const std::wstring& expected, bool finished = true);

ScanOptions BareOptions(const std::wstring& root, const std::wstring& logPath, const std::wstring& pattern,
                        const std::wstring& maxAge);
// The window's defaults: every option on but signatures and attributes.
ScanOptions DefaultOptions(const std::wstring& root, const std::wstring& logPath);
extern const wchar_t kDefaultKeywords[];
// The files of the tree that the default pattern matches and that are dated today, and the
// outermost folders created today.
extern const std::vector<const wchar_t*> kTreeMatches, kTreeFolders;
