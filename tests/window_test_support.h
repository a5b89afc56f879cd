// Helpers for the in-process window tests: acting on the message box from inside its own
// modal loop, and counting the process's GDI and window objects.
#pragma once

#include <windows.h>

#include <functional>

// Shows the box and runs `act` on it from inside the box's loop (through a thread timer),
// once the box exists; returns what ShowMessageBox returned. When `act` leaves the box open,
// a close request ends it after 10 s and `stuck` (when given) is set.
int ShowBoxAndAct(const wchar_t* message, const wchar_t* right, const wchar_t* left,
                  const std::function<void(HWND box)>& act, bool* stuck = nullptr);

// Live GDI objects of this process: the system's count where it keeps one, else (Wine) the
// entries of the process's GDI handle table that name an object.
DWORD LiveGdiObjects();
// Live window-manager objects: the system's count where it keeps one, else the windows of
// this thread with all their descendants.
DWORD LiveUserObjects();

// Dispatches whatever is waiting for this thread, without ending on WM_QUIT (it is left).
void DispatchWaiting();
