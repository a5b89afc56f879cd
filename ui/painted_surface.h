// The look of the tool's two borderless windows: a surface (body, bottom band and a frame)
// painted once with GDI+ into a bitmap that the window class uses as its background brush, so
// that no window of the tool paints anything itself.
#pragma once

#include <windows.h>

// Size and band of a painted surface in pixels of the 96-DPI design; the band runs to the
// bottom, and the frame around the outermost pixels.
struct SurfaceLayout {
  int Width;
  int Height;
  int BandTop;
};

// Starts GDI+ once for the process; it is never shut down.
void StartGdiplus();

// Paints a surface at the display's scale into a bitmap and returns a pattern brush of it, owned
// by the caller; null when GDI+ or GDI could not make it. GDI+ must have been started.
HBRUSH PaintSurfaceBrush(const SurfaceLayout& surface);
