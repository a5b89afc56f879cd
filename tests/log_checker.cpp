#include "log_checker.h"

#include <algorithm>
#include <regex>
#include <set>

#include "temp_folder.h"

namespace {

// The log's lines (split at CR LF) and the one to read next; the first failure is kept.
struct Reader {
  std::vector<std::wstring> Lines;
  size_t At = 0;
  std::string Error;
  const std::wstring& Peek(size_t ahead = 0) const {
    static const std::wstring kNone = L"<end of log>";
    return At + ahead < Lines.size() ? Lines[At + ahead] : kNone;
  }
  bool Fail(const std::string& why) {
    if (Error.empty()) Error = "line " + std::to_string(At + 1) + ": " + why;
    return false;
  }
  bool Expect(const std::wstring& line) {
    if (Peek() != line) return Fail("expected \"" + Printable(line) + "\", got \"" + Printable(Peek()) + "\"");
    ++At;
    return true;
  }
  // A line made of `before`, a value and `after`; gives the value.
  bool Take(const std::wstring& before, const std::wstring& after, std::wstring& value) {
    const std::wstring& line = Peek();
    if (line.size() < before.size() + after.size() || line.compare(0, before.size(), before) != 0 ||
        line.compare(line.size() - after.size(), after.size(), after) != 0) {
      return Fail("expected \"" + Printable(before) + "..." + Printable(after) + "\", got \"" + Printable(line) + "\"");
    }
    value = line.substr(before.size(), line.size() - before.size() - after.size());
    ++At;
    return true;
  }
};

// The forms of the values, all short texts.
const std::wregex kNowForm(L"\\d+/\\d\\d/\\d\\d  \\d\\d:\\d\\d:\\d\\d");
const std::wregex kDateForm(L"\\d+-(0[1-9]|1[0-2])-(0[1-9]|[12]\\d|3[01])");
const std::wregex kCountForm(L"0|[1-9]\\d{0,2}(,\\d{3})*");
const std::wregex kSizeForm(L"([0-9.,]+ (bytes|KB|MB|GB|TB|PB|EB))?");  // empty when the platform made none
const std::wregex kHashForm(L"[0-9A-F]{32}|Hash error: Unknown");
const std::wregex kVerdictForm(L"(Signed|Unsigned|Unknown|Untrusted|Bad signature|Revoked) :  .*");

bool Is(const std::wstring& text, const std::wregex& form) { return std::regex_match(text, form); }

bool ReadCount(const std::wstring& text, uint64_t& count) {
  if (!Is(text, kCountForm) || text.size() > 25) return false;  // 19 digits at most
  std::wstring digits = text;
  digits.erase(std::remove(digits.begin(), digits.end(), L','), digits.end());
  count = std::stoull(digits);
  return true;
}

// Below the walked root: names without the characters a name cannot hold, no empty step.
bool IsPathBelow(const std::wstring& path, const std::wstring& walkRoot, bool recurse) {
  if (path.size() <= walkRoot.size() + 1 || path.compare(0, walkRoot.size(), walkRoot) != 0 || path[walkRoot.size()] != L'\\') {
    return false;
  }
  const std::wstring rest = path.substr(walkRoot.size() + 1);
  if (rest.find(L"\\\\") != std::wstring::npos || rest.back() == L'\\' || (!recurse && rest.find(L'\\') != std::wstring::npos)) {
    return false;
  }
  for (const wchar_t c : rest) {
    if (c < 0x20 || std::wstring(L"/:*?\"<>|").find(c) != std::wstring::npos) return false;
  }
  return true;
}

std::vector<std::wstring> Split(const std::wstring& text, const std::wstring& separator) {
  std::vector<std::wstring> parts;
  size_t from = 0;
  for (size_t at; (at = text.find(separator, from)) != std::wstring::npos; from = at + separator.size()) {
    parts.push_back(text.substr(from, at - from));
  }
  parts.push_back(text.substr(from));
  return parts;
}

// The header's option lines, in order; their truth values are kept by position.
enum Flag { Microsoft, Recurse, RecentFolders, Description, Company, Verify, Md5, Size, Attributes, FlagCount };
const wchar_t* const kFlagLines[FlagCount][2] = {
    {L"\tShow Microsoft files: ", L"."},  {L"\tRecursive mode: ", L""},           {L"\tScan recent folders: ", L"."},
    {L"\tInclude file description: ", L"."}, {L"\tInclude company name: ", L"."}, {L"\tVerify file signatures: ", L""},
    {L"\tInclude MD5 hash: ", L"."},      {L"\tInclude file size: ", L"."},       {L"\tInclude file attributes: ", L"."},
};
// Timestamp captions with their legend text and result-line label.
const wchar_t* const kBases[3][3] = {{L"Creation date", L"Creation time", L"Creation date:"},
                                     {L"Last access", L"Last access time", L"Last access:"},
                                     {L"Last modified", L"Last write time", L"Last modified:"}};
const wchar_t kEndLine[] = L"   The FNX scan ";
const wchar_t kFilesBanner[] = L"  ======================= End of Recent files list. =======================";
const wchar_t kFoldersBanner[] = L"  ======================= End of Recent folders list. =======================";

// The file's bytes as the text that was written: FF FE, UTF-16LE, and a CR put in front of
// every LF by text mode; the texts themselves end every line with CR LF.
bool Decode(const std::vector<unsigned char>& bytes, std::wstring& text, std::string& error) {
  if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) return error = "no byte order mark FF FE", false;
  if (bytes.size() % 2 != 0) return error = "an odd number of bytes", false;
  std::wstring stored;
  for (size_t i = 2; i < bytes.size(); i += 2) stored += static_cast<wchar_t>(bytes[i] | bytes[i + 1] << 8);
  for (size_t i = 0; i < stored.size(); ++i) {
    const wchar_t c = stored[i];
    const std::string where = " at unit " + std::to_string(i + 1);
    if (c >= 0xD800 && c <= 0xDBFF && !(i + 1 < stored.size() && stored[i + 1] >= 0xDC00 && stored[i + 1] <= 0xDFFF)) {
      return error = "a lone high surrogate" + where, false;
    }
    if (c >= 0xDC00 && c <= 0xDFFF && !(i > 0 && stored[i - 1] >= 0xD800 && stored[i - 1] <= 0xDBFF)) {
      return error = "a lone low surrogate" + where, false;
    }
    if (c == L'\n' && (i < 2 || stored[i - 1] != L'\r' || stored[i - 2] != L'\r')) {
      return error = "a line feed not stored as CR CR LF" + where, false;
    }
    if (c == L'\r' && !(i + 1 < stored.size() && stored[i + 1] == L'\n') &&
        !(i + 2 < stored.size() && stored[i + 1] == L'\r' && stored[i + 2] == L'\n')) {
      return error = "a carriage return without its line feed" + where, false;
    }
    if (c == L'\r' && i + 1 < stored.size() && stored[i + 1] == L'\n') continue;  // the one text mode put there
    text += c;
  }
  return true;
}

}  // namespace

