// How long the window's painted pieces take: painting a surface into its pattern brush, and
// one whole showing of the message box (paint, class, window, children, loop, clean-up).
#include <windows.h>

#include <cstdio>

#include "ui/message_box.h"
#include "ui/painted_surfaces.h"

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void CALLBACK PressRight(HWND, UINT, UINT_PTR id, DWORD) {
  if (HWND box = OpenMessageBox()) {
    KillTimer(nullptr, id);
    PostMessageW(box, WM_COMMAND, 0, reinterpret_cast<LPARAM>(GetDlgItem(box, kBoxRightButtonId)));
  }
}

}  // namespace

int main() {
  StartGdiplus();
  CreateControlBrushes();
  constexpr int kPaintings = 200;
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  for (int i = 0; i < kPaintings; ++i) {
    DeleteObject(PaintSurfaceBrush(kMainSurface.Width, kMainSurface.Height, kMainSurface.BandTop,
                                   kMainSurface.BandHeight));
  }
  QueryPerformanceCounter(&end);
  printf("main surface 550x490 painted into a brush: %.3f ms each (%d paintings)\n",
         Milliseconds(start, end) / kPaintings, kPaintings);

  constexpr int kShowings = 100;
  QueryPerformanceCounter(&start);
  for (int i = 0; i < kShowings; ++i) {
    SetTimer(nullptr, 0, 1, PressRight);
    ShowMessageBox(L"Are you sure you want to cancel the scan?", L"No", L"Yes");
  }
  QueryPerformanceCounter(&end);
  printf("message box shown and answered: %.2f ms each (%d showings, timer-driven press)\n",
         Milliseconds(start, end) / kShowings, kShowings);
  return 0;
}
