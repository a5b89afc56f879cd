// The decisions of the shell and the box as functions of values, and the main window built
// inside this test program, where its fonts, cursors, tool tips and colours can be read.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <set>
#include <string>

#include "app/command_handler.h"
#include "app/main_window_controls.h"
#include "app/main_window_proc.h"
#include "app/scan_control.h"
#include "app/start_up.h"
#include "gui_driver.h"
#include "ui/message_box.h"
#include "ui/painted_surfaces.h"
#include "window_test_support.h"

namespace {

HWND Fake(int n) { return reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7000 + n)); }
const HWND kMinusOne = reinterpret_cast<HWND>(static_cast<INT_PTR>(-1));

// Fills ControlTable with recognisable fake handles for the length of a test.
struct FakeControls {
  std::array<HWND, kLastControlId + 1> Saved{};
  FakeControls() {
    std::copy(std::begin(ControlTable), std::end(ControlTable), Saved.begin());
    for (int id = kFirstControlId; id <= kLastControlId; ++id) ControlTable[id] = Fake(id);
  }
  ~FakeControls() { std::copy(Saved.begin(), Saved.end(), std::begin(ControlTable)); }
};

TEST(CommandDispatch, EachControlLeadsToItsActionIdleAndScanning) {
  FakeControls fake;
  struct Row {
    HWND Control;
    const char* Name;
    CommandAction Idle;
    CommandAction WhileScanning;
  };
  const Row rows[] = {
      {Fake(4), "HelpIcon", CommandAction::OpenHelpPage, CommandAction::OpenHelpPage},
      {Fake(5), "TitleLabel", CommandAction::DragWindow, CommandAction::DragWindow},
      {Fake(6), "MinimizeGlyph", CommandAction::Minimize, CommandAction::Minimize},
      {Fake(7), "CloseGlyph", CommandAction::CloseTool, CommandAction::RequestStop},
      {Fake(26), "BrowseRootButton", CommandAction::BrowseRoot, CommandAction::Ignore},
      {Fake(29), "BrowseLogButton", CommandAction::BrowseLog, CommandAction::Ignore},
      {Fake(32), "StartScanButton", CommandAction::StartScan, CommandAction::RequestStop},
      {kMinusOne, "close request", CommandAction::AllowClose, CommandAction::RequestStop},
      {Fake(10), "PatternEdit", CommandAction::Ignore, CommandAction::Ignore},
      {Fake(31), "TimestampCombo", CommandAction::Ignore, CommandAction::Ignore},
      {Fake(14), "a check box", CommandAction::Ignore, CommandAction::Ignore},
      {Fake(34), "FolderLine", CommandAction::Ignore, CommandAction::Ignore},
      {Fake(99), "a stranger window", CommandAction::Ignore, CommandAction::Ignore},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(static_cast<int>(DecideCommand(r.Control, false)), static_cast<int>(r.Idle)) << r.Name << ", idle";
    EXPECT_EQ(static_cast<int>(DecideCommand(r.Control, true)), static_cast<int>(r.WhileScanning))
        << r.Name << ", scanning";
  }
}

TEST(CommandDispatch, ControlsThatFailedToBeMadeMatchNothing) {
  FakeControls fake;
  ControlTable[StartScanButtonId] = nullptr;
  ControlTable[CloseGlyphId] = nullptr;
  EXPECT_EQ(static_cast<int>(DecideCommand(nullptr, false)), static_cast<int>(CommandAction::Ignore));
  EXPECT_EQ(static_cast<int>(DecideCommand(nullptr, true)), static_cast<int>(CommandAction::Ignore));
}

TEST(CommandDispatch, CloseRequestMayCloseOnlyWhileIdle) {
  FakeControls fake;
  ASSERT_FALSE(Scanning);
  EXPECT_FALSE(HandleCommand(kMinusOne));
  EXPECT_TRUE(HandleCommand(Fake(10))) << "anything but an idle close request answers true";
  EXPECT_TRUE(HandleCommand(Fake(99)));
}

TEST(CursorRule, HandOverChromeArrowOverSurfaceControlsKeepTheirOwn) {
  struct Row {
    PointerPlace Place;
    bool Before;
    CursorToSet Set;
    bool After;
    BOOL Answer;
  };
  const Row rows[] = {
      {PointerPlace::Chrome, false, CursorToSet::Hand, true, TRUE},
      {PointerPlace::Chrome, true, CursorToSet::None, true, TRUE},
      {PointerPlace::Surface, true, CursorToSet::Arrow, false, FALSE},
      {PointerPlace::Surface, false, CursorToSet::Arrow, false, FALSE},
      {PointerPlace::OtherControl, false, CursorToSet::None, false, FALSE},
      {PointerPlace::OtherControl, true, CursorToSet::None, true, TRUE},
  };
  for (const Row& r : rows) {
    const CursorDecision d = DecideCursor(r.Place, r.Before);
    SCOPED_TRACE("place " + std::to_string(static_cast<int>(r.Place)) + ", flag before " + std::to_string(r.Before));
    EXPECT_EQ(static_cast<int>(d.Set), static_cast<int>(r.Set));
    EXPECT_EQ(d.HandShown, r.After);
    EXPECT_EQ(d.Answer, r.Answer);
  }
}

