#include "scan/log_text.h"

#include <shlwapi.h>

#include <cwchar>
#include <utility>

namespace {

// Indexed by TimestampBase.
constexpr TimestampNames kTimestampNames[] = {
    {L"Creation date", L"Creation date:", L"Creation time"},
    {L"Last access", L"Last access:", L"Last access time"},
    {L"Last modified", L"Last modified:", L"Last write time"},
};

const wchar_t* TruthText(bool value) { return value ? L"True" : L"False"; }

}  // namespace

const TimestampNames& NamesOf(TimestampBase base) { return kTimestampNames[static_cast<int32_t>(base)]; }

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

std::wstring NowText(const SYSTEMTIME& now) {
  wchar_t text[64] = {};
  swprintf(text, 64, L"%u/%02u/%02u  %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
           now.wSecond);
  return text;
}

std::wstring NowText() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return NowText(now);
}

std::wstring CountText(uint64_t count) {
  wchar_t digits[64] = {};
  swprintf(digits, 64, L"%.0f", static_cast<double>(count));
  const std::wstring plain = digits;
  std::wstring grouped;
  for (size_t i = 0; i < plain.size(); ++i) {
    if (i > 0 && (plain.size() - i) % 3 == 0) grouped += L',';
    grouped += plain[i];
  }
  return grouped;
}

std::wstring LogHeader(const HeaderValues& values, const ScanSettings& settings) {
  // Each text is followed by its value. The pattern, "Recursive mode" and "Verify file
  // signatures" lines end without a full stop; every other line has one.
  const std::pair<const wchar_t*, std::wstring> pieces[] = {
      {L"\t############### Fendrel results log ###############\r\n\r\n\tCurrent date and time: ", values.Now},
      {L".\r\n\r\n\tFile name pattern to search: ", values.Pattern},
      {L"\r\n\r\n\tRoot path to search: ", values.Root},
      {L".\r\n\r\n\tMax file age: ", values.MaxAge},
      {L" days.\r\n\r\n\tShow Microsoft files: ", TruthText(settings.IncludeMicrosoftFiles)},
      {L".\r\n\r\n\tRecursive mode: ", TruthText(settings.Recurse)},
      {L"\r\n\r\n\tScan recent folders: ", TruthText(settings.ScanRecentFolders)},
      {L".\r\n\r\n\tInclude file description: ", TruthText(settings.IncludeDescription)},
      {L".\r\n\r\n\tInclude company name: ", TruthText(settings.IncludeCompanyName)},
      {L".\r\n\r\n\tVerify file signatures: ", TruthText(settings.VerifySignatures)},
      {L"\r\n\r\n\tInclude MD5 hash: ", TruthText(settings.IncludeMd5)},
      {L".\r\n\r\n\tInclude file size: ", TruthText(settings.IncludeFileSize)},
      {L".\r\n\r\n\tInclude file attributes: ", TruthText(settings.IncludeAttributes)},
      {L".\r\n\r\n\tTimestamp base: ", NamesOf(settings.Timestamp).Caption},
  };
  std::wstring header;
  for (const auto& [text, value] : pieces) {
    header += text;
    header += value;
  }
  return header + L".\r\n\r\n\tSearch start...\r\n\r\n";
}

std::wstring FormatLegend(const ScanSettings& settings) {
  std::wstring legend = L"  Format: Mode | " + std::wstring(NamesOf(settings.Timestamp).LegendField) + L" | Path";
  if (settings.IncludeAttributes) legend += L" | File attributes";
  if (settings.IncludeDescription) legend += L" | File description";
  if (settings.IncludeFileSize) legend += L" | File size";
  if (settings.IncludeMd5) legend += L" | MD5 hash";
  if (settings.IncludeCompanyName) legend += L" | Publisher name";
  return legend + L"\r\n\r\n";
}

std::wstring RecentFoldersOpening() {
  return L"  ======================= End of Recent files list. =======================\r\n\r\n\r\n"
         L"  Recent folders search :\r\n\r\n  Format : <RecentFolder> | Creation date | Path\r\n\r\n";
}

std::wstring RecentFoldersEnd() {
  return L"  ======================= End of Recent folders list. =======================\r\n\r\n\r\n";
}

std::wstring FooterEndLine(bool completed, const std::wstring& now) {
  if (completed) return L"\r\n   The FNX scan completed successfully at " + now + L"\r\n\r\n";
  return L"\r\n   The FNX scan was interrupted by the user at " + now + L".\r\n\r\n";
}

std::wstring FooterCounters(uint64_t filesAnalyzed, uint64_t filesMatched, uint64_t foldersMatched) {
  std::wstring text = L"   " + CountText(filesAnalyzed) + L" file objects analyzed. " + CountText(filesMatched) +
                      L" files matched";
  if (foldersMatched != 0) text += L",   " + CountText(foldersMatched) + L" folders matched";
  return text + L".\r\n\r\n\t############### End of the Fendrel results log ###############";
}
