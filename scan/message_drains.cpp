#include "scan/message_drains.h"

MSG ThreadMessage{};

namespace {
HWND dialogWindow = nullptr;  // the main window once it exists
}

void SetDialogWindow(HWND window) { dialogWindow = window; }

HWND DialogWindow() { return dialogWindow; }

void PumpMessages() {
  // A quit message taken here is consumed like any other: none is posted while a scan runs,
  // because close requests then become stop requests.
  while (PeekMessageW(&ThreadMessage, nullptr, 0, 0, PM_REMOVE)) {
    if (dialogWindow != nullptr && IsDialogMessageW(dialogWindow, &ThreadMessage)) continue;
    TranslateMessage(&ThreadMessage);
    DispatchMessageW(&ThreadMessage);
  }
}

bool DrainMessageQueue() {
  MSG message;
  bool handled = false;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
    handled = true;
  }
  return handled;
}
