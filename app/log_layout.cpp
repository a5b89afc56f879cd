#include "app/log_layout.h"

#include <cwchar>
#include <utility>

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

const wchar_t* TruthText(bool value) { return value ? L"True" : L"False"; }

std::wstring LogHeader(const HeaderValues& values, const ScanSession& options) {
  // Each text is followed by its value. The pattern, "Recursive mode" and "Verify file
  // signatures" lines end without a full stop; every other line has one.
  const std::pair<const wchar_t*, std::wstring> pieces[] = {
      {L"\t############### Fendrel results log ###############\r\n\r\n\tCurrent date and time: ", values.Now},
      {L".\r\n\r\n\tFile name pattern to search: ", values.Pattern},
      {L"\r\n\r\n\tRoot path to search: ", values.Root},
      {L".\r\n\r\n\tMax file age: ", values.MaxAge},
      {L" days.\r\n\r\n\tShow Microsoft files: ", TruthText(options.IncludeMicrosoftFiles)},
      {L".\r\n\r\n\tRecursive mode: ", TruthText(options.Recurse)},
      {L"\r\n\r\n\tScan recent folders: ", TruthText(options.ScanRecentFolders)},
      {L".\r\n\r\n\tInclude file description: ", TruthText(options.IncludeDescription)},
      {L".\r\n\r\n\tInclude company name: ", TruthText(options.IncludeCompanyName)},
      {L".\r\n\r\n\tVerify file signatures: ", TruthText(options.VerifySignatures)},
      {L"\r\n\r\n\tInclude MD5 hash: ", TruthText(options.IncludeMd5)},
      {L".\r\n\r\n\tInclude file size: ", TruthText(options.IncludeFileSize)},
      {L".\r\n\r\n\tInclude file attributes: ", TruthText(options.IncludeAttributes)},
      {L".\r\n\r\n\tTimestamp base: ", values.TimestampCaption},
  };
  std::wstring header;
  for (const auto& [text, value] : pieces) {
    header += text;
    header += value;
  }
  return header + L".\r\n\r\n\tSearch start...\r\n\r\n";
}

std::wstring FormatLegend(const ScanSession& options) {
  std::wstring legend = L"  Format: Mode | ";
  if (options.TimestampBase == kTimestampCreation) {
    legend += L"Creation time | Path";
  } else if (options.TimestampBase == kTimestampLastAccess) {
    legend += L"Last access time | Path";
  } else if (options.TimestampBase == kTimestampLastWrite) {
    legend += L"Last write time | Path";
  }
  if (options.IncludeAttributes) legend += L" | File attributes";
  if (options.IncludeDescription) legend += L" | File description";
  if (options.IncludeFileSize) legend += L" | File size";
  if (options.IncludeMd5) legend += L" | MD5 hash";
  if (options.IncludeCompanyName) legend += L" | Publisher name";
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