TEST(BoxAnswers, ByTheSenderOfTheCommand) {
  const HWND label = Fake(47), left = Fake(48), right = Fake(49);
  EXPECT_EQ(DecideBoxAction(WM_COMMAND, right, label, left, right), BoxAction::AnswerRight);
  EXPECT_EQ(DecideBoxAction(WM_COMMAND, left, label, left, right), BoxAction::AnswerLeft);
  EXPECT_EQ(DecideBoxAction(WM_COMMAND, label, label, left, right), BoxAction::DragBox);
  EXPECT_EQ(DecideBoxAction(WM_CLOSE, nullptr, label, left, right), BoxAction::AnswerRight);
  EXPECT_EQ(DecideBoxAction(WM_COMMAND, nullptr, label, left, right), BoxAction::Nothing);
  EXPECT_EQ(DecideBoxAction(WM_COMMAND, Fake(1), label, left, right), BoxAction::Nothing);
  // Buttons not asked for are recorded as -1, which no sender ever is.
  EXPECT_EQ(DecideBoxAction(WM_COMMAND, nullptr, label, kMinusOne, right), BoxAction::Nothing);
  EXPECT_EQ(DecideBoxAction(WM_CLOSE, nullptr, label, kMinusOne, kMinusOne), BoxAction::AnswerRight);
}

TEST(StartUpDefaults, RootIsTheWindowsFoldersDrive) {
  EXPECT_EQ(Narrow(DefaultRootFrom(L"C:\\Windows")), "C:\\");
  EXPECT_EQ(Narrow(DefaultRootFrom(L"D:\\")), "D:\\");
  EXPECT_EQ(Narrow(DefaultRootFrom(L"C:")), "C:") << "a shorter text stays whole";
  EXPECT_EQ(Narrow(DefaultRootFrom(L"")), "");
}

TEST(StartUpDefaults, LogPathIsTheStartUpDirectoryPlusTheFileName) {
  EXPECT_EQ(Narrow(DefaultLogPathFrom(L"C:\\Users\\me")), "C:\\Users\\me\\FNXResults.txt");
  EXPECT_EQ(Narrow(DefaultLogPathFrom(L"C:\\")), "C:\\\\FNXResults.txt") << "the backslash is added regardless";
  EXPECT_EQ(Narrow(DefaultLogPathFrom(L"")), "\\FNXResults.txt") << "no working directory";
}

TEST(StartUpDefaults, WindowIsCentredOnTheWholeScreen) {
  const struct {
    int W, H;
    LONG X, Y;
  } cases[] = {{1280, 1024, 365, 267}, {1920, 1080, 685, 295}, {1365, 767, 407, 138}, {550, 490, 0, 0}};
  for (const auto& c : cases) {
    const POINT p = MainWindowOrigin(c.W, c.H);
    EXPECT_EQ(p.x, c.X) << c.W << "x" << c.H;
    EXPECT_EQ(p.y, c.Y) << c.W << "x" << c.H;
  }
}

// The real main window, made once in this test program.
class MainWindowInProcess : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    opened = OpenMainWindow(GetModuleHandleW(nullptr));
    DispatchWaiting();
  }
  void SetUp() override { ASSERT_TRUE(opened && MainWindow != nullptr); }
  static bool opened;
};
bool MainWindowInProcess::opened = false;

struct FontRow {
  int Id;
  const wchar_t* Face;
  LONG Height;
  LONG Weight;
};
const FontRow kFonts[] = {
    {5, L"Arial", -26, 800},   {6, L"Tahoma", -21, 800},  {7, L"Tahoma", -16, 800},  {8, L"Verdana", -11, 400},
    {9, L"Verdana", -11, 400}, {10, L"Verdana", -11, 400}, {11, L"Verdana", -11, 400}, {12, L"Verdana", -11, 400},
    {14, L"Verdana", -11, 400}, {15, L"Verdana", -11, 400}, {16, L"Verdana", -11, 400}, {17, L"Verdana", -11, 400},
    {18, L"Verdana", -11, 400}, {19, L"Verdana", -11, 400}, {20, L"Verdana", -11, 400}, {21, L"Verdana", -11, 400},
    {22, L"Verdana", -11, 400}, {23, L"Verdana", -11, 400}, {24, L"Arial", -12, 400},  {25, L"Arial", -12, 400},
    {26, L"Arial", -12, 400},  {27, L"Arial", -12, 400},  {28, L"Arial", -12, 400},  {29, L"Arial", -12, 400},
    {30, L"Arial", -12, 400},  {31, L"Arial", -12, 400},  {32, L"Arial", -12, 800},  {33, L"Verdana", -12, 400},
    {34, L"Verdana", -11, 400},
};

