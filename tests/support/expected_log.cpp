#include "support/expected_log.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "platform/scope_guard.h"
#include "support/wine_host.h"

const wchar_t kDefaultKeywords[] = L".exe|.dll|.com|.vbs|.cmd|.bat|.reg|.sys|.vbe|.scr";

namespace {

// Each timestamp base's names, by its index in the window's list: the list item the header
// repeats, the label in front of a line's date and the legend's field.
struct BaseNames {
  const wchar_t *Caption, *Label, *Legend;
};
const BaseNames kBaseNames[] = {{L"Creation date", L"Creation date:", L"Creation time"},
                                {L"Last access", L"Last access:", L"Last access time"},
                                {L"Last modified", L"Last modified:", L"Last write time"}};
const BaseNames& NamesFor(TimestampBase base) { return kBaseNames[static_cast<int>(base)]; }

std::wstring Truth(bool b) { return b ? L"True" : L"False"; }

// Digits grouped by threes from the right.
std::wstring Grouped(uint64_t count) {
  std::wstring digits = std::to_wstring(count), text;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += L',';
    text += digits[i];
  }
  return text;
}

std::wstring Letters(DWORD attributes) {
  std::wstring letters;
  for (const auto& [bit, letter] : {std::pair{FILE_ATTRIBUTE_READONLY, L'R'}, {FILE_ATTRIBUTE_ARCHIVE, L'A'},
                                    {FILE_ATTRIBUTE_SYSTEM, L'S'}, {FILE_ATTRIBUTE_HIDDEN, L'H'},
                                    {FILE_ATTRIBUTE_NORMAL, L'N'}, {FILE_ATTRIBUTE_OFFLINE, L'O'},
                                    {FILE_ATTRIBUTE_COMPRESSED, L'C'}, {FILE_ATTRIBUTE_TEMPORARY, L'T'}}) {
    if (attributes & static_cast<DWORD>(bit)) letters += letter;
  }
  return letters;
}

// The form in which a shown path names its file exactly as listed.
std::wstring Literally(const std::wstring& path) {
  if (path.rfind(L"\\\\?\\", 0) == 0) return path;
  if (path.rfind(L"\\\\.\\", 0) == 0) return L"\\\\?\\" + path.substr(4);
  return L"\\\\?\\" + path;
}