CheckedLog CheckLog(const std::vector<unsigned char>& bytes) {
  CheckedLog log;
  std::wstring text;
  if (!Decode(bytes, text, log.Error)) return log;
  Reader r;
  r.Lines = Split(text, L"\r\n");
  const auto done = [&] { return log.Error = r.Error, log; };

  // Header: every line is followed by a blank one.
  std::wstring now, caption;
  bool flags[FlagCount] = {};
  const auto blank = [&] { return r.Expect(L""); };
  if (!r.Expect(L"\t############### Fendrel results log ###############") || !blank() ||
      !r.Take(L"\tCurrent date and time: ", L".", now) || !blank()) {
    return done();
  }
  if (!Is(now, kNowForm)) return r.Fail("a malformed date and time \"" + Printable(now) + "\""), done();
  if (!r.Take(L"\tFile name pattern to search: ", L"", log.Pattern) || !blank() ||
      !r.Take(L"\tRoot path to search: ", L".", log.Root) || !blank() ||
      !r.Take(L"\tMax file age: ", L" days.", log.MaxAge) || !blank()) {
    return done();
  }
  // The boxes are read with fixed limits, the terminator included.
  if (log.Pattern.size() > 2047 || log.Root.size() > 259 || log.MaxAge.size() > 259) {
    return r.Fail("a header value longer than its box can give"), done();
  }
  for (int f = 0; f < FlagCount; ++f) {
    std::wstring truth;
    if (!r.Take(kFlagLines[f][0], kFlagLines[f][1], truth) || !blank()) return done();
    if (truth != L"True" && truth != L"False") return r.Fail("a truth value \"" + Printable(truth) + "\""), done();
    flags[f] = truth == L"True";
  }
  if (!r.Take(L"\tTimestamp base: ", L".", caption) || !blank() || !r.Expect(L"\tSearch start...") || !blank()) return done();
  int base = 0;
  while (base < 3 && caption != kBases[base][0]) ++base;
  if (base == 3) return r.Fail("an unknown timestamp base \"" + Printable(caption) + "\""), done();

  // The legend names exactly the fields the options add.
  std::wstring legend = std::wstring(L"  Format: Mode | ") + kBases[base][1] + L" | Path";
  const std::pair<Flag, const wchar_t*> named[] = {{Attributes, L" | File attributes"}, {Description, L" | File description"},
                                                   {Size, L" | File size"}, {Md5, L" | MD5 hash"}, {Company, L" | Publisher name"}};
  for (const auto& [flag, name] : named) {
    if (flags[flag]) legend += name;
  }
  if (!r.Expect(legend) || !blank()) return done();

  std::wstring walkRoot = log.Root;
  while (!walkRoot.empty() && walkRoot.back() == L'\\') walkRoot.pop_back();
  int separated = -1;  // whether every item line is followed by a blank line; -1 before the first
  const auto itemEnd = [&] {
    const bool blankAfter = r.Peek() == L"" && r.Peek(1).rfind(kEndLine, 0) != 0;
    if (separated != -1 && separated != blankAfter) return r.Fail("a blank line after some items but not after others");
    separated = blankAfter;
    r.At += blankAfter;
    return true;
  };

  // Result lines: "<RecentFiles> | " label date [" | " letters] " | " path [" | " field]...
  const std::wstring head = std::wstring(L"<RecentFiles> | ") + kBases[base][2];
  while (r.Peek().rfind(L"<RecentFiles> | ", 0) == 0) {
    const std::wstring& line = r.Peek();
    if (line.rfind(head, 0) != 0) return r.Fail("a time label other than the header's base"), done();
    std::vector<std::wstring> parts = Split(line.substr(head.size()), L" | ");
    CheckedFileLine file;
    size_t next = 0;
    file.Date = parts[next++];
    if (!Is(file.Date, kDateForm)) return r.Fail("a malformed date \"" + Printable(file.Date) + "\""), done();
    if (flags[Attributes]) {
      if (next == parts.size()) return r.Fail("no attribute field"), done();
      file.Letters = parts[next++];
      size_t order = 0;
      for (const wchar_t c : file.Letters) {
        const size_t at = std::wstring(L"RASHNOCT").find(c, order);
        if (at == std::wstring::npos) return r.Fail("attribute letters \"" + Printable(file.Letters) + "\""), done();
        order = at + 1;
      }
    }
    if (next == parts.size()) return r.Fail("no path"), done();
    file.Path = parts[next++];
    if (!IsPathBelow(file.Path, walkRoot, flags[Recurse])) {
      return r.Fail("a path \"" + Printable(file.Path) + "\" that is not below the root \"" + Printable(walkRoot) + "\""), done();
    }
    // A description or company name may hold " | " itself: what is left over belongs to the
    // first of them the legend names.
    const Flag fields[] = {Description, Size, Md5, Company};
    std::wstring* const into[] = {&file.Description, &file.Size, &file.Hash, &file.Publisher};
    size_t wanted = 0;
    for (const Flag f : fields) wanted += flags[f];
    if (parts.size() - next < wanted) return r.Fail("fewer fields than the legend names"), done();
    size_t spare = parts.size() - next - wanted;
    if (spare > 0 && !flags[Description] && !flags[Company]) return r.Fail("more fields than the legend names"), done();
    for (size_t i = 0; i < 4; ++i) {
      if (!flags[fields[i]]) continue;
      *into[i] = parts[next++];
      const bool absorbs = fields[i] == Description || (fields[i] == Company && !flags[Description]);
      for (; absorbs && spare > 0; --spare) *into[i] += L" | " + parts[next++];
    }
    if (!Is(file.Size, kSizeForm)) return r.Fail("a size \"" + Printable(file.Size) + "\""), done();
    if (flags[Md5] && !Is(file.Hash, kHashForm)) return r.Fail("a hash \"" + Printable(file.Hash) + "\""), done();
    if (flags[Company] && flags[Verify] && !Is(file.Publisher, kVerdictForm)) return r.Fail("a publisher without its verdict"), done();
    if (flags[Company] && !flags[Microsoft] && file.Publisher.rfind(flags[Verify] ? L"Signed :  Microsoft Corp" : L"Microsoft Corp", 0) == 0) {
      return r.Fail("a Microsoft file although the header leaves them out"), done();
    }
    log.Files.push_back(file);
    ++r.At;
    if (!itemEnd()) return done();
  }

  // The recent-folders section, only with folder lines in it.
  if (r.Peek() == kFilesBanner) {
    if (!flags[RecentFolders]) return r.Fail("a recent-folders section although the header has none"), done();
    for (const wchar_t* line : {kFilesBanner, L"", L"", L"  Recent folders search :", L"",
                                L"  Format : <RecentFolder> | Creation date | Path", L""}) {
      if (!r.Expect(line)) return done();
    }
    std::set<std::wstring> listed;
    while (r.Peek().rfind(L"<RecentFolder> | ", 0) == 0) {
      const std::vector<std::wstring> parts = Split(r.Peek().substr(17), L" | ");
      if (parts.size() != 2 || !Is(parts[0], kDateForm) || !IsPathBelow(parts[1], walkRoot, flags[Recurse])) {
        return r.Fail("a malformed folder line"), done();
      }
      // Only the outermost recent folder is listed.
      for (size_t at = parts[1].find(L'\\', walkRoot.size() + 1); at != std::wstring::npos; at = parts[1].find(L'\\', at + 1)) {
        if (listed.count(parts[1].substr(0, at))) return r.Fail("a folder listed inside a listed folder"), done();
      }
      listed.insert(parts[1]);
      log.Folders.push_back(parts[1]);
      ++r.At;
      if (!itemEnd()) return done();
    }
    if (log.Folders.empty()) return r.Fail("a recent-folders section without folder lines"), done();
    if (!r.Expect(kFoldersBanner) || !blank() || !blank()) return done();
  }

  // Footer: the end line, the counters and the closing banner, with no line break after it.
  std::wstring at, counters;
  if (!blank()) return done();
  log.Completed = r.Peek().rfind(L"   The FNX scan completed", 0) == 0;
  if (log.Completed ? !r.Take(L"   The FNX scan completed successfully at ", L"", at)
                    : !r.Take(L"   The FNX scan was interrupted by the user at ", L".", at)) {
    return done();
  }
  if (!Is(at, kNowForm)) return r.Fail("a malformed end time \"" + Printable(at) + "\""), done();
  if (!blank() || !r.Take(L"   ", L".", counters) || !blank()) return done();
  const std::vector<std::wstring> parts = Split(counters, L" file objects analyzed. ");
  uint64_t files = 0, folders = 0;
  const std::vector<std::wstring> matched = Split(parts.back(), L" files matched");
  const std::vector<std::wstring> more = Split(matched.back(), L" folders matched");
  const bool foldersPart = more.size() == 2 && more[1].empty() && more[0].rfind(L",   ", 0) == 0 &&
                           ReadCount(more[0].substr(4), folders) && folders != 0;
  if (parts.size() != 2 || matched.size() != 2 || !ReadCount(parts[0], log.Analyzed) || !ReadCount(matched[0], files) ||
      !(matched[1].empty() || foldersPart)) {
    return r.Fail("a malformed counters line \"" + Printable(counters) + "\""), done();
  }
  if (files != log.Files.size() || folders != log.Folders.size()) {
    return r.Fail("counts of " + std::to_string(files) + " files and " + std::to_string(folders) + " folders, lines of " +
                  std::to_string(log.Files.size()) + " and " + std::to_string(log.Folders.size())), done();
  }
  if (log.Analyzed < files + folders) return r.Fail("fewer entries analyzed than matched"), done();
  if (!r.Expect(L"\t############### End of the Fendrel results log ###############")) return done();
  if (r.At != r.Lines.size()) return r.Fail("a line break or text after the closing banner"), done();
  return done();
}

CheckedLog CheckLogFile(const std::wstring& path) { return CheckLog(ReadBytes(path)); }
