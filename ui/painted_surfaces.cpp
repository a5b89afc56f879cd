#include "ui/painted_surfaces.h"

#include <commctrl.h>
#include <gdiplus.h>

#include <memory>
#include <type_traits>

#include "platform/scope_guard.h"

using namespace Gdiplus::DllExports;

HBRUSH SurfaceBrush = nullptr;
HBRUSH BandBrush = nullptr;

namespace {

HWND ownerWindow = nullptr;    // the main window once the shell has made it
HWND toolTipWindow = nullptr;  // the one tool-tip window, made by CreateToolTipWindow
ULONG_PTR gdiplusToken = 0;    // non-zero once GDI+ runs; it is never shut down

struct GraphicsDeleter {
  void operator()(Gdiplus::GpGraphics* g) const { GdipDeleteGraphics(g); }
};
struct ImageDeleter {
  void operator()(Gdiplus::GpBitmap* b) const { GdipDisposeImage(b); }
};
struct BrushDeleter {
  void operator()(Gdiplus::GpSolidFill* b) const { GdipDeleteBrush(b); }
};
struct PenDeleter {
  void operator()(Gdiplus::GpPen* p) const { GdipDeletePen(p); }
};
using UniqueGraphics = std::unique_ptr<Gdiplus::GpGraphics, GraphicsDeleter>;
using UniqueBitmap = std::unique_ptr<Gdiplus::GpBitmap, ImageDeleter>;
using UniqueFill = std::unique_ptr<Gdiplus::GpSolidFill, BrushDeleter>;
using UniquePen = std::unique_ptr<Gdiplus::GpPen, PenDeleter>;

void FillSolid(Gdiplus::GpGraphics* graphics, COLORREF color, int x, int y, int width, int height) {
  Gdiplus::GpSolidFill* raw = nullptr;
  if (GdipCreateSolidFill(OpaqueArgb(color), &raw) != Gdiplus::Ok) return;
  UniqueFill fill(raw);
  GdipFillRectangleI(graphics, fill.get(), x, y, width, height);
}

}  // namespace

void CreateControlBrushes() {
  DeleteControlBrushes();
  SurfaceBrush = CreateSolidBrush(SurfaceColor);
  BandBrush = CreateSolidBrush(BandColor);
}

void DeleteControlBrushes() {
  if (SurfaceBrush != nullptr) DeleteObject(SurfaceBrush);
  if (BandBrush != nullptr) DeleteObject(BandBrush);
  SurfaceBrush = nullptr;
  BandBrush = nullptr;
}

void SetOwnerWindow(HWND window) { ownerWindow = window; }

HWND OwnerWindow() { return ownerWindow; }

bool StartGdiplus() {
  if (gdiplusToken != 0) return true;
  Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, background thread kept
  return Gdiplus::GdiplusStartup(&gdiplusToken, &input, nullptr) == Gdiplus::Ok;
}

HBRUSH PaintSurfaceBrush(int width, int height, int bandTop, int bandHeight) {
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return nullptr;
  auto releaseScreen = OnScopeExit([screen] { ReleaseDC(nullptr, screen); });

  // The bitmap takes the screen's pixel format, so the pattern brush needs no conversion.
  UniqueBitmap bitmap;
  {
    Gdiplus::GpGraphics* rawScreenGraphics = nullptr;
    if (GdipCreateFromHDC(screen, &rawScreenGraphics) != Gdiplus::Ok) return nullptr;
    UniqueGraphics screenGraphics(rawScreenGraphics);
    Gdiplus::GpBitmap* rawBitmap = nullptr;
    if (GdipCreateBitmapFromGraphics(width, height, screenGraphics.get(), &rawBitmap) != Gdiplus::Ok) {
      return nullptr;
    }
    bitmap.reset(rawBitmap);
  }
  Gdiplus::GpGraphics* rawGraphics = nullptr;
  if (GdipGetImageGraphicsContext(bitmap.get(), &rawGraphics) != Gdiplus::Ok) return nullptr;
  UniqueGraphics graphics(rawGraphics);

  FillSolid(graphics.get(), SurfaceColor, 0, 0, width, height);
  FillSolid(graphics.get(), BandColor, 0, bandTop, width, bandHeight);
  Gdiplus::GpPen* rawPen = nullptr;
  if (GdipCreatePen1(OpaqueArgb(FrameColor), 1.0f, Gdiplus::UnitWorld, &rawPen) == Gdiplus::Ok) {
    UniquePen pen(rawPen);
    // An outline of size (w - 1, h - 1) covers exactly the outermost row and column on each side.
    GdipDrawRectangleI(graphics.get(), pen.get(), 0, 0, width - 1, height - 1);
  }
  GdipFlush(graphics.get(), Gdiplus::FlushIntentionSync);

  HBITMAP rawGdiBitmap = nullptr;
  if (GdipCreateHBITMAPFromBitmap(bitmap.get(), &rawGdiBitmap, 0) != Gdiplus::Ok) return nullptr;
  UniqueGdiObject<HBITMAP> gdiBitmap(rawGdiBitmap);
  // The brush keeps its own copy of the pixels, so the bitmaps go right away.
  return CreatePatternBrush(gdiBitmap.get());
}

HFONT SetControlPixelFont(HWND control, const wchar_t* face, int pixelHeight, int weight) {
  if (control == nullptr) return nullptr;
  // Quality 9 is CLEARTYPE_NATURAL_QUALITY.
  HFONT font = CreateFontW(-pixelHeight, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, 9, DEFAULT_PITCH | FF_DONTCARE, face);
  if (font != nullptr) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return font;
}

HWND CreateToolTipWindow() {
  toolTipWindow = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, ownerWindow, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
  if (toolTipWindow != nullptr) {
    SetWindowPos(toolTipWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  return toolTipWindow;
}

void AddToolTip(HWND control, const wchar_t* text) {
  if (toolTipWindow == nullptr || control == nullptr) return;
  TOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = ownerWindow;
  info.uId = reinterpret_cast<UINT_PTR>(control);
  info.lpszText = const_cast<wchar_t*>(text);
  SendMessageW(toolTipWindow, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

bool CenterOverMainWindow(HWND window) {
  HWND reference = ownerWindow != nullptr ? ownerWindow : GetDesktopWindow();
  RECT windowRect;
  RECT client;
  if (!GetWindowRect(window, &windowRect) || !GetClientRect(reference, &client)) return false;
  MapWindowPoints(reference, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
  const LONG width = windowRect.right - windowRect.left, height = windowRect.bottom - windowRect.top;
  return MoveWindow(window, client.left + (client.right - client.left - width) / 2,
                    client.top + (client.bottom - client.top - height) / 2, width, height, FALSE) != FALSE;
}