std::wstring FileLine(const ScanOptions& o, const std::wstring& path, const std::wstring& date,
                      const std::wstring* publisher = nullptr) {
  const std::wstring literal = Literally(path);
  const std::string bytes = ReadBytes(literal);
  std::wstring line = L"<RecentFiles> | " + std::wstring(NamesFor(o.Timestamp).Label) + date;
  if (o.IncludeAttributes) line += L" | " + Letters(GetFileAttributesW(literal.c_str()));
  line += L" | " + path;
  if (o.IncludeDescription) line += L" | No description";
  if (o.IncludeFileSize) line += L" | " + std::to_wstring(bytes.size()) + L" bytes";
  if (o.IncludeMd5) {
    // The hash shares reading only: a file held open for writing elsewhere gives its error text.
    const UniqueFileHandle reader = AdoptFileHandle(
        CreateFileW(literal.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    line += L" | " + (reader ? HostMd5(literal) : std::wstring(L"Hash error: Unknown"));
  }
  if (o.IncludeCompanyName && publisher != nullptr) {
    line += L" | " + *publisher;
  } else if (o.IncludeCompanyName) {
    line += o.VerifySignatures ? L" | Unsigned :  No publisher" : L" | No publisher";
  }
  return line + (o.SeparateWithBlankLine ? L"\r\n\r\n" : L"\r\n");
}

}  // namespace

std::wstring ExpectedLog(const ScanOptions& o, const std::wstring& root, const Listing& listing, const Expectation& e) {
  const BaseNames& names = NamesFor(o.Timestamp);
  std::wstring log = L"\t############### Fendrel results log ###############\r\n\r\n\tCurrent date and time: <now>.\r\n\r\n"
                     L"\tFile name pattern to search: " + o.Pattern + L"\r\n\r\n\tRoot path to search: " + o.Root +
                     L".\r\n\r\n\tMax file age: " + o.MaxAge + L" days.\r\n\r\n\tShow Microsoft files: " +
                     Truth(o.IncludeMicrosoftFiles) + L".\r\n\r\n\tRecursive mode: " + Truth(o.Recurse) +
                     L"\r\n\r\n\tScan recent folders: " + Truth(o.ScanRecentFolders) + L".\r\n\r\n\tInclude file description: " +
                     Truth(o.IncludeDescription) + L".\r\n\r\n\tInclude company name: " + Truth(o.IncludeCompanyName) +
                     L".\r\n\r\n\tVerify file signatures: " + Truth(o.VerifySignatures) + L"\r\n\r\n\tInclude MD5 hash: " +
                     Truth(o.IncludeMd5) + L".\r\n\r\n\tInclude file size: " + Truth(o.IncludeFileSize) +
                     L".\r\n\r\n\tInclude file attributes: " + Truth(o.IncludeAttributes) + L".\r\n\r\n\tTimestamp base: " +
                     names.Caption + L".\r\n\r\n\tSearch start...\r\n\r\n";
  log += L"  Format: Mode | " + std::wstring(names.Legend) + L" | Path";
  for (const auto& [on, name] : {std::pair{o.IncludeAttributes, L"File attributes"}, {o.IncludeDescription, L"File description"},
                                 {o.IncludeFileSize, L"File size"}, {o.IncludeMd5, L"MD5 hash"},
                                 {o.IncludeCompanyName, L"Publisher name"}}) {
    if (on) log += L" | " + std::wstring(name);
  }
  // Lines in the order of the walk, which is the listing's (made under the plain path).
  const std::wstring listed = Literally(root).substr(4);
  const auto ordered = [&](const auto& entries, bool folders) {
    std::map<uint64_t, std::wstring> lines;
    for (const auto& [relative, date] : entries) {
      const std::wstring path = root + L"\\" + relative;
      lines[listing.Position.at(listed + L"\\" + relative)] =
          folders ? L"<RecentFolder> | " + date + L" | " + path + (o.SeparateWithBlankLine ? L"\r\n\r\n" : L"\r\n")
                  : FileLine(o, path, date, e.Publishers.count(relative) ? &e.Publishers.at(relative) : nullptr);
    }
    std::wstring text;
    for (const auto& line : lines) text += line.second;
    return text;
  };
  log += L"\r\n\r\n" + ordered(e.Files, false);
  if (!e.Folders.empty()) {
    log += L"  ======================= End of Recent files list. =======================\r\n\r\n\r\n"
           L"  Recent folders search :\r\n\r\n  Format : <RecentFolder> | Creation date | Path\r\n\r\n" +
           ordered(e.Folders, true) + L"  ======================= End of Recent folders list. =======================\r\n\r\n\r\n";
  }
  log += e.Completed ? L"\r\n   The FNX scan completed successfully at <now>\r\n\r\n"
                     : L"\r\n   The FNX scan was interrupted by the user at <now>.\r\n\r\n";
  log += L"   " + Grouped(e.Analyzed) + L" file objects analyzed. " + Grouped(e.Files.size()) + L" files matched";
  if (!e.Folders.empty()) log += L",   " + Grouped(e.Folders.size()) + L" folders matched";
  return log + L".\r\n\r\n\t############### End of the Fendrel results log ###############";
}

std::wstring MaskTimes(const std::wstring& text) {
  return std::regex_replace(text, std::wregex(L"\\d{4}/\\d{2}/\\d{2}  \\d{2}:\\d{2}:\\d{2}"), L"<now>");
}

ScanOptions DefaultOptions(const std::wstring& root, const std::wstring& logPath) {
  ScanOptions o = BareOptions(root, logPath, kDefaultKeywords, L"30");
  o.IncludeMicrosoftFiles = o.Recurse = o.ScanRecentFolders = o.IncludeDescription = o.IncludeCompanyName = true;
  o.IncludeMd5 = o.IncludeFileSize = o.SeparateWithBlankLine = true;
  return o;
}

std::wstring LogText(const std::wstring& path) {
  const std::string bytes = ReadBytes(path);
  EXPECT_TRUE(bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') << "no byte-order mark: " << Printable(path);
  std::wstring text;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const wchar_t c = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    if (c == L'\n' && !text.empty() && text.back() == L'\r') text.pop_back();
    text += c;
  }
  return text;
}
