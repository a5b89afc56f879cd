// The real Fendrel.exe under test: its window, its 31 controls with their defaults, its painted
// surface on the screen, the single instance and the ways it ends.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "gui_driver.h"
#include "temp_folder.h"

namespace {

constexpr int kWindowWidth = 550;
constexpr int kWindowHeight = 490;

// One control as the window must show it at start. Text null: checked by its own test.
// A width or height of 0: the platform decides it (the spin's buddy narrowing, the combo).
struct ExpectedControl {
  int Id;
  const wchar_t* ClassName;
  const wchar_t* Text;
  DWORD StyleMask;  // the bits compared
  DWORD Style;      // their expected values
  int X, Y, W, H;
};

constexpr DWORD kStaticBits = SS_TYPEMASK | SS_NOTIFY | SS_REALSIZECONTROL;
constexpr DWORD kButtonBits = BS_TYPEMASK | WS_TABSTOP;
constexpr DWORD kEditBits = WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kSpinBits =
    UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ALIGNLEFT | UDS_AUTOBUDDY | UDS_ARROWKEYS | UDS_HOTTRACK | UDS_NOTHOUSANDS;

const ExpectedControl kExpected[] = {
    {4, L"Static", L"", kStaticBits, SS_ICON | SS_REALSIZECONTROL | SS_NOTIFY, 15, 15, 64, 64},
    {5, L"Static", L"\r\nFendrel", kStaticBits, SS_CENTER | SS_NOTIFY, 100, 5, 350, 70},
    {6, L"Static", L"-", kStaticBits, SS_CENTER | SS_NOTIFY, 480, 6, 15, 20},
    {7, L"Static", L"x", kStaticBits, SS_CENTER | SS_NOTIFY, 510, 6, 15, 20},
    {8, L"Static",
     L"Enter the file name pattern you wish to search for in the input box below.\r\nSeparate several keywords "
     L"with \"|\". You can use wildcards like \"*\" or \"?\"",
     kStaticBits, SS_LEFT | SS_NOTIFY, 20, 100, 510, 30},
    {9, L"Static", L"Pattern:", kStaticBits, SS_LEFT | SS_NOTIFY, 20, 137, 50, 15},
    {10, L"Edit", L".exe|.dll|.com|.vbs|.cmd|.bat|.reg|.sys|.vbe|.scr", kEditBits, WS_TABSTOP, 70, 135, 460, 20},
    {11, L"Static", L"Max age (days):", kStaticBits, SS_LEFT | SS_NOTIFY, 20, 182, 100, 15},
    {12, L"Edit", L"30", kEditBits, WS_TABSTOP, 120, 180, 0, 20},
    {13, L"msctls_updown32", L"", kSpinBits,
     UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS | UDS_HOTTRACK | UDS_NOTHOUSANDS, 0, 180, 0,
     20},
    {14, L"Button", L"Include Microsoft files", kButtonBits, BS_AUTOCHECKBOX | WS_TABSTOP, 195, 182, 160, 20},
    {15, L"Button", L"Recurse subfolders", kButtonBits, BS_AUTOCHECKBOX | WS_TABSTOP, 370, 182, 160, 20},
    {16, L"Button", L"Scan recent folders", kButtonBits, BS_AUTOCHECKBOX | WS_TABSTOP, 20, 207, 160, 20},
    {17, L"Button", L"Include file description", kButtonBits, BS_AUTOCHECKBOX | WS_TABSTOP, 195, 207, 160, 20},
    {18, L"Button", L"Include company name", kButtonBits, BS_AUTOCHECKBOX | WS_TABSTOP, 370, 207, 160, 20},
    {19, L"Button", L"Verify file signatures", kButtonBits, BS_AUTOCHECKBOX | WS_TABSTOP, 20, 232, 160, 20},
    {20, L"Button", L"Include MD5 file hash", kButtonBits, BS_AUTOCHECKBOX | WS_TABSTOP, 195, 232, 160, 20},
    {21, L"Button", L"Include file size", kButtonBits, BS_AUTOCHECKBOX | WS_TABSTOP, 370, 232, 160, 20},
    {22, L"Button", L"Include file attributes", kButtonBits, BS_AUTOCHECKBOX | WS_TABSTOP, 20, 257, 160, 20},
    {23, L"Button", L"Separate the matched items lines with a blank line", kButtonBits, BS_AUTOCHECKBOX | WS_TABSTOP,
     195, 257, 320, 20},
    {24, L"Static", L"Search path root:", kStaticBits, SS_LEFT | SS_NOTIFY, 20, 302, 100, 20},
    {25, L"Edit", nullptr, kEditBits, WS_TABSTOP | ES_AUTOHSCROLL, 120, 300, 340, 20},
    {26, L"Button", L"Browse...", kButtonBits, BS_PUSHBUTTON | WS_TABSTOP, 465, 299, 65, 22},
    {27, L"Static", L"Save results to:", kStaticBits, SS_LEFT | SS_NOTIFY, 20, 332, 100, 20},
    {28, L"Edit", nullptr, kEditBits, WS_TABSTOP | ES_AUTOHSCROLL, 120, 330, 340, 20},
    {29, L"Button", L"Browse...", kButtonBits, BS_PUSHBUTTON | WS_TABSTOP, 465, 329, 65, 22},
    {30, L"Static", L"Timestamp base:", kStaticBits, SS_LEFT | SS_NOTIFY, 20, 384, 100, 20},
    {31, L"ComboBox", L"Last modified", CBS_DROPDOWNLIST | CBS_HASSTRINGS | WS_TABSTOP,
     CBS_DROPDOWNLIST | CBS_HASSTRINGS | WS_TABSTOP, 125, 380, 130, 0},
    {32, L"Button", L"Start scan", kButtonBits, BS_DEFPUSHBUTTON | WS_TABSTOP, 305, 378, 130, 25},
    {33, L"Static", L"Waiting for Start scan...", kStaticBits, SS_CENTER | SS_NOTIFY, 100, 430, 350, 20},
    {34, L"Static", L"", kStaticBits, SS_LEFT | SS_NOTIFY, 20, 460, 510, 16},
};

// Check boxes 14 to 23 and whether each starts checked.
const std::pair<int, LRESULT> kCheckStates[] = {
    {14, BST_CHECKED}, {15, BST_CHECKED}, {16, BST_CHECKED}, {17, BST_CHECKED},   {18, BST_CHECKED},
    {19, BST_UNCHECKED}, {20, BST_CHECKED}, {21, BST_CHECKED}, {22, BST_UNCHECKED}, {23, BST_CHECKED},
};

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

// A started program with its window found; the process is killed if a test leaves it running.
struct Started {
  TempFolder Folder;
  RunningProgram Program;
  bool Ok = false;
  Started() { Ok = StartProgram(Program, Folder.Path) && WaitForMainWindow(Program); }
  HWND Item(int id) const { return GetDlgItem(Program.Window, id); }
  RECT WindowRect() const {
    RECT r{};
    GetWindowRect(Program.Window, &r);
    return r;
  }
};

#define ASSERT_STARTED(s) ASSERT_TRUE((s).Ok) << "Fendrel.exe did not show its window: " << Narrow(ProgramPath())

TEST(MainWindow, AnswersItsIdentificationQuery) {
  Started s;
  ASSERT_STARTED(s);
  bool answered = false;
  const LRESULT reply = SendWithTimeout(s.Program.Window, WM_USER, 0, 0, &answered);
  EXPECT_TRUE(answered);
  EXPECT_EQ(reply, 0x534B0020) << "expected 0x534B0020, got 0x" << std::hex << reply;
}

TEST(MainWindow, IsABorderlessPopupCentredOnThePrimaryScreen) {
  Started s;
  ASSERT_STARTED(s);
  const LONG style = GetWindowLongW(s.Program.Window, GWL_STYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU)) << std::hex << style;
  const RECT r = s.WindowRect();
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(r.left, screenWidth / 2 - 275) << "screen width " << screenWidth;
  EXPECT_EQ(r.top, screenHeight / 2 - 245) << "screen height " << screenHeight;
  EXPECT_EQ(r.right - r.left, kWindowWidth);
  EXPECT_EQ(r.bottom - r.top, kWindowHeight);
}

