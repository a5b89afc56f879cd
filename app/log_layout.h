// Every text the shell writes into the results log: the header, the format legend, the
// recent-folders banners and the footer, as functions of values.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "scan/scan_session.h"

// year/month/day  hour:minute:second, as in 2021/11/30  09:03:07.
std::wstring NowText(const SYSTEMTIME& now);
std::wstring NowText();

// Decimal with "," between groups of three digits: 1234567 gives 1,234,567.
std::wstring CountText(uint64_t count);

const wchar_t* TruthText(bool value);

// What the header shows exactly as the user typed or chose it.
struct HeaderValues {
  std::wstring Now;
  std::wstring Pattern;
  std::wstring Root;
  std::wstring MaxAge;
  std::wstring TimestampCaption;
};

// The header, from the first banner to "Search start...", with the options of the session.
std::wstring LogHeader(const HeaderValues& values, const ScanSession& options);

// "  Format: Mode | ..." naming the fields a result line carries.
std::wstring FormatLegend(const ScanSession& options);

// Written into the temporary folder list when it is opened: the end of the recent files list,
// the section title and its format line.
std::wstring RecentFoldersOpening();
// Appended to the folder list after the walk.
std::wstring RecentFoldersEnd();

// The end line, then the counters and the closing banner.
std::wstring FooterEndLine(bool completed, const std::wstring& now);
std::wstring FooterCounters(uint64_t filesAnalyzed, uint64_t filesMatched, uint64_t foldersMatched);
