#include "scan/result_lines.h"

#include <shlwapi.h>

const wchar_t* TimeLabel(int32_t timestampBase) {
  switch (timestampBase) {
    case 0:
      return L"Creation date:";
    case 1:
      return L"Last access:";
    default:
      return L"Last modified:";
  }
}

const wchar_t* LineEnd(bool separateWithBlankLine) { return separateWithBlankLine ? L"\r\n\r\n" : L"\r\n"; }

std::wstring AttributeLetters(DWORD attributes) {
  static const struct {
    DWORD Bit;
    wchar_t Letter;
  } kLetters[] = {
      {FILE_ATTRIBUTE_READONLY, L'R'}, {FILE_ATTRIBUTE_ARCHIVE, L'A'},    {FILE_ATTRIBUTE_SYSTEM, L'S'},
      {FILE_ATTRIBUTE_HIDDEN, L'H'},   {FILE_ATTRIBUTE_NORMAL, L'N'},     {FILE_ATTRIBUTE_OFFLINE, L'O'},
      {FILE_ATTRIBUTE_COMPRESSED, L'C'}, {FILE_ATTRIBUTE_TEMPORARY, L'T'},
  };
  std::wstring letters;
  for (const auto& entry : kLetters) {
    if (attributes & entry.Bit) letters += entry.Letter;
  }
  return letters;
}

std::wstring DateText(const SYSTEMTIME& date) {
  const auto twoDigits = [](WORD value) {
    std::wstring text = std::to_wstring(value);
    return text.size() == 1 ? L"0" + text : text;
  };
  return std::to_wstring(date.wYear) + L"-" + twoDigits(date.wMonth) + L"-" + twoDigits(date.wDay);
}

std::wstring SizeText(uint64_t bytes) {
  wchar_t buffer[40] = {};
  if (StrFormatByteSizeW(static_cast<LONGLONG>(bytes), buffer, 40) == nullptr) return std::wstring();
  buffer[39] = L'\0';
  return buffer;
}

std::wstring FileResultLine(const FileFacts& facts) {
  std::wstring line;
  line.reserve(96 + facts.Path.size() + facts.DescriptionField.size() + facts.PublisherField.size());
  line += L"<RecentFiles> | ";
  line += facts.TimeLabel;
  line += facts.Date;
  line += facts.AttributeField;
  line += L" | ";
  line += facts.Path;
  line += facts.DescriptionField;
  line += facts.SizeField;
  line += facts.HashField;
  line += facts.PublisherField;
  line += facts.LineEnd;
  return line;
}

std::wstring FolderResultLine(const std::wstring& date, const std::wstring& path, bool separateWithBlankLine) {
  return L"<RecentFolder> | " + date + L" | " + path + LineEnd(separateWithBlankLine);
}
