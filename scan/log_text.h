// Every text of the results log, as functions of values: the result lines and the date, size and
// number texts they are made of, which the scan engine writes as it walks; the header, the
// format legend, the recent-folders banners and the footer, which the window's scan control
// writes around the walk. The bytes these texts become on disk are the text file's business.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "scan/scan_session.h"

// The names of one timestamp base: the window's list item (which the header repeats), the label
// in front of a result line's date, and the legend's field.
struct TimestampNames {
  const wchar_t* Caption;
  const wchar_t* LineLabel;
  const wchar_t* LegendField;
};
const TimestampNames& NamesOf(TimestampBase base);

// The texts a file's line is made from; each optional field is empty or begins with " | ".
struct FileFacts {
  std::wstring TimeLabel;       // the timestamp base's LineLabel
  std::wstring Date;            // DateText of the chosen file time
  std::wstring AttributeField;  // " | " and the attribute letters, or empty
  std::wstring Path;
  std::wstring DescriptionField;
  std::wstring SizeField;
  std::wstring HashField;
  std::wstring PublisherField;
  std::wstring LineEnd;         // "\r\n", or "\r\n\r\n" with a blank line between items
};

const wchar_t* LineEnd(bool separateWithBlankLine);

// R A S H N O C T for the bits set, in that order, without separators.
std::wstring AttributeLetters(DWORD attributes);

// year-month-day with two-digit month and day, such as 2014-02-05.
std::wstring DateText(const SYSTEMTIME& date);

// The platform's short size text ("1.20 KB"); empty when it cannot be made.
std::wstring SizeText(uint64_t bytes);

std::wstring FileResultLine(const FileFacts& facts);

// "<RecentFolder> | " date " | " path, then the line end.
std::wstring FolderResultLine(const std::wstring& date, const std::wstring& path, bool separateWithBlankLine);

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

// The end line, then the counters and the closing banner.
std::wstring FooterEndLine(bool completed, const std::wstring& now);
std::wstring FooterCounters(uint64_t filesAnalyzed, uint64_t filesMatched, uint64_t foldersMatched);