TEST_F(MainWindowInProcess, EachControlHasAFontOfItsOwn) {
  std::set<HFONT> seen;
  for (const FontRow& row : kFonts) {
    SCOPED_TRACE("control id " + std::to_string(row.Id));
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(ControlTable[row.Id], WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    EXPECT_TRUE(seen.insert(font).second) << "font shared with another control";
    LOGFONTW f{};
    ASSERT_EQ(GetObjectW(font, sizeof(f), &f), static_cast<int>(sizeof(f)));
    EXPECT_EQ(Narrow(f.lfFaceName), Narrow(row.Face));
    EXPECT_EQ(f.lfHeight, row.Height);
    EXPECT_EQ(f.lfWeight, row.Weight);
    EXPECT_EQ(f.lfQuality, 9);
    EXPECT_EQ(f.lfCharSet, DEFAULT_CHARSET);
  }
}

TEST_F(MainWindowInProcess, ButtonsChecksAndListShowTheHand) {
  const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
  for (int id : {14, 19, 23, 26, 29, 31, 32}) {
    EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrW(ControlTable[id], GCLP_HCURSOR)), hand) << "control " << id;
  }
  EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrW(ControlTable[PatternEditId], GCLP_HCURSOR)),
            LoadCursorW(nullptr, IDC_IBEAM));
  EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrW(ControlTable[PatternLabelId], GCLP_HCURSOR)),
            LoadCursorW(nullptr, IDC_ARROW));
}

TEST_F(MainWindowInProcess, PointerOverChromeShowsTheHandUntilItCrossesTheSurface) {
  const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
  const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  auto setCursor = [](HWND under) {
    return SendMessageW(MainWindow, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  };
  EXPECT_EQ(setCursor(MainWindow), FALSE);
  EXPECT_EQ(GetCursor(), arrow);
  EXPECT_EQ(setCursor(ControlTable[CloseGlyphId]), TRUE);
  EXPECT_EQ(GetCursor(), hand);
  EXPECT_EQ(setCursor(ControlTable[PatternEditId]), TRUE) << "the hand stays until the surface is crossed";
  EXPECT_EQ(setCursor(MainWindow), FALSE);
  EXPECT_EQ(GetCursor(), arrow);
  EXPECT_EQ(setCursor(ControlTable[TitleLabelId]), FALSE) << "the title drags but shows the arrow";
  EXPECT_EQ(setCursor(ControlTable[HelpIconId]), TRUE);
  EXPECT_EQ(setCursor(ControlTable[MinimizeGlyphId]), TRUE);
  setCursor(MainWindow);
}

TEST_F(MainWindowInProcess, LabelsGetTheirColoursAndBrushes) {
  HDC dc = CreateCompatibleDC(nullptr);
  for (int id : {5, 8, 9, 14, 24, 33, 34}) {
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkMode(dc, OPAQUE);
    const LRESULT brush =
        SendMessageW(MainWindow, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(ControlTable[id]));
    const bool inBand = id == 33 || id == 34;
    const COLORREF text = inBand ? RGB(175, 159, 159) : id == 8 ? RGB(159, 159, 175) : RGB(255, 255, 255);
    LOGBRUSH b{};
    GetObjectW(reinterpret_cast<HBRUSH>(brush), sizeof(b), &b);
    EXPECT_EQ(b.lbColor, inBand ? RGB(37, 37, 38) : RGB(45, 45, 48)) << "control " << id << ": " << ColorText(b.lbColor);
    EXPECT_EQ(GetTextColor(dc), text) << "control " << id << ": " << ColorText(GetTextColor(dc));
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  }
  DeleteDC(dc);
}

TEST_F(MainWindowInProcess, FolderLineHasItsDrawingContext) { EXPECT_NE(FolderLineDC, nullptr); }

TEST_F(MainWindowInProcess, OpenBoxMovesWithTheWindowAndIsCentredOverIt) {
  RECT main{};
  GetWindowRect(MainWindow, &main);
  RECT before{}, after{};
  LRESULT moving = 0;
  ShowBoxAndAct(L"moving", L"OK", nullptr, [&](HWND box) {
    GetWindowRect(box, &before);
    RECT proposed = {main.left + 40, main.top - 25, main.right + 40, main.bottom - 25};
    moving = SendMessageW(MainWindow, WM_MOVING, WMSZ_TOP, reinterpret_cast<LPARAM>(&proposed));
    GetWindowRect(box, &after);
    PostMessageW(box, WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(before.left, main.left + 125);
  EXPECT_EQ(before.top, main.top + 145);
  EXPECT_EQ(moving, TRUE);
  EXPECT_EQ(after.left, before.left + 40);
  EXPECT_EQ(after.top, before.top - 25);
  EXPECT_EQ(after.right - after.left, 300);
  RECT proposed = main;
  EXPECT_EQ(SendMessageW(MainWindow, WM_MOVING, WMSZ_TOP, reinterpret_cast<LPARAM>(&proposed)), TRUE)
      << "also without a box";
}

TEST_F(MainWindowInProcess, AnswersItsIdentificationQuery) {
  EXPECT_EQ(SendMessageW(MainWindow, WM_USER, 0, 0), 0x534B0020);
}

}  // namespace
