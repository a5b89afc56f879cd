// Painted surfaces, palette, fonts, tool tips and centring, in this test program.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "gui_driver.h"
#include "ui/painted_surfaces.h"
#include "window_test_support.h"

namespace {

const COLORREF kBody = RGB(45, 45, 48);
const COLORREF kBand = RGB(37, 37, 38);
const COLORREF kFrame = RGB(0, 0, 0);

// The colour every pixel of a surface must have: frame on the outermost ring, band from the
// band's top row down, body above it.
COLORREF ExpectedSurfacePixel(int x, int y, int width, int height, int bandTop) {
  if (x == 0 || y == 0 || x == width - 1 || y == height - 1) return kFrame;
  return y >= bandTop ? kBand : kBody;
}

// Fills a bitmap of the surface's size with the brush and returns its pixels, top row first.
std::vector<COLORREF> PaintWithBrush(HBRUSH brush, int width, int height) {
  std::vector<COLORREF> out;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  RECT all = {0, 0, width, height};
  SetBrushOrgEx(memory, 0, 0, nullptr);
  FillRect(memory, &all, brush);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) out.push_back(GetPixel(memory, x, y));
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return out;
}

void ExpectSurface(int width, int height, int bandTop, int bandHeight) {
  ASSERT_TRUE(StartGdiplus());
  HBRUSH brush = PaintSurfaceBrush(width, height, bandTop, bandHeight);
  ASSERT_NE(brush, nullptr);
  const std::vector<COLORREF> pixels = PaintWithBrush(brush, width, height);
  DeleteObject(brush);
  int wrong = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const COLORREF expected = ExpectedSurfacePixel(x, y, width, height, bandTop);
      const COLORREF seen = pixels[static_cast<size_t>(y) * width + x];
      if (seen != expected && ++wrong <= 5) {
        ADD_FAILURE() << width << "x" << height << " at (" << x << ", " << y << "): expected " << ColorText(expected)
                      << ", got " << ColorText(seen);
      }
    }
  }
  EXPECT_EQ(wrong, 0) << "pixels of the wrong colour";
}

TEST(PaintedSurfaces, MainSurfaceHasBodyBandAndFrameEverywhere) { ExpectSurface(550, 490, 420, 70); }

TEST(PaintedSurfaces, BoxSurfaceHasBodyBandAndFrameEverywhere) { ExpectSurface(300, 200, 150, 50); }

TEST(PaintedSurfaces, ControlBrushesAreSolidSurfaceAndBandColours) {
  CreateControlBrushes();
  LOGBRUSH surface{}, band{};
  ASSERT_EQ(GetObjectW(SurfaceBrush, sizeof(surface), &surface), static_cast<int>(sizeof(surface)));
  ASSERT_EQ(GetObjectW(BandBrush, sizeof(band), &band), static_cast<int>(sizeof(band)));
  EXPECT_EQ(surface.lbStyle, static_cast<UINT>(BS_SOLID));
  EXPECT_EQ(surface.lbColor, kBody) << ColorText(surface.lbColor);
  EXPECT_EQ(band.lbColor, kBand) << ColorText(band.lbColor);
  DeleteControlBrushes();
  EXPECT_EQ(SurfaceBrush, nullptr);
  EXPECT_EQ(BandBrush, nullptr);
}

TEST(PaintedSurfaces, RepeatedPaintingLeaksNoGdiObject) {
  ASSERT_TRUE(StartGdiplus());
  DeleteObject(PaintSurfaceBrush(300, 200, 150, 50));
  const DWORD before = LiveGdiObjects();
  for (int i = 0; i < 200; ++i) DeleteObject(PaintSurfaceBrush(300, 200, 150, 50));
  const DWORD after = LiveGdiObjects();
  EXPECT_EQ(after, before) << "GDI objects before " << before << ", after 200 paintings " << after;
}

TEST(FontSizes, PointsBecomeNegatedPixelsAtNinetySixPerInch) {
  // points * 96 / 72, truncated toward zero, negated.
  const std::pair<double, int> cases[] = {{9, -12}, {8.5, -11}, {12, -16}, {10, -13}, {7.5, -10}, {1, -1}, {0.75, -1}};
  for (const auto& [points, pixels] : cases) EXPECT_EQ(FontPixelHeight(points), pixels) << points << " points";
}

LOGFONTW FontOf(HWND control) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
  return font;
}

