// The log's header, legend, banners and footer, written out here from the layout rules.
#include <gtest/gtest.h>

#include "app/log_layout.h"
#include "app/scan_run.h"
#include "temp_folder.h"

namespace {

TEST(CountText, GroupsDigitsByThreesFromTheRight) {
  const struct {
    uint64_t Count;
    const wchar_t* Text;
  } cases[] = {
      {0, L"0"},          {7, L"7"},           {999, L"999"},       {1000, L"1,000"},
      {12345, L"12,345"}, {999999, L"999,999"}, {1000000, L"1,000,000"}, {1234567, L"1,234,567"},
      {4294967296ull, L"4,294,967,296"},
  };
  for (const auto& c : cases) EXPECT_EQ(CountText(c.Count), c.Text) << c.Count;
}

TEST(NowText, WritesDateTwoSpacesAndTime) {
  SYSTEMTIME st{};
  st.wYear = 2021, st.wMonth = 11, st.wDay = 30, st.wHour = 9, st.wMinute = 3, st.wSecond = 7;
  EXPECT_EQ(NowText(st), L"2021/11/30  09:03:07");
  st.wYear = 2026, st.wMonth = 1, st.wDay = 2, st.wHour = 23, st.wMinute = 59, st.wSecond = 59;
  EXPECT_EQ(NowText(st), L"2026/01/02  23:59:59");
}

TEST(LogHeader, WritesEveryOptionLineWithItsOwnPunctuation) {
  ScanSession options;
  options.IncludeMicrosoftFiles = true;
  options.Recurse = false;
  options.ScanRecentFolders = true;
  options.IncludeDescription = false;
  options.IncludeCompanyName = true;
  options.VerifySignatures = false;
  options.IncludeMd5 = true;
  options.IncludeFileSize = false;
  options.IncludeAttributes = true;
  HeaderValues values{L"2021/11/30  09:03:07", L"", L"C:\\\\", L"7.9", L"Last access"};
  EXPECT_EQ(LogHeader(values, options),
            L"\t############### Fendrel results log ###############\r\n\r\n"
            L"\tCurrent date and time: 2021/11/30  09:03:07.\r\n\r\n"
            L"\tFile name pattern to search: \r\n\r\n"
            L"\tRoot path to search: C:\\\\.\r\n\r\n"
            L"\tMax file age: 7.9 days.\r\n\r\n"
            L"\tShow Microsoft files: True.\r\n\r\n"
            L"\tRecursive mode: False\r\n\r\n"
            L"\tScan recent folders: True.\r\n\r\n"
            L"\tInclude file description: False.\r\n\r\n"
            L"\tInclude company name: True.\r\n\r\n"
            L"\tVerify file signatures: False\r\n\r\n"
            L"\tInclude MD5 hash: True.\r\n\r\n"
            L"\tInclude file size: False.\r\n\r\n"
            L"\tInclude file attributes: True.\r\n\r\n"
            L"\tTimestamp base: Last access.\r\n\r\n"
            L"\tSearch start...\r\n\r\n");
}

TEST(FormatLegend, NamesTheFieldsOfTheLines) {
  ScanSession options;
  options.TimestampBase = 1;
  EXPECT_EQ(FormatLegend(options), L"  Format: Mode | Last access time | Path\r\n\r\n");
  options.TimestampBase = 0;
  EXPECT_EQ(FormatLegend(options), L"  Format: Mode | Creation time | Path\r\n\r\n");
  options.TimestampBase = 2;
  options.IncludeAttributes = options.IncludeDescription = options.IncludeFileSize = true;
  options.IncludeMd5 = options.IncludeCompanyName = options.VerifySignatures = true;
  EXPECT_EQ(FormatLegend(options),
            L"  Format: Mode | Last write time | Path | File attributes | File description | File size | MD5 hash"
            L" | Publisher name\r\n\r\n");
  options.IncludeAttributes = options.IncludeMd5 = false;
  EXPECT_EQ(FormatLegend(options),
            L"  Format: Mode | Last write time | Path | File description | File size | Publisher name\r\n\r\n");
}

TEST(Footer, SaysHowTheScanEndedAndCounts) {
  EXPECT_EQ(FooterEndLine(true, L"2021/11/30  09:03:07"),
            L"\r\n   The FNX scan completed successfully at 2021/11/30  09:03:07\r\n\r\n");
  EXPECT_EQ(FooterEndLine(false, L"2021/11/30  09:03:07"),
            L"\r\n   The FNX scan was interrupted by the user at 2021/11/30  09:03:07.\r\n\r\n");
  EXPECT_EQ(FooterCounters(12345, 17, 2),
            L"   12,345 file objects analyzed. 17 files matched,   2 folders matched.\r\n\r\n"
            L"\t############### End of the Fendrel results log ###############");
  EXPECT_EQ(FooterCounters(999, 1000, 0),
            L"   999 file objects analyzed. 1,000 files matched.\r\n\r\n"
            L"\t############### End of the Fendrel results log ###############");
}

TEST(RecentFoldersBanners, FrameTheSection) {
  EXPECT_EQ(RecentFoldersOpening(),
            L"  ======================= End of Recent files list. =======================\r\n\r\n\r\n"
            L"  Recent folders search :\r\n\r\n  Format : <RecentFolder> | Creation date | Path\r\n\r\n");
  EXPECT_EQ(RecentFoldersEnd(),
            L"  ======================= End of Recent folders list. =======================\r\n\r\n\r\n");
}

TEST(ParseMaxAgeDays, ReadsTheNumberAsTypedTruncatedToWholeDays) {
  const struct {
    const wchar_t* Text;
    int32_t Days;
  } cases[] = {
      {L"30", 30},   {L"7.9", 7},  {L"abc", 0},  {L"", 0},   {L"  12abc", 12}, {L"-1", -1},
      {L"-7.9", -7}, {L"0", 0},    {L"1000", 1000},
      {L"4294967297", 1},                              // only the low 32 bits count
      {L"1e12", static_cast<int32_t>(0xD4A51000u)},    // 1,000,000,000,000 = 0xE8D4A51000
      {L"nan", 0},
      {L"99999999999999999999999", 0},                 // beyond 64 bits: what x86 gives, 0
  };
  for (const auto& c : cases) EXPECT_EQ(ParseMaxAgeDays(c.Text), c.Days) << Printable(c.Text);
  EXPECT_EQ(ParseMaxAgeDays(std::wstring(259, L'9')), 0);
}

TEST(WalkRootOf, DropsEveryTrailingBackslash) {
  EXPECT_EQ(WalkRootOf(L"C:\\"), L"C:");
  EXPECT_EQ(WalkRootOf(L"C:\\Data\\\\\\"), L"C:\\Data");
  EXPECT_EQ(WalkRootOf(L"C:\\Data"), L"C:\\Data");
  EXPECT_EQ(WalkRootOf(L"\\\\"), L"");
  EXPECT_EQ(WalkRootOf(L""), L"");
}

}  // namespace
