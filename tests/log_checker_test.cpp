// The log checker against logs written out here from the layout rules: it takes good ones
// apart and names the fault in each broken one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log_checker.h"
#include "temp_folder.h"

namespace {

std::wstring Header(const std::wstring& flags, const std::wstring& base) {
  const wchar_t* names[] = {L"Show Microsoft files: ",    L"Recursive mode: ",       L"Scan recent folders: ",
                            L"Include file description: ", L"Include company name: ", L"Verify file signatures: ",
                            L"Include MD5 hash: ",         L"Include file size: ",    L"Include file attributes: "};
  std::wstring text = L"\t############### Fendrel results log ###############\r\n\r\n\tCurrent date and time: "
                      L"2024/02/29  23:59:07.\r\n\r\n\tFile name pattern to search: .exe|*a?\r\n\r\n"
                      L"\tRoot path to search: C:\\Data\\\\.\r\n\r\n\tMax file age: 7.9 days.\r\n\r\n";
  for (size_t i = 0; i < 9; ++i) {
    text += std::wstring(L"\t") + names[i] + (flags[i] == L'1' ? L"True" : L"False") + (i == 1 || i == 5 ? L"" : L".") +
            L"\r\n\r\n";
  }
  return text + L"\tTimestamp base: " + base + L".\r\n\r\n\tSearch start...\r\n\r\n";
}

// Every option on, two files (a description holding " | "), two folders, blank lines between.
const std::wstring kFull =
    Header(L"111111111", L"Last modified") +
    L"  Format: Mode | Last write time | Path | File attributes | File description | File size | MD5 hash | Publisher name"
    L"\r\n\r\n<RecentFiles> | Last modified:2024-02-29 | RA | C:\\Data\\a.exe | Tool | pipe | 1.20 KB | "
    L"D41D8CD98F00B204E9800998ECF8427E | Unsigned :  No publisher\r\n\r\n"
    L"<RecentFiles> | Last modified:2024-02-05 |  | C:\\Data\\sub\\\xD83D\xDE00.exe | No description | 0 bytes | "
    L"Hash error: Unknown | Signed :  Microsoft Corporation\r\n\r\n"
    L"  ======================= End of Recent files list. =======================\r\n\r\n\r\n"
    L"  Recent folders search :\r\n\r\n  Format : <RecentFolder> | Creation date | Path\r\n\r\n"
    L"<RecentFolder> | 2024-02-29 | C:\\Data\\sub\r\n\r\n<RecentFolder> | 2024-01-31 | C:\\Data\\New folder\r\n\r\n"
    L"  ======================= End of Recent folders list. =======================\r\n\r\n\r\n"
    L"\r\n   The FNX scan completed successfully at 2024/03/01  00:00:01\r\n\r\n"
    L"   1,002 file objects analyzed. 2 files matched,   2 folders matched.\r\n\r\n"
    L"\t############### End of the Fendrel results log ###############";

// No option on, creation base, one match, stopped.
const std::wstring kPlain = Header(L"000000000", L"Creation date") +
                            L"  Format: Mode | Creation time | Path\r\n\r\n"
                            L"<RecentFiles> | Creation date:1999-12-31 | C:\\Data\\ leading space.dll\r\n"
                            L"\r\n   The FNX scan was interrupted by the user at 2024/02/29  23:59:09.\r\n\r\n"
                            L"   5 file objects analyzed. 1 files matched.\r\n\r\n"
                            L"\t############### End of the Fendrel results log ###############";

// Nothing matched, recent folders asked for: no section, no folders count.
const std::wstring kEmpty = Header(L"001000000", L"Last access") +
                            L"  Format: Mode | Last access time | Path\r\n\r\n"
                            L"\r\n   The FNX scan completed successfully at 2024/02/29  23:59:09\r\n\r\n"
                            L"   0 file objects analyzed. 0 files matched.\r\n\r\n"
                            L"\t############### End of the Fendrel results log ###############";

// The bytes text mode writes: FF FE, then a CR put in front of every LF.
std::vector<unsigned char> Stored(const std::wstring& text) {
  std::wstring stored;
  for (const wchar_t c : text) stored += c == L'\n' ? std::wstring(L"\r\n") : std::wstring(1, c);
  std::vector<unsigned char> bytes = {0xFF, 0xFE};
  const std::vector<unsigned char> units = Utf16Bytes(stored);
  bytes.insert(bytes.end(), units.begin(), units.end());
  return bytes;
}

std::wstring Replaced(std::wstring text, const std::wstring& from, const std::wstring& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::wstring::npos) << Printable(from);
  return at == std::wstring::npos ? text : text.replace(at, from.size(), to);
}

