// The main window as the shell hands it to the window services: the owner of the tool tips and
// of the message box, and the window the box is centred over.
#pragma once

#include <windows.h>

// The shell hands over its main window; null until the main window exists.
void SetOwnerWindow(HWND window);
HWND OwnerWindow();

// The one tool-tip window of the process, owned by the main window; it lives until the end.
HWND CreateToolTipWindow();
// Registers a control with the tool-tip window; the text must outlive the control.
void AddToolTip(HWND control, const wchar_t* text);

// Centres a window over the main window's client area (the desktop's when there is no main
// window), each half-difference truncated toward zero, without repaint; false when a rectangle
// could not be read or the move failed.
bool CenterOverMainWindow(HWND window);
