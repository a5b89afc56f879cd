#include "scan/log_text.h"

#include <shlwapi.h>

#include <cwchar>
#include <utility>

using namespace std::string_view_literals;

namespace {

// Indexed by TimestampBase.
constexpr TimestampNames kTimestampNames[] = {
    {L"Creation date", L"Creation date:", L"Creation time"},
    {L"Last access", L"Last access:", L"Last access time"},
    {L"Last modified", L"Last modified:", L"Last write time"},
};

const wchar_t* TruthText(bool value) { return value ? L"True" : L"False"; }

std::wstring_view LineEnd(bool blankLine) { return blankLine ? L"\r\n\r\n"sv : L"\r\n"sv; }

}  // namespace

const TimestampNames& NamesOf(TimestampBase base) { return kTimestampNames[static_cast<int32_t>(base)]; }

ShortText AttributeLetters(DWORD attributes) {
  static const struct {
    DWORD Bit;
    wchar_t Letter;
  } kLetters[] = {
      {FILE_ATTRIBUTE_READONLY, L'R'}, {FILE_ATTRIBUTE_ARCHIVE, L'A'},    {FILE_ATTRIBUTE_SYSTEM, L'S'},
      {FILE_ATTRIBUTE_HIDDEN, L'H'},   {FILE_ATTRIBUTE_NORMAL, L'N'},     {FILE_ATTRIBUTE_OFFLINE, L'O'},
      {FILE_ATTRIBUTE_COMPRESSED, L'C'}, {FILE_ATTRIBUTE_TEMPORARY, L'T'},
  };
  ShortText letters;
  for (const auto& entry : kLetters) {
    if (attributes & entry.Bit) letters.Units[letters.Length++] = entry.Letter;
  }
  return letters;
}

ShortText DateText(const SYSTEMTIME& date) {
  ShortText text;
  const auto put = [&text](unsigned value, size_t digits) {
    wchar_t reversed[8];
    size_t count = 0;
    do {
      reversed[count++] = static_cast<wchar_t>(L'0' + value % 10);
      value /= 10;
    } while (value != 0 || count < digits);
    while (count > 0) text.Units[text.Length++] = reversed[--count];
  };
  put(date.wYear, 1);
  text.Units[text.Length++] = L'-';
  put(date.wMonth, 2);
  text.Units[text.Length++] = L'-';
  put(date.wDay, 2);
  return text;
}

ShortText SizeText(uint64_t bytes) {
  ShortText text;
  if (StrFormatByteSizeW(static_cast<LONGLONG>(bytes), text.Units, 40) == nullptr) return ShortText{};
  text.Units[39] = L'\0';
  text.Length = wcslen(text.Units);
  return text;
}

LinePieces FileResultLine(const FileFacts& facts) {
  LinePieces line;
  const auto column = [&line](const std::optional<std::wstring_view>& text) {
    if (!text) return;
    line.Add(L" | "sv);
    line.Add(*text);
  };
  line.Add(L"<RecentFiles> | "sv);
  line.Add(facts.TimeLabel);
  line.Add(facts.Date);
  column(facts.Attributes);  // before the path, though the legend names it after
  line.Add(L" | "sv);
  line.Add(facts.Folder);
  line.Add(L"\\"sv);
  line.Add(facts.Name);
  column(facts.Description);
  column(facts.Size);
  column(facts.Hash);
  column(facts.Publisher);
  line.Add(LineEnd(facts.BlankLine));
  return line;
}

LinePieces FolderResultLine(std::wstring_view date, std::wstring_view folder, std::wstring_view name, bool blankLine) {
  LinePieces line;
  for (const std::wstring_view piece : {L"<RecentFolder> | "sv, date, L" | "sv, folder, L"\\"sv, name}) {
    line.Add(piece);
  }
  line.Add(LineEnd(blankLine));
  return line;
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

std::wstring FooterEndLine(ScanEnd end, const std::wstring& now) {
  switch (end) {
    case ScanEnd::Completed: return L"\r\n   The FNX scan completed successfully at " + now + L"\r\n\r\n";
    case ScanEnd::StoppedByUser: return L"\r\n   The FNX scan was interrupted by the user at " + now + L".\r\n\r\n";
    case ScanEnd::WriteLost: break;
  }
  return L"\r\n   The FNX scan was interrupted by a write error at " + now + L"\r\n\r\n";
}

std::wstring FooterCounters(uint64_t filesAnalyzed, uint64_t filesMatched, uint64_t foldersMatched) {
  std::wstring text = L"   " + CountText(filesAnalyzed) + L" file objects analyzed. " + CountText(filesMatched) +
                      L" files matched";
  if (foldersMatched != 0) text += L",   " + CountText(foldersMatched) + L" folders matched";
  return text + L".\r\n\r\n\t############### End of the Fendrel results log ###############";
}
