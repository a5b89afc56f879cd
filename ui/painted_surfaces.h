// The look shared by the tool's two borderless windows: a surface bitmap painted once with
// GDI+ and used as the window class's background brush, a small fixed palette, the two solid
// control brushes, fonts, tool tips and centring. Every position and size is a fixed pixel
// value; nothing here reads the display's DPI (the manifest declares the tool DPI aware).
#pragma once

#include <windows.h>

#include <cstdint>

// The palette.
constexpr COLORREF SurfaceColor = RGB(45, 45, 48);       // body of both surfaces
constexpr COLORREF BandColor = RGB(37, 37, 38);          // bottom band of both surfaces
constexpr COLORREF FrameColor = RGB(0, 0, 0);            // 1-pixel frame of both surfaces
constexpr COLORREF LabelTextColor = RGB(255, 255, 255);  // labels, check boxes, buttons, glyphs
constexpr COLORREF HelpTextColor = RGB(159, 159, 175);   // the pattern help text
constexpr COLORREF StatusTextColor = RGB(175, 159, 159); // the status and folder lines

// Opaque GDI+ ARGB form of a palette colour (GDI keeps red in the low byte, GDI+ in bits 16-23).
constexpr uint32_t OpaqueArgb(COLORREF color) {
  return 0xFF000000u | (uint32_t{GetRValue(color)} << 16) | (uint32_t{GetGValue(color)} << 8) |
         uint32_t{GetBValue(color)};
}

// Size and band of a painted surface; the frame runs around the outermost pixels.
struct SurfaceLayout {
  int Width;
  int Height;
  int BandTop;
  int BandHeight;
};
constexpr SurfaceLayout kMainSurface{550, 490, 420, 70};
constexpr SurfaceLayout kBoxSurface{300, 200, 150, 50};

// Solid SurfaceColor brush: background of every control on the body (and of the box's children).
extern HBRUSH SurfaceBrush;
// Solid BandColor brush: background of the controls in the main window's bottom band.
extern HBRUSH BandBrush;

// Makes SurfaceBrush and BandBrush; a brush that cannot be made stays null.
void CreateControlBrushes();
// Frees both control brushes (on an accepted close of the main window).
void DeleteControlBrushes();

// The shell hands over its main window: owner of the tool tips and of the message box, the
// reference window for centring. Null until the main window exists.
void SetOwnerWindow(HWND window);
HWND OwnerWindow();

// Starts GDI+ once for the process; it is never shut down. False when it could not start.
bool StartGdiplus();

// Paints a surface (body, band, frame) into a bitmap and returns a pattern brush of it, owned
// by the caller; null when GDI+ or GDI could not make it. GDI+ must have been started.
HBRUSH PaintSurfaceBrush(int width, int height, int bandTop, int bandHeight);

// Gives a control a font of the tool's standard parameters (quality 9, default charset) with the
// given character height in pixels, without redraw, and returns the font (the caller decides how
// long it lives); null, and the control unchanged, on failure.
HFONT SetControlPixelFont(HWND control, const wchar_t* face, int pixelHeight, int weight);

// The one tool-tip window of the process, owned by the main window; it lives until the end.
HWND CreateToolTipWindow();
// Registers a control with the tool-tip window; the text must outlive the control.
void AddToolTip(HWND control, const wchar_t* text);

// Centres a window over the main window's client area (the desktop's when there is no main
// window), each half-difference truncated toward zero, without repaint; false when a rectangle
// could not be read or the move failed.
bool CenterOverMainWindow(HWND window);
