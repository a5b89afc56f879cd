#include "ui/painted_surface.h"

#include <gdiplus.h>

#include <cstdint>
#include <memory>
#include <type_traits>

#include "platform/scope_guard.h"
#include "ui/display_scale.h"
#include "ui/palette.h"

using namespace Gdiplus::DllExports;

namespace {

ULONG_PTR gdiplusToken = 0;  // non-zero once GDI+ runs; it is never shut down

constexpr COLORREF FrameColor = RGB(0, 0, 0);  // the 1-pixel frame of both surfaces

// Opaque GDI+ ARGB form of a palette colour (GDI keeps red in the low byte, GDI+ in bits 16-23).
constexpr uint32_t OpaqueArgb(COLORREF color) {
  return 0xFF000000u | (uint32_t{GetRValue(color)} << 16) | (uint32_t{GetGValue(color)} << 8) |
         uint32_t{GetBValue(color)};
}

struct GraphicsDeleter {
  void operator()(Gdiplus::GpGraphics* g) const { GdipDeleteGraphics(g); }
};
struct ImageDeleter {
  void operator()(Gdiplus::GpBitmap* b) const { GdipDisposeImage(b); }
};
struct BrushDeleter {
  void operator()(Gdiplus::GpSolidFill* b) const { GdipDeleteBrush(b); }
};
using UniqueGraphics = std::unique_ptr<Gdiplus::GpGraphics, GraphicsDeleter>;
using UniqueBitmap = std::unique_ptr<Gdiplus::GpBitmap, ImageDeleter>;
using UniqueFill = std::unique_ptr<Gdiplus::GpSolidFill, BrushDeleter>;

void FillSolid(Gdiplus::GpGraphics* graphics, COLORREF color, int x, int y, int width, int height) {
  Gdiplus::GpSolidFill* raw = nullptr;
  if (GdipCreateSolidFill(OpaqueArgb(color), &raw) != Gdiplus::Ok) return;
  UniqueFill fill(raw);
  GdipFillRectangleI(graphics, fill.get(), x, y, width, height);
}

}  // namespace

void StartGdiplus() {
  if (gdiplusToken != 0) return;
  Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, background thread kept
  Gdiplus::GdiplusStartup(&gdiplusToken, &input, nullptr);
}

HBRUSH PaintSurfaceBrush(const SurfaceLayout& design) {
  const int width = Scaled(design.Width), height = Scaled(design.Height);
  const int bandTop = Scaled(design.BandTop), frame = Scaled(1);
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
  FillSolid(graphics.get(), BandColor, 0, bandTop, width, height - bandTop);
  // The frame covers the outermost rows and columns on each side, one at 96 DPI.
  FillSolid(graphics.get(), FrameColor, 0, 0, width, frame);
  FillSolid(graphics.get(), FrameColor, 0, height - frame, width, frame);
  FillSolid(graphics.get(), FrameColor, 0, 0, frame, height);
  FillSolid(graphics.get(), FrameColor, width - frame, 0, frame, height);
  GdipFlush(graphics.get(), Gdiplus::FlushIntentionSync);

  HBITMAP rawGdiBitmap = nullptr;
  if (GdipCreateHBITMAPFromBitmap(bitmap.get(), &rawGdiBitmap, 0) != Gdiplus::Ok) return nullptr;
  UniqueGdiObject<HBITMAP> gdiBitmap(rawGdiBitmap);
  // The brush keeps its own copy of the pixels, so the bitmaps go right away.
  return CreatePatternBrush(gdiBitmap.get());
}
