// A log read back from disk, also while the program still writes it.
#pragma once

#include <string>

// The log's code units after its byte-order mark, or only its last `lastUnits` (a look at the
// end of a log of millions of lines while a scan writes it), exactly as stored. Shared for
// writing: the program may still hold it open.
std::wstring ReadLogUnits(const std::wstring& path, size_t lastUnits = std::wstring::npos);

// The log's text, each CR LF on disk read as the LF written, so a line feed written without its
// inserted carriage return shows as a bare LF. A log without its byte-order mark fails the test.
std::wstring LogText(const std::wstring& path);

// Whether the log already ends with its closing banner, from its last bytes alone.
bool LogClosed(const std::wstring& path);
