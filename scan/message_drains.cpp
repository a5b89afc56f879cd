#include "scan/message_drains.h"

#include "platform/message_queue.h"

MSG ThreadMessage{};

namespace {
HWND dialogWindow = nullptr;  // the main window once it exists
long long lastDrain = 0;      // performance-counter time of the last drain

long long Now() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

long long Frequency() {
  static const long long frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  return frequency;
}
}  // namespace

void SetDialogWindow(HWND window) { dialogWindow = window; }

HWND DialogWindow() { return dialogWindow; }

void PumpMessages() {
  lastDrain = Now();
  // A quit message taken here is consumed like any other: none is posted while a scan runs,
  // because close requests then become stop requests.
  while (PeekMessageW(&ThreadMessage, nullptr, 0, 0, PM_REMOVE)) {
    if (dialogWindow != nullptr && IsDialogMessageW(dialogWindow, &ThreadMessage)) continue;
    TranslateMessage(&ThreadMessage);
    DispatchMessageW(&ThreadMessage);
  }
}

bool DrainMessageQueue() {
  lastDrain = Now();
  return DispatchWaitingMessages();
}

void PumpMessagesWhenDue() {
  if ((Now() - lastDrain) * 1000000 / Frequency() >= kDrainIntervalMicroseconds) PumpMessages();
}
