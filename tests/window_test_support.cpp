#include "window_test_support.h"

#include "ui/message_box.h"

namespace {

std::function<void(HWND)> pendingAct;  // what the next timer tick does with the open box
bool watchdogFired = false;            // the box had to be closed by the watchdog
UINT_PTR watchdog = 0;                 // the watchdog timer of the current showing

void CALLBACK WatchdogTick(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (HWND box = OpenMessageBox()) {
    watchdogFired = true;
    SendMessageW(box, WM_CLOSE, 0, 0);
  }
}

void CALLBACK ActTick(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = OpenMessageBox();
  if (box == nullptr) return;
  KillTimer(nullptr, id);
  std::function<void(HWND)> act = std::move(pendingAct);
  pendingAct = nullptr;
  if (act) act(box);
  watchdog = SetTimer(nullptr, 0, 10000, WatchdogTick);
}

BOOL CALLBACK CountWindow(HWND window, LPARAM count) {
  ++*reinterpret_cast<DWORD*>(count);
  EnumChildWindows(window, CountWindow, count);
  return TRUE;
}

}  // namespace

int ShowBoxAndAct(const wchar_t* message, const wchar_t* right, const wchar_t* left,
                  const std::function<void(HWND box)>& act, bool* stuck) {
  pendingAct = act;
  watchdogFired = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, ActTick);
  const int result = ShowMessageBox(message, right, left);
  KillTimer(nullptr, timer);
  if (watchdog != 0) KillTimer(nullptr, watchdog);
  watchdog = 0;
  pendingAct = nullptr;
  if (stuck != nullptr) *stuck = watchdogFired;
  return result;
}

DWORD LiveGdiObjects() {
  const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (counted != 0) return counted;
  // Wine keeps no count, but its handle table is indexed by the handle's low word, and a
  // handle without its high word names whatever object lives in that slot.
  DWORD live = 0;
  for (ULONG_PTR index = 1; index < 0x10000; ++index) {
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0) ++live;
  }
  return live;
}

DWORD LiveUserObjects() {
  const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  if (counted != 0) return counted;
  DWORD windows = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

void DispatchWaiting() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
    if (msg.message == WM_QUIT) return;
    PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}
