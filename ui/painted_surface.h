// The look of the tool's two borderless windows: a surface (body, bottom band and a frame)
// painted once with GDI+ into a bitmap that the window class uses as its background brush, so
// that no window of the tool paints anything itself.
#pragma once

#include <windows.h>

// Size and band of a painted surface; the frame runs around the outermost pixels.
struct SurfaceLayout {
  int Width;
  int Height;
  int BandTop;
  int BandHeight;
};

// Starts GDI+ once for the process; it is never shut down. False when it could not start.
bool StartGdiplus();

// Paints a surface into a bitmap and returns a pattern brush of it, owned by the caller; null
// when GDI+ or GDI could not make it. GDI+ must have been started.
HBRUSH PaintSurfaceBrush(const SurfaceLayout& surface);