TEST(MainWindow, ControlsHaveTheirClassTextStyleAndPlace) {
  Started s;
  ASSERT_STARTED(s);
  for (const ExpectedControl& e : kExpected) {
    SCOPED_TRACE("control id " + std::to_string(e.Id));
    HWND control = s.Item(e.Id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(_wcsicmp(ClassOf(control).c_str(), e.ClassName), 0)
        << "expected " << Narrow(e.ClassName) << ", got " << Narrow(ClassOf(control));
    if (e.Text != nullptr) {
      EXPECT_EQ(Narrow(WindowText(control)), Narrow(e.Text));
    }
    const DWORD style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE), DWORD{WS_CHILD | WS_VISIBLE});
    EXPECT_EQ(style & e.StyleMask, e.Style) << std::hex << "style 0x" << style;
    EXPECT_EQ(GetWindowLongW(control, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    const RECT r = RectInParent(control);
    if (e.X != 0) {
      EXPECT_EQ(r.left, e.X);
    }
    EXPECT_EQ(r.top, e.Y);
    if (e.W != 0) {
      EXPECT_EQ(r.right - r.left, e.W);
    }
    if (e.H != 0) {
      EXPECT_EQ(r.bottom - r.top, e.H);
    }
  }
}

TEST(MainWindow, SpinSitsInsideTheRightEdgeOfTheAgeBox) {
  Started s;
  ASSERT_STARTED(s);
  HWND edit = s.Item(12);
  HWND spin = s.Item(13);
  ASSERT_NE(spin, nullptr);
  EXPECT_EQ(reinterpret_cast<HWND>(SendWithTimeout(spin, UDM_GETBUDDY, 0, 0)), edit);
  const RECT e = RectInParent(edit);
  const RECT p = RectInParent(spin);
  // The box narrows by the spin's width and the spin takes its place inside the box's original
  // 120..175 (the platform may let the two share the box's border pixels).
  EXPECT_EQ(e.left, 120);
  EXPECT_LT(e.right, 175);
  EXPECT_LE(p.right, 175) << "spin " << p.left << ".." << p.right;
  EXPECT_GE(p.right, e.right) << "spin " << p.left << ".." << p.right << ", box ends at " << e.right;
  EXPECT_LE(p.left, e.right) << "spin " << p.left << ".." << p.right << ", box ends at " << e.right;
  EXPECT_GT(p.left, e.left);
  EXPECT_NE(p.left, 160) << "the spin's own creation rectangle must not show";
  const LRESULT range = SendWithTimeout(spin, UDM_GETRANGE, 0, 0);
  EXPECT_EQ(HIWORD(range), 1) << "lower bound";
  EXPECT_EQ(LOWORD(range), 1000) << "upper bound";
}

TEST(MainWindow, SpinStepsByOneAndStopsAtTheBounds) {
  Started s;
  ASSERT_STARTED(s);
  HWND edit = s.Item(12);
  auto press = [&](WPARAM key) {
    PostMessageW(edit, WM_KEYDOWN, key, 1);
    PostMessageW(edit, WM_KEYUP, key, 0xC0000001);
    LetProgramSettle(s.Program.Window, 0);
  };
  press(VK_UP);
  EXPECT_EQ(Narrow(WindowText(edit)), "31");
  press(VK_DOWN);
  press(VK_DOWN);
  EXPECT_EQ(Narrow(WindowText(edit)), "29");
  ASSERT_TRUE(SetWindowTextRemote(edit, L"999"));
  press(VK_UP);
  EXPECT_EQ(Narrow(WindowText(edit)), "1000") << "plain digits, no thousands separator";
  press(VK_UP);
  EXPECT_EQ(Narrow(WindowText(edit)), "1000");
  ASSERT_TRUE(SetWindowTextRemote(edit, L"1"));
  press(VK_DOWN);
  EXPECT_EQ(Narrow(WindowText(edit)), "1");
}

TEST(MainWindow, CheckBoxesStartWithTheOptionDefaults) {
  Started s;
  ASSERT_STARTED(s);
  for (const auto& [id, state] : kCheckStates) {
    EXPECT_EQ(CheckState(s.Item(id)), state) << "check box " << id;
  }
}

TEST(MainWindow, TimestampListOffersThreeBasesWithLastModifiedChosen) {
  Started s;
  ASSERT_STARTED(s);
  HWND combo = s.Item(31);
  ASSERT_EQ(SendWithTimeout(combo, CB_GETCOUNT, 0, 0), 3);
  const wchar_t* items[] = {L"Creation date", L"Last access", L"Last modified"};
  for (int i = 0; i < 3; ++i) {
    wchar_t text[64] = {};
    SendWithTimeout(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(Narrow(text), Narrow(items[i])) << "item " << i;
  }
  EXPECT_EQ(SendWithTimeout(combo, CB_GETCURSEL, 0, 0), 2);
}

TEST(MainWindow, PathDefaultsComeFromTheWindowsDriveAndTheWorkingFolder) {
  Started s;
  ASSERT_STARTED(s);
  wchar_t windows[MAX_PATH + 1] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  EXPECT_EQ(Narrow(WindowText(s.Item(25))), Narrow(std::wstring(windows).substr(0, 3)));
  EXPECT_EQ(Narrow(WindowText(s.Item(28))), Narrow(s.Folder.Path + L"\\FNXResults.txt"));
}

TEST(MainWindow, ChildrenComeInCreationOrderAndNothingHasTheFocus) {
  Started s;
  ASSERT_STARTED(s);
  std::vector<int> ids, tabStops;
  for (HWND child = GetWindow(s.Program.Window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    ids.push_back(GetDlgCtrlID(child));
    if (GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP) tabStops.push_back(GetDlgCtrlID(child));
  }
  std::vector<int> all;
  for (int id = 4; id <= 34; ++id) all.push_back(id);
  EXPECT_EQ(ids, all) << "the 31 controls and nothing else, in z order, which is the order of creation";
  const std::vector<int> expectedTabStops = {10, 12, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 25, 26, 28, 29, 31, 32};
  EXPECT_EQ(tabStops, expectedTabStops);
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(s.Program.Window, nullptr), &info));
  EXPECT_TRUE(info.hwndFocus == nullptr || info.hwndFocus == s.Program.Window)
      << "focus on control id " << GetDlgCtrlID(info.hwndFocus);
}

TEST(MainWindow, HelpIconShowsTheProgramIcon) {
  Started s;
  ASSERT_STARTED(s);
  EXPECT_NE(SendWithTimeout(s.Item(4), STM_GETICON, 0, 0), 0);
}

TEST(MainWindow, CommandWithoutAControlChangesNothing) {
  Started s;
  ASSERT_STARTED(s);
  // What the dialog manager sends for Enter and Esc when no control answers them.
  PostMessageW(s.Program.Window, WM_COMMAND, IDOK, 0);
  PostMessageW(s.Program.Window, WM_COMMAND, IDCANCEL, 0);
  LetProgramSettle(s.Program.Window, 0);
  DWORD code = 0;
  EXPECT_FALSE(WaitForExit(s.Program, 200, code));
  EXPECT_TRUE(IsWindowVisible(s.Program.Window));
  EXPECT_EQ(Narrow(WindowText(s.Item(33))), "Waiting for Start scan...");
  EXPECT_EQ(Narrow(WindowText(s.Item(32))), "Start scan");
}

// Pixels of the window, in window coordinates, that no control covers or whose control draws
// no text there, and the colour each must have on the screen.
struct ExpectedPixel {
  int X, Y;
  COLORREF Color;
  const char* Where;
};

TEST(MainWindow, SurfaceShowsBodyBandAndFrame) {
  Started s;
  ASSERT_STARTED(s);
  LetProgramSettle(s.Program.Window, 500);
  const COLORREF body = RGB(45, 45, 48);
  const COLORREF band = RGB(37, 37, 38);
  const COLORREF frame = RGB(0, 0, 0);
  const ExpectedPixel pixels[] = {
      {5, 90, body, "body, left margin"},
      {300, 290, body, "body between the check boxes and the root row"},
      {544, 150, body, "body, right margin"},
      {5, 419, body, "last body row"},
      {5, 420, band, "first band row"},
      {60, 440, band, "band left of the status line"},
      {540, 485, band, "band, bottom right"},
      {110, 10, body, "inside the title label, clear of its text"},
      {525, 125, body, "inside the help text, clear of its text"},
      {103, 447, band, "inside the status line, clear of its text"},
      {300, 468, band, "inside the empty folder line"},
      {0, 0, frame, "top-left corner"},
      {549, 0, frame, "top-right corner"},
      {0, 489, frame, "bottom-left corner"},
      {549, 489, frame, "bottom-right corner"},
      {275, 0, frame, "top edge"},
      {275, 489, frame, "bottom edge in the band"},
      {0, 200, frame, "left edge"},
      {549, 200, frame, "right edge"},
      {0, 450, frame, "left edge in the band"},
      {549, 450, frame, "right edge in the band"},
      {1, 1, body, "just inside the frame"},
      {548, 488, band, "just inside the frame in the band"},
  };
  const RECT r = s.WindowRect();
  for (const ExpectedPixel& p : pixels) {
    const COLORREF seen = ScreenPixel(r.left + p.X, r.top + p.Y);
    EXPECT_EQ(seen, p.Color) << p.Where << " at (" << p.X << ", " << p.Y << "): expected " << ColorText(p.Color)
                             << ", got " << ColorText(seen);
  }
}

TEST(MainWindow, ScreenshotIsSavedForAPersonToLookAt) {
  Started s;
  ASSERT_STARTED(s);
  LetProgramSettle(s.Program.Window, 500);
  const std::wstring path = BuildFolder() + L"\\main_window.bmp";
  DeleteFileW(path.c_str());
  ASSERT_TRUE(SaveScreenshot(path, s.WindowRect()));
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
  const DWORD stride = (kWindowWidth * 3 + 3) & ~3u;
  EXPECT_EQ(data.nFileSizeLow, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + stride * kWindowHeight);
}

TEST(MainWindow, CloseRequestWhileIdleEndsTheProcessWithZero) {
  Started s;
  ASSERT_STARTED(s);
  PostMessageW(s.Program.Window, WM_CLOSE, 0, 0);
  DWORD code = 1234;
  ASSERT_TRUE(WaitForExit(s.Program, 10000, code)) << "still running after WM_CLOSE";
  EXPECT_EQ(code, 0u);
}

TEST(MainWindow, CloseGlyphWhileIdleEndsTheProcessWithZero) {
  Started s;
  ASSERT_STARTED(s);
  ASSERT_TRUE(PostClick(s.Item(7)));
  DWORD code = 1234;
  ASSERT_TRUE(WaitForExit(s.Program, 10000, code)) << "still running after the close glyph";
  EXPECT_EQ(code, 0u);
}

TEST(MainWindow, SecondStartRestoresTheFirstAndExitsWithZero) {
  Started first;
  ASSERT_STARTED(first);
  ASSERT_TRUE(PostClick(first.Item(6)));
  // The click is posted: wait for the program to have handled it, however busy the machine.
  for (int tries = 0; tries < 200 && !IsIconic(first.Program.Window); ++tries) Sleep(50);
  ASSERT_TRUE(IsIconic(first.Program.Window));

  TempFolder otherFolder;
  RunningProgram second;
  ASSERT_TRUE(StartProgram(second, otherFolder.Path));
  DWORD code = 1234;
  ASSERT_TRUE(WaitForExit(second, 20000, code)) << "the second instance kept running";
  EXPECT_EQ(code, 0u);

  LetProgramSettle(first.Program.Window, 0);
  EXPECT_FALSE(IsIconic(first.Program.Window)) << "the first window was not restored";
  EXPECT_TRUE(IsWindowVisible(first.Program.Window));
  EXPECT_EQ(WaitForProcessWindow(second.ProcessId, L"FNX_Wnd_Class", nullptr, 0), nullptr);
  EXPECT_FALSE(WaitForExit(first.Program, 0, code)) << "the first instance ended";
}

}  // namespace
