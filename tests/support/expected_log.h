// The log a scan must write, built here from the log's layout rules (never from the product's
// own texts), and compared with the log on disk byte for byte.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "scan/scan_run.h"
#include "support/test_tree.h"

// The window's default pattern.
extern const wchar_t kDefaultKeywords[];

// What a scan of a folder must list: relative paths with their dates; the lines themselves
// follow from the options.
struct Expectation {
  std::vector<std::pair<std::wstring, std::wstring>> Files, Folders;
  bool Completed = true;
  uint64_t Analyzed = 0;
  // The company column of the files, by relative path, that do not read as a file without a
  // version resource and without a signature.
  std::map<std::wstring, std::wstring> Publishers = {};
};

inline std::vector<std::pair<std::wstring, std::wstring>> Dated(const std::vector<const wchar_t*>& names,
                                                                const std::wstring& date) {
  std::vector<std::pair<std::wstring, std::wstring>> dated;
  for (const wchar_t* name : names) dated.emplace_back(name, date);
  return dated;
}

// The whole log, "<now>" standing for its two times. Paths are `root` (as the log shows it) and
// the listed names; each file is read under its name as it stands, whatever Windows would make
// of it in an ordinary path, and is taken for one without a version resource.
std::wstring ExpectedLog(const ScanOptions& o, const std::wstring& root, const Listing& listing, const Expectation& e);

// The log's text, each CR LF on disk read as the LF written, so a line feed written without its
// inserted carriage return shows as a bare LF. A log without its byte-order mark fails the test.
std::wstring LogText(const std::wstring& path);

// The text with every date and time of the form 2021/11/30  09:03:07 as "<now>".
std::wstring MaskTimes(const std::wstring& text);

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
ScanOptions DefaultOptions(const std::wstring& root, const std::wstring& logPath);
