// The fonts of the tool's controls: one font object per control, of the tool's standard
// parameters, given without redraw.
#pragma once

#include <windows.h>

// Gives a control a font (quality 9, default charset) with the given character height in pixels
// of the 96-DPI design, scaled to the display, and returns it (the caller decides how long it
// lives); null, and the control unchanged, on failure.
HFONT SetControlPixelFont(HWND control, const wchar_t* face, int pixelHeight, int weight);
