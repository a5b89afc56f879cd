// The system's texts, decisions and arithmetic as functions of values: each behaviour one
// table of cases at its boundaries.
#include <gtest/gtest.h>

#include <filesystem>

#include "facts/signature_check.h"
#include "platform/file_system.h"
#include "platform/message_drains.h"
#include "scan/file_day.h"
#include "scan/log_text.h"
#include "scan/scan_run.h"
#include "support/files.h"
#include "ui/display_scale.h"
#include "ui/icon_image.h"

namespace {

TEST(Ages, DayNumbersCountThirtyDayMonthsAndTheTestWrapsInThirtyTwoBits) {
  const int32_t march1 = DayNumber(Date(2023, 3, 1)), feb1 = DayNumber(Date(2023, 2, 1));
  EXPECT_EQ(DayNumber(Date(2023, 1, 31)), feb1);
  const struct {
    int32_t MaxAge, Entry, Today;
    bool Passes;
  } cases[] = {
      {0, 0, 999999, true},  {2, DayNumber(Date(2023, 2, 28)), march1, false}, {3, march1 - 3, march1, true},
      {1, DayNumber(Date(2023, 1, 30)), feb1, true},  {30, march1 + 10, march1, true},
      {30, DayNumber(Date(1601, 1, 1)), march1, true},  // before 1870 the sum wraps
      {-1, march1, march1, false}, {-1, march1 + 1, march1, true}, {7, march1 - 8, march1, false},
      {DayNumber(Date(2024, 1, 1)) - DayNumber(Date(2023, 12, 31)), march1 - 5, march1, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PassesAgeTest(c.MaxAge, c.Entry, c.Today), c.Passes) << c.MaxAge << " " << c.Entry << " " << c.Today;
  }
}

// The day last dated is reused for times inside its span: each time must still get its own UTC day.
TEST(Ages, EachFileTimeTakesItsOwnUtcDayWhateverWasDatedBefore) {
  // A day's last tick, then the ticks on each side of the edges of days dated from their last tick.
  constexpr uint64_t kDay = 864000000000, leap = 116444736000000000 + 19782 * kDay;  // 2024-02-29
  const std::pair<uint64_t, const wchar_t*> times[] = {
      {leap + kDay - 1, L"2024-02-29"}, {leap - 1, L"2024-02-28"}, {leap, L"2024-02-29"}, {leap + 1, L"2024-02-29"},
      {leap + kDay, L"2024-03-01"}, {0, L"1601-01-01"}, {0x7FFFFFFFFFFFFFFF, L"30828-09-14"}, {0x8000000000000000, nullptr}};
  FileDay day;
  for (const auto& [ticks, text] : times) {
    ASSERT_EQ(DateOf(FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)}, day), text != nullptr);
    if (text == nullptr) continue;
    int year = 0, month = 0, date = 0;
    swscanf(text, L"%d-%d-%d", &year, &month, &date);
    EXPECT_EQ(day.Text.View(), text) << std::hex << ticks;
    EXPECT_EQ(day.Number, (year - 1870) * 365 + month * 30 + date) << std::hex << ticks;
  }
}

// Counts, attribute letters and typed ages beyond what a scan of the test trees shows (whose logs
// hold dates, sizes and times, compared whole).
TEST(Texts, CountsAttributesAndTypedAges) {
  for (const auto& [count, text] : {std::pair{999ull, L"999"}, {1000ull, L"1,000"}, {4294967296ull, L"4,294,967,296"}}) {
    EXPECT_EQ(CountText(count), text) << count;
  }
  for (const auto& [attributes, letters] : {std::pair{0x4410u, L""}, {0x180u, L"NT"}, {0x19B7u, L"RASHNOCT"}}) {
    EXPECT_EQ(AttributeLetters(attributes).View(), letters) << std::hex << attributes;
  }
  const std::pair<const wchar_t*, int32_t> ages[] = {
      {L"30", 30}, {L"7.9", 7}, {L"abc", 0}, {L"", 0}, {L"  12abc", 12}, {L"-1", -1}, {L"-7.9", -7},
      {L"4294967297", 1}, {L"1e12", static_cast<int32_t>(0xD4A51000u)}, {L"nan", 0}, {L"99999999999999999999999", 0}};
  for (const auto& [text, days] : ages) EXPECT_EQ(ParseMaxAgeDays(text), days) << Printable(text);
}

