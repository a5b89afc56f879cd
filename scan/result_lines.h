// The grammar of the log's result lines and the date and number texts they are made of.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// The texts a file's line is made from; each optional field is empty or begins with " | ".
struct FileFacts {
  std::wstring TimeLabel;       // "Creation date:", "Last access:" or "Last modified:"
  std::wstring Date;            // DateText of the chosen file time
  std::wstring AttributeField;  // " | " and the attribute letters, or empty
  std::wstring Path;
  std::wstring DescriptionField;
  std::wstring SizeField;
  std::wstring HashField;
  std::wstring PublisherField;
  std::wstring LineEnd;         // "\r\n", or "\r\n\r\n" with a blank line between items
};

const wchar_t* TimeLabel(int32_t timestampBase);
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
