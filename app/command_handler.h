// The main window's command handler: every control notification and every close request
// arrives here, and the control is recognised by its handle alone.
#pragma once

#include <windows.h>

// The handle HandleCommand receives for a close request of the main window.
inline HWND CloseRequest() { return reinterpret_cast<HWND>(static_cast<INT_PTR>(-1)); }

// Acts on a control's notification, or on a close request (CloseRequest()). Returns false
// only for a close request while no scan runs, meaning the window may close.
bool HandleCommand(HWND control);