TEST(Signatures, VerdictInFrontAndMicrosoftOnlyWhenTrustedAndExact) {
  const std::pair<uint32_t, const wchar_t*> verdicts[] = {
      {0x800B0004, L"Untrusted :  M"}, {0x800B010C, L"Revoked :  M"}, {0xFEFEFEFE, L"Unsigned :  M"}, {1, L"Unsigned :  M"}};
  for (const auto& [status, text] : verdicts) {
    std::wstring company = L"M";
    EXPECT_FALSE(ApplySignatureVerdict(status, company)) << std::hex << status;
    EXPECT_EQ(company, text) << std::hex << status;
  }
  for (const auto& [company, microsoft] : {std::pair{L"Microsoft Corporation", true}, {L"Microsoft Corp", true},
                                           {L"Microsoft Cor", false}, {L"microsoft corporation", false},
                                           {L"The Microsoft Corp", false}, {L"", false}}) {
    std::wstring text = company;
    EXPECT_EQ(ApplySignatureVerdict(0, text), microsoft) << Printable(company);
    EXPECT_EQ(text, L"Signed :  " + std::wstring(company));
    EXPECT_EQ(IsMicrosoftCompany(company), microsoft) << Printable(company);
  }
}

TEST(Platform, TypedPathsAndTheDrainThrottle) {
  // Typed paths mean what Windows makes of them, in the ordinary form the log shows and the
  // extended form the file system takes literally.
  const std::wstring here = (std::filesystem::current_path() / L"").wstring();
  const std::wstring deep = L"C:\\" + std::wstring(255, L'd') + L"\\x";
  const std::wstring volume = L"Volume{0b1c9d2e-0000-0000-0000-100000000000}";
  const std::wstring shadow = L"GLOBALROOT\\Device\\HarddiskVolumeShadowCopy3";
  const std::wstring mup = L"GLOBALROOT\\Device\\Mup\\srv\\share";
  const struct {
    std::wstring Typed, Shown, Literal;
    std::wstring Itself;  // what asks for the folder itself is handed; no folder when empty
  } paths[] = {
      {L"C:\\Data.", L"C:\\Data", L"\\\\?\\C:\\Data", L"\\\\?\\C:\\Data"},
      {L"C:\\", L"C:", L"\\\\?\\C:", L"\\\\?\\C:\\"}, {L"c:", L"c:", L"\\\\?\\c:", L"\\\\?\\c:\\"},
      {L"C:/a/./b/../x\\\\", L"C:\\a\\x", L"\\\\?\\C:\\a\\x", L"\\\\?\\C:\\a\\x"},
      {L"C:\\logs\\", L"C:\\logs\\", L"\\\\?\\C:\\logs\\", L""},
      {L"C:\\logs\\out.txt. ", L"C:\\logs\\out.txt", L"\\\\?\\C:\\logs\\out.txt", L""},
      {L"\\\\srv\\share\\", L"\\\\srv\\share", L"\\\\?\\UNC\\srv\\share", L"\\\\?\\UNC\\srv\\share\\"},
      {L"\\\\?\\UNC\\srv\\share", L"\\\\srv\\share", L"\\\\?\\UNC\\srv\\share", L"\\\\?\\UNC\\srv\\share\\"},
      // The device namespace is shown as typed and reached literally.
      {L"\\\\.\\C:\\case\\..\\x\\", L"\\\\.\\C:\\x", L"\\\\?\\C:\\x", L"\\\\?\\C:\\x"},
      {L"\\\\.\\C:\\", L"\\\\.\\C:", L"\\\\?\\C:", L"\\\\?\\C:\\"},
      {L"\\\\.\\" + volume + L"\\", L"\\\\.\\" + volume, L"\\\\?\\" + volume, L"\\\\?\\" + volume + L"\\"},
      // Volumes without a letter and shadow copies, as mountvol and vssadmin print them.
      {L"\\\\?\\" + volume + L"\\", L"\\\\?\\" + volume, L"\\\\?\\" + volume, L"\\\\?\\" + volume + L"\\"},
      {L"\\\\?\\" + shadow + L"\\", L"\\\\?\\" + shadow, L"\\\\?\\" + shadow, L"\\\\?\\" + shadow + L"\\"},
      {L"\\\\?\\" + shadow, L"\\\\?\\" + shadow, L"\\\\?\\" + shadow, L"\\\\?\\" + shadow + L"\\"},
      // A share reached through the network's device: its root, and a folder in it.
      {L"\\\\?\\" + mup, L"\\\\?\\" + mup, L"\\\\?\\" + mup, L"\\\\?\\" + mup + L"\\"},
      {L"\\\\?\\" + mup + L"\\d", L"\\\\?\\" + mup + L"\\d", L"\\\\?\\" + mup + L"\\d", L"\\\\?\\" + mup + L"\\d"},
      {L"\\\\?\\" + shadow + L"\\Windows\\", L"\\\\?\\" + shadow + L"\\Windows", L"\\\\?\\" + shadow + L"\\Windows",
       L"\\\\?\\" + shadow + L"\\Windows"},
      {L"\\\\?\\" + deep, deep, L"\\\\?\\" + deep, L"\\\\?\\" + deep},
      {L"sub", here + L"sub", L"\\\\?\\" + here + L"sub", L"\\\\?\\" + here + L"sub"}, {L"", L"", L"", L""}};
  for (const auto& p : paths) {
    const bool folder = !p.Itself.empty() || p.Typed.empty();
    const ScanPath resolved = folder ? ResolveTypedFolder(p.Typed) : ResolveTypedPath(p.Typed);
    EXPECT_EQ(Printable(resolved.Shown), Printable(p.Shown)) << Printable(p.Typed);
    EXPECT_EQ(Printable(resolved.Literal), Printable(p.Literal)) << Printable(p.Typed);
    if (folder) {
      EXPECT_EQ(Printable(FolderItself(resolved.Literal)), Printable(p.Itself)) << Printable(p.Typed);
    }
  }
  // Windows takes these names for devices in any folder, with any extension or stream.
  for (const auto& [path, device] :
       {std::pair{L"C:\\logs\\nul.txt", true}, {L"NUL", true}, {L"c:\\x\\Aux", true}, {L"D:con.log", true},
        {L"C:\\x/prn .txt", true}, {L"C:\\COM1.log", true}, {L"C:\\lpt9", true}, {L"C:\\x\\conout$", true},
        {L"C:\\x\\nul:stream", true}, {L"C:\\com0.log", false}, {L"C:\\com10.log", false}, {L"C:\\lpt", false},
        {L"C:\\null.txt", false}, {L"C:\\anul.txt", false}, {L"C:\\nul\\x.txt", false}, {L"C:\\.nul", false}}) {
    EXPECT_EQ(NamesDosDevice(path), device) << Printable(path);
  }
  // 25 ms apart at least: a counter near 2^63, one that is huge at the scan's first drain,
  // 10 MHz and 3 GHz.
  constexpr long long kTop = 0x7FFFFFFFFFFFFFFFll;
  const struct {
    long long Now, Last, Frequency;
    bool Due;
  } drains[] = {{250000, 0, 10000000, true}, {249999, 0, 10000000, false}, {kTop, kTop - 249999, 10000000, false},
                {kTop, kTop - 250000, 10000000, true}, {1ll << 62, 0, 10000000, true},
                {1ll << 62, (1ll << 62) - 74999999, 3000000000ll, false}, {1ll << 62, (1ll << 62) - 75000000, 3000000000ll, true}};
  for (const auto& d : drains) EXPECT_EQ(DrainIsDue(d.Now, d.Last, d.Frequency), d.Due) << d.Now << " after " << d.Last;
}

