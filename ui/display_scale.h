// The display's scale. The window's design is in pixels of a 96-DPI display; every position,
// size, font height and line width is scaled by the display's DPI / 96 when it is made, rounded
// as Windows rounds (MulDiv: to the nearest, halves away from zero), so that at 100% nothing
// changes and at 200% the tool is as large on the screen as every other window. The DPI is read
// once at start-up: the one the system gives every DPI-aware program (Windows 7 has no other).
#pragma once

// `pixels` of the 96-DPI design at `dpi`.
int ScaledBy(int pixels, int dpi);

// Reads the system's DPI once for the process (96 until then, and where it cannot be read).
void ReadDisplayDpi();

// `pixels` of the 96-DPI design on this display.
int Scaled(int pixels);
