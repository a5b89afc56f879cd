#include "ui/display_scale.h"

#include <windows.h>

namespace {
int displayDpi = 96;  // the system's DPI, read at start-up
}  // namespace

int ScaledBy(int pixels, int dpi) { return MulDiv(pixels, dpi, 96); }

void ReadDisplayDpi() {
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  if (dpi > 0) displayDpi = dpi;
}

int Scaled(int pixels) { return ScaledBy(pixels, displayDpi); }
