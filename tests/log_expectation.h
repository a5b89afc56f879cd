// Expected logs for whole scans: a tree with known names, dates and contents, a plain listing
// that gives the order in which a depth-first walk meets its entries, and the log text the
// layout rules give for a case, compared with the bytes on disk.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "app/scan_run.h"
#include "temp_folder.h"

// Digests of the tree's files by relative path, from md5sum.
extern const std::map<std::wstring, std::wstring> kDigests;

// Letters of the attributes the file system reports for a path, in the log's order.
std::wstring LettersOf(const std::wstring& path);

// The tree every case starts from, made in a fresh temporary folder: recent and old files,
// an empty folder, "..old" and ".old", a recent folder inside an old one and the other way
// round, hidden, system and read-only files, and a folder link.
struct Tree {
  TempFolder Base;
  std::wstring Root;
  Tree();
  std::wstring Path(const std::wstring& relative) const { return Root + L"\\" + relative; }
  bool HasLink = false;
};

// A plain listing of the tree the way a depth-first walk meets it: every entry's running count,
// "." and ".." included, and the count of all entries.
struct Listing {
  std::map<std::wstring, uint64_t> Position;  // full path -> running count at the entry
  uint64_t Count = 0;
};

Listing ListTree(const std::wstring& root, bool recurse);

// What one case expects: lines by relative path, in any order here; the listing orders them.
struct Expectation {
  std::wstring Legend;
  std::map<std::wstring, std::wstring> FileLines;    // relative path -> whole line
  std::map<std::wstring, std::wstring> FolderLines;  // relative path -> whole line
  bool Completed = true;
  uint64_t Analyzed = 0;
};

// The whole log a case expects, with "<now>" for the two times.
std::wstring ExpectedLog(const ScanOptions& o, const std::wstring& root, const Listing& listing, const Expectation& e);

// The log's text (CR LF line ends) after its byte-order mark; its byte format is checked.
std::wstring LogText(const std::wstring& logPath);
// The text with every date and time replaced by "<now>"; `count` (when given) gets how many.
std::wstring MaskTimes(const std::wstring& text, int* count = nullptr);

// Reads the log, checks its byte format, masks its times and compares with the expectation. A
// log that was never finished (its process was killed) holds one time and no footer.
void ExpectLog(const std::wstring& logPath, const std::wstring& expected, bool finished = true);

// No option on: the pattern, age, root and log as given, the last-modified base.
ScanOptions BareOptions(const std::wstring& root, const std::wstring& logPath, const std::wstring& pattern,
                        const std::wstring& maxAge);
// Every option on, over the tree, with the default pattern.
ScanOptions AllOptions(const Tree& tree, const std::wstring& logPath);
// A file's line with every option on; no signature, version resource or description.
std::wstring AllOptionsLine(const Tree& tree, const std::wstring& relative, const std::wstring& date);
std::wstring PlainLine(const Tree& tree, const std::wstring& relative, const std::wstring& label,
                       const std::wstring& date);
std::wstring FolderLine(const Tree& tree, const std::wstring& relative, const std::wstring& date, bool blank);
