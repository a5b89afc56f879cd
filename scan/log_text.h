// Every text of the results log, as functions of values: the result lines and the date, size and
// number texts they are made of, which the scan engine writes as it walks; the header, the
// format legend, the recent-folders banners and the footer, written around the walk. The bytes
// these texts become on disk are the text file's business.
//
// A scan writes a line for every file it lists, often a hundred thousand, so the lines and their
// short pieces are made without taking memory from the heap: the pieces are kept in place, and a
// line is handed to the log as the list of its pieces, which are copied once, into the log's
// own room.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "scan/scan_session.h"

// The names of one timestamp base: the window's list item (which the header repeats), the label
// in front of a result line's date, and the legend's field.
struct TimestampNames {
  const wchar_t* Caption;
  std::wstring_view LineLabel;  // its length known without a count, as it goes into every line
  const wchar_t* LegendField;
};
const TimestampNames& NamesOf(TimestampBase base);

// A short text of a line (a date, a size, attribute letters), kept in place.
struct ShortText {
  wchar_t Units[40];
  size_t Length = 0;
  std::wstring_view View() const { return std::wstring_view(Units, Length); }
};

// R A S H N O C T for the bits set, in that order, without separators.
ShortText AttributeLetters(DWORD attributes);

// year-month-day with two-digit month and day, such as 2014-02-05.
ShortText DateText(const SYSTEMTIME& date);

// The platform's short size text ("1.20 KB"); empty when it cannot be made.
ShortText SizeText(uint64_t bytes);

// The texts a file's line is made of. The optional columns are shown when they are set.
struct FileFacts {
  std::wstring_view TimeLabel;  // the timestamp base's LineLabel
  std::wstring_view Date;       // DateText of the chosen file time
  std::wstring_view Folder;     // the path: the folder as the log shows it,
  std::wstring_view Name;       // a backslash and the entry's name as listed
  std::optional<std::wstring_view> Attributes, Description, Size, Hash, Publisher;
  bool BlankLine = false;       // a blank line after the line
};

// A line as the pieces it is made of, in their order.
struct LinePieces {
  std::array<std::wstring_view, 20> Piece;
  size_t Count = 0;
  void Add(std::wstring_view text) { Piece[Count++] = text; }
};

// The file's line, its line end included.
LinePieces FileResultLine(const FileFacts& facts);

// "<RecentFolder> | " date " | " path, then the line end; the path is the folder's, a backslash
// and the name.
LinePieces FolderResultLine(std::wstring_view date, std::wstring_view folder, std::wstring_view name, bool blankLine);

// year/month/day  hour:minute:second, as in 2021/11/30  09:03:07.
std::wstring NowText(const SYSTEMTIME& now);
std::wstring NowText();

// Decimal with "," between groups of three digits: 1234567 gives 1,234,567.
std::wstring CountText(uint64_t count);

// What the header shows exactly as the user typed it.
struct HeaderValues {
  std::wstring Now;
  std::wstring Pattern;
  std::wstring Root;
  std::wstring MaxAge;
};

// The header, from the first banner to "Search start...", with the scan's settings.
std::wstring LogHeader(const HeaderValues& values, const ScanSettings& settings);

// "  Format: Mode | ..." naming the fields a result line carries.
std::wstring FormatLegend(const ScanSettings& settings);

// Written into the temporary folder list when it is opened: the end of the recent files list,
// the section title and its format line.
std::wstring RecentFoldersOpening();
// Appended to the folder list after the walk.
std::wstring RecentFoldersEnd();

// How a scan ended, as its footer says.
enum class ScanEnd { Completed, StoppedByUser, WriteLost };

// The end line, then the counters and the closing banner.
std::wstring FooterEndLine(ScanEnd end, const std::wstring& now);
std::wstring FooterCounters(uint64_t filesAnalyzed, uint64_t filesMatched, uint64_t foldersMatched);