TEST(FontSizes, SetControlFontGivesTheControlItsFont) {
  HWND label = CreateWindowExW(0, L"Static", L"x", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(label, nullptr);
  struct Case {
    double Points;
    int Weight;
    const wchar_t* Face;
    LONG Height;
    LONG ExpectedWeight;
  };
  const Case cases[] = {{0, 0, L"Arial", -11, 400}, {9, 800, L"Arial", -12, 800}, {12, 400, L"Tahoma", -16, 400}};
  for (const Case& c : cases) {
    HFONT font = SetControlFont(label, c.Points, c.Weight, c.Face);
    ASSERT_NE(font, nullptr);
    const LOGFONTW seen = FontOf(label);
    EXPECT_EQ(seen.lfHeight, c.Height) << c.Points << " points";
    EXPECT_EQ(seen.lfWeight, c.ExpectedWeight);
    EXPECT_EQ(Narrow(seen.lfFaceName), Narrow(c.Face));
    EXPECT_EQ(seen.lfQuality, 9);
    EXPECT_EQ(seen.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(seen.lfWidth, 0);
    EXPECT_FALSE(seen.lfItalic || seen.lfUnderline || seen.lfStrikeOut);
    SendMessageW(label, WM_SETFONT, 0, FALSE);
    DeleteObject(font);
  }
  EXPECT_EQ(SetControlFont(nullptr, 9, 800, L"Arial"), nullptr);
  DestroyWindow(label);
}

TEST(Centring, HalfDifferencesAreTruncatedTowardZero) {
  struct Case {
    RECT Window;
    RECT Client;
    LONG X, Y;
  };
  const Case cases[] = {
      // The box over the main window lands 125 right and 145 below its corner.
      {{0, 0, 300, 200}, {365, 267, 915, 757}, 490, 412},
      {{10, 10, 311, 211}, {0, 0, 550, 490}, 124, 144},
      // Larger than the reference: negative offsets, odd ones truncated toward zero, not down.
      {{0, 0, 600, 500}, {100, 100, 650, 590}, 75, 95},
      {{0, 0, 551, 491}, {100, 100, 650, 590}, 100, 100},
  };
  for (const Case& c : cases) {
    const POINT p = CenteredPosition(c.Window, c.Client);
    EXPECT_EQ(p.x, c.X);
    EXPECT_EQ(p.y, c.Y);
  }
}

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakePopup(int x, int y, int width, int height) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"FNX_SurfaceTest";
  RegisterClassW(&wc);
  return CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, x, y, width, height, nullptr, nullptr, wc.hInstance,
                         nullptr);
}

TEST(Centring, OverTheMainWindowOrTheDesktop) {
  HWND main = MakePopup(100, 50, 550, 490);
  HWND box = MakePopup(0, 0, 300, 200);
  ASSERT_TRUE(main && box);
  SetOwnerWindow(main);
  ASSERT_TRUE(CenterOverMainWindow(box));
  RECT r{};
  GetWindowRect(box, &r);
  EXPECT_EQ(r.left, 225);
  EXPECT_EQ(r.top, 195);
  EXPECT_EQ(r.right - r.left, 300) << "size kept";

  SetOwnerWindow(nullptr);
  ASSERT_TRUE(CenterOverMainWindow(box));
  GetWindowRect(box, &r);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 300) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 200) / 2);
  DestroyWindow(box);
  EXPECT_FALSE(CenterOverMainWindow(box)) << "a window that is gone cannot be centred";
  DestroyWindow(main);
}

TEST(ToolTips, ControlsAreRegisteredWithTheirTexts) {
  HWND main = MakePopup(100, 50, 550, 490);
  HWND glyph = CreateWindowExW(0, L"Static", L"x", WS_CHILD | WS_VISIBLE | SS_NOTIFY, 510, 6, 15, 20, main, nullptr,
                               nullptr, nullptr);
  ASSERT_TRUE(main && glyph);
  SetOwnerWindow(main);
  HWND tips = CreateToolTipWindow();
  ASSERT_NE(tips, nullptr);
  EXPECT_TRUE(GetWindowLongW(tips, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(GetWindow(tips, GW_OWNER), main);
  const LONG style = GetWindowLongW(tips, GWL_STYLE);
  EXPECT_EQ(style & (TTS_ALWAYSTIP | TTS_NOPREFIX), TTS_ALWAYSTIP | TTS_NOPREFIX);
  AddToolTip(glyph, L"Close");
  EXPECT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 1);
  wchar_t text[80] = {};
  TOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.hwnd = main;
  info.uId = reinterpret_cast<UINT_PTR>(glyph);
  info.lpszText = text;
  SendMessageW(tips, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(Narrow(text), "Close");
  SetOwnerWindow(nullptr);
  DestroyWindow(tips);
  DestroyWindow(main);
}

}  // namespace
