// The result lines' grammar and the date, number and size texts inside them.
#include <gtest/gtest.h>

#include "scan/result_lines.h"
#include "temp_folder.h"

namespace {

TEST(AttributeLetters, WritesTheEightLettersInTheirOrder) {
  const struct {
    DWORD Attributes;
    const wchar_t* Letters;
  } cases[] = {
      {0, L""},
      {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ENCRYPTED, L""},
      {FILE_ATTRIBUTE_READONLY, L"R"},
      {FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY, L"RH"},
      {FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE, L"ASH"},
      {FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_NORMAL, L"NT"},
      {0x1 | 0x20 | 0x4 | 0x2 | 0x80 | 0x1000 | 0x800 | 0x100 | 0x10 | 0x4000, L"RASHNOCT"},
  };
  for (const auto& c : cases) EXPECT_EQ(AttributeLetters(c.Attributes), c.Letters) << std::hex << c.Attributes;
}

TEST(NumberText, WholeNumbersHaveNoDecimals) {
  EXPECT_EQ(NumberText(0), L"0");
  EXPECT_EQ(NumberText(7), L"7");
  EXPECT_EQ(NumberText(2014), L"2014");
  EXPECT_EQ(NumberText(-3), L"-3");
  EXPECT_EQ(NumberText(2.5), L"2.500000");
  EXPECT_EQ(NumberText(1e300).size(), 39u);  // cut at the buffer's 39 characters
}

TEST(DateText, PadsMonthAndDayToTwoDigits) {
  SYSTEMTIME st{};
  st.wYear = 2014, st.wMonth = 2, st.wDay = 5;
  EXPECT_EQ(DateText(st), L"2014-02-05");
  st.wYear = 1601, st.wMonth = 12, st.wDay = 31;
  EXPECT_EQ(DateText(st), L"1601-12-31");
  st.wYear = 30827, st.wMonth = 10, st.wDay = 9;
  EXPECT_EQ(DateText(st), L"30827-10-09");
}

TEST(SizeText, GivesTheShortTextWithItsUnit) {
  EXPECT_EQ(SizeText(0), L"0 bytes");
  EXPECT_EQ(SizeText(5), L"5 bytes");
  EXPECT_EQ(SizeText(532), L"532 bytes");
  EXPECT_EQ(SizeText(1536), L"1.50 KB");
  EXPECT_EQ(SizeText(5ull << 30), L"5.00 GB");
  EXPECT_FALSE(SizeText(~0ull).empty());
  EXPECT_LE(SizeText(~0ull).size(), 39u);
}

TEST(FileResultLine, PutsAttributesBeforeThePathAndTheRestAfterIt) {
  FileFacts all;
  all.TimeLabel = TimeLabel(2);
  all.Date = L"2024-03-01";
  all.AttributeField = L" | RA";
  all.Path = L"C:\\x\\a.exe";
  all.DescriptionField = L" | Setup";
  all.SizeField = L" | 5 bytes";
  all.HashField = L" | 0123456789ABCDEF0123456789ABCDEF";
  all.PublisherField = L" | Signed :  Acme";
  all.LineEnd = LineEnd(true);
  EXPECT_EQ(FileResultLine(all),
            L"<RecentFiles> | Last modified:2024-03-01 | RA | C:\\x\\a.exe | Setup | 5 bytes"
            L" | 0123456789ABCDEF0123456789ABCDEF | Signed :  Acme\r\n\r\n");

  FileFacts none;
  none.TimeLabel = TimeLabel(0);
  none.Date = L"2024-03-01";
  none.Path = L"C:\\a.exe";
  none.LineEnd = LineEnd(false);
  EXPECT_EQ(FileResultLine(none), L"<RecentFiles> | Creation date:2024-03-01 | C:\\a.exe\r\n");

  none.TimeLabel = TimeLabel(1);
  none.AttributeField = L" | ";  // attributes asked for, none of the eight set
  EXPECT_EQ(FileResultLine(none), L"<RecentFiles> | Last access:2024-03-01 |  | C:\\a.exe\r\n");
}

TEST(FolderResultLine, NamesDateAndPath) {
  EXPECT_EQ(FolderResultLine(L"2014-02-05", L"C:\\Data\\New folder", false),
            L"<RecentFolder> | 2014-02-05 | C:\\Data\\New folder\r\n");
  EXPECT_EQ(FolderResultLine(L"2014-02-05", L"C:\\D", true), L"<RecentFolder> | 2014-02-05 | C:\\D\r\n\r\n");
}

}  // namespace