TEST(LogChecker, TakesGoodLogsApart) {
  const CheckedLog full = CheckLog(Stored(kFull));
  EXPECT_EQ(full.Error, "");
  EXPECT_TRUE(full.Completed);
  EXPECT_EQ(full.Analyzed, 1002u);
  EXPECT_EQ(full.Root, L"C:\\Data\\\\");
  EXPECT_EQ(full.Pattern, L".exe|*a?");
  EXPECT_EQ(full.MaxAge, L"7.9");
  ASSERT_EQ(full.Files.size(), 2u);
  EXPECT_EQ(full.Files[0].Description, L"Tool | pipe");
  EXPECT_EQ(full.Files[0].Letters, L"RA");
  EXPECT_EQ(full.Files[0].Size, L"1.20 KB");
  EXPECT_EQ(full.Files[1].Path, L"C:\\Data\\sub\\\xD83D\xDE00.exe");
  EXPECT_EQ(full.Files[1].Hash, L"Hash error: Unknown");
  EXPECT_EQ(full.Folders, std::vector<std::wstring>({L"C:\\Data\\sub", L"C:\\Data\\New folder"}));

  const CheckedLog plain = CheckLog(Stored(kPlain));
  EXPECT_EQ(plain.Error, "");
  EXPECT_FALSE(plain.Completed);
  ASSERT_EQ(plain.Files.size(), 1u);
  EXPECT_EQ(plain.Files[0].Date, L"1999-12-31");
  EXPECT_EQ(CheckLog(Stored(kEmpty)).Error, "");
}

TEST(LogChecker, FailsOnEveryDeviation) {
  const struct {
    const char* Fault;
    const std::wstring& Good;
    std::wstring From, To;
  } cases[] = {
      {"missing full stop", kFull, L"Max file age: 7.9 days.", L"Max file age: 7.9 days"},
      {"full stop added", kFull, L"Recursive mode: True", L"Recursive mode: True."},
      {"wrong count", kFull, L"2 files matched", L"3 files matched"},
      {"count not grouped", kFull, L"1,002 file", L"1002 file"},
      {"folders count without folders", kPlain, L"1 files matched.", L"1 files matched,   1 folders matched."},
      {"zero folders written out", kEmpty, L"0 files matched.", L"0 files matched,   0 folders matched."},
      {"legend without a field", kFull, L" | MD5 hash | Publisher", L" | Publisher"},
      {"legend out of order", kFull, L"File description | File size", L"File size | File description"},
      {"field missing in a line", kFull, L" | 0 bytes | ", L" | "},
      {"extra field", kPlain, L"space.dll", L"space.dll | 5 bytes"},
      {"attributes out of order", kFull, L" | RA | ", L" | AR | "},
      {"hash in lower case", kFull, L"D41D8CD98F00B204E9800998ECF8427E", L"d41d8cd98f00b204e9800998ecf8427e"},
      {"publisher without verdict", kFull, L"Unsigned :  No publisher", L"No publisher"},
      {"wrong time label", kFull, L"Last modified:2024-02-29", L"Creation date:2024-02-29"},
      {"date without leading zero", kPlain, L"1999-12-31", L"1999-12-1"},
      {"path outside the root", kPlain, L"C:\\Data\\ leading", L"C:\\Other\\ leading"},
      {"blank line missing after one item", kFull, L"ECF8427E | Unsigned :  No publisher\r\n\r\n", L"ECF8427E | Unsigned :  No publisher\r\n"},
      {"folder inside a listed folder", kFull, L"C:\\Data\\New folder", L"C:\\Data\\sub\\New folder"},
      {"section without the option", kFull, L"Scan recent folders: True", L"Scan recent folders: False"},
      {"section banner misspelt", kFull, L"Recent folders search :", L"Recent folders search:"},
      {"interrupted without full stop", kPlain, L"23:59:09.\r\n", L"23:59:09\r\n"},
      {"completed with full stop", kEmpty, L"23:59:09\r\n", L"23:59:09.\r\n"},
      {"line break after the banner", kPlain, L"End of the Fendrel results log ###############",
       L"End of the Fendrel results log ###############\r\n"},
      {"unknown timestamp base", kEmpty, L"Last access.", L"Last accessed."},
      {"truth value misspelt", kEmpty, L"Show Microsoft files: False", L"Show Microsoft files: false"},
      {"malformed time", kEmpty, L"2024/02/29  23:59:07", L"2024/2/29  23:59:07"},
      {"Microsoft file left in", kFull, L"Show Microsoft files: True", L"Show Microsoft files: False"},
      {"lone LF", kPlain, L"1 files matched.\r\n", L"1 files matched.\n"},
      {"lone CR", kPlain, L"leading space.dll\r\n", L"leading space.dll\r"},
      {"lone surrogate", kFull, L"\xD83D\xDE00", L"\xD83D"},
  };
  for (const auto& c : cases) {
    EXPECT_NE(CheckLog(Stored(Replaced(c.Good, c.From, c.To))).Error, "") << c.Fault;
  }
  // The byte format itself: the mark, whole code units, and the CR that text mode inserts.
  std::vector<unsigned char> bytes = Stored(kEmpty);
  EXPECT_NE(CheckLog(std::vector<unsigned char>(bytes.begin() + 2, bytes.end())).Error, "") << "no byte order mark";
  bytes.push_back('x');
  EXPECT_NE(CheckLog(bytes).Error, "") << "odd byte count";
  std::vector<unsigned char> plainCrLf = {0xFF, 0xFE};
  const std::vector<unsigned char> units = Utf16Bytes(kEmpty);
  plainCrLf.insert(plainCrLf.end(), units.begin(), units.end());
  EXPECT_NE(CheckLog(plainCrLf).Error, "") << "CR LF stored without the inserted CR";
}

}  // namespace
