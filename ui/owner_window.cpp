#include "ui/owner_window.h"

#include <commctrl.h>

namespace {
HWND ownerWindow = nullptr;    // the main window once the shell has made it
HWND toolTipWindow = nullptr;  // the one tool-tip window, made by CreateToolTipWindow
}  // namespace

void SetOwnerWindow(HWND window) { ownerWindow = window; }

HWND OwnerWindow() { return ownerWindow; }

HWND CreateToolTipWindow() {
  toolTipWindow = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, ownerWindow, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
  if (toolTipWindow != nullptr) {
    SetWindowPos(toolTipWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  return toolTipWindow;
}

void AddToolTip(HWND control, const wchar_t* text) {
  if (toolTipWindow == nullptr || control == nullptr) return;
  TOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = ownerWindow;
  info.uId = reinterpret_cast<UINT_PTR>(control);
  info.lpszText = const_cast<wchar_t*>(text);
  SendMessageW(toolTipWindow, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

bool CenterOverMainWindow(HWND window) {
  HWND reference = ownerWindow != nullptr ? ownerWindow : GetDesktopWindow();
  RECT windowRect;
  RECT client;
  if (!GetWindowRect(window, &windowRect) || !GetClientRect(reference, &client)) return false;
  MapWindowPoints(reference, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
  const LONG width = windowRect.right - windowRect.left, height = windowRect.bottom - windowRect.top;
  return MoveWindow(window, client.left + (client.right - client.left - width) / 2,
                    client.top + (client.bottom - client.top - height) / 2, width, height, FALSE) != FALSE;
}