// The window's pixels at a display's scale, rounded to the nearest, halves away from zero; the
// icon image made smaller, never larger.
TEST(DisplayScale, PixelsRoundedAsWindowsRoundsAndIconsNeverStretched) {
  // Pixels of the design, then at 96, 120, 144 and 192 DPI.
  const int cases[][5] = {{0, 0, 0, 0, 0},     {1, 1, 1, 2, 2},      {5, 5, 6, 8, 10},          {11, 11, 14, 17, 22},
                          {15, 15, 19, 23, 30}, {25, 25, 31, 38, 50}, {550, 550, 688, 825, 1100}, {-11, -11, -14, -17, -22}};
  const int dpis[] = {96, 120, 144, 192};
  for (const auto& c : cases) {
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ScaledBy(c[0], dpis[i]), c[i + 1]) << c[0] << " at " << dpis[i] << " DPI";
  }
  for (const auto& [wanted, chosen] : {std::pair{64, 64}, {65, 256}, {128, 256}, {300, 256}, {10, 16}, {49, 64}}) {
    EXPECT_EQ(IconSizeFor({16, 32, 48, 64, 256}, wanted), chosen) << wanted;
  }
  // A group's directory (reserved, type, count), then entries of 14 bytes whose first is the width.
  BYTE group[6 + 3 * 14] = {0, 0, 1, 0, 3};
  group[6] = 16, group[6 + 14] = 0, group[6 + 2 * 14] = 48;
  EXPECT_EQ(IconGroupSizes(group, sizeof group), (std::vector<int>{16, 256, 48}));
  EXPECT_EQ(IconGroupSizes(group, sizeof group - 1), (std::vector<int>{16, 256})) << "an entry cut off is not read";
}

}  // namespace
