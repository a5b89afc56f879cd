// The colours of the tool's two painted windows and the two solid brushes their controls are
// drawn on, so that a control's rectangle is exactly the colour of the surface behind it.
#pragma once

#include <windows.h>

constexpr COLORREF SurfaceColor = RGB(45, 45, 48);       // body of both surfaces
constexpr COLORREF BandColor = RGB(37, 37, 38);          // bottom band of both surfaces
constexpr COLORREF LabelTextColor = RGB(255, 255, 255);  // labels, check boxes, buttons, glyphs
constexpr COLORREF HelpTextColor = RGB(159, 159, 175);   // the pattern help text
constexpr COLORREF StatusTextColor = RGB(175, 159, 159); // the status and folder lines

// Solid SurfaceColor brush: background of every control on the body (and of the box's children).
extern HBRUSH SurfaceBrush;
// Solid BandColor brush: background of the controls in the main window's bottom band.
extern HBRUSH BandBrush;

// Makes SurfaceBrush and BandBrush; a brush that cannot be made stays null.
void CreateControlBrushes();
// Frees both control brushes (on an accepted close of the main window).
void DeleteControlBrushes();
