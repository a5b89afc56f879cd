#include "scan/message_drains.h"

#include "facts/facts_drain.h"
#include "platform/message_queue.h"
#include "scan/folder_line.h"

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

void SetDialogWindow(HWND window) {
  dialogWindow = window;
  SetFactsDrain(window != nullptr ? &DrainMessageQueue : nullptr);
}

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
  ShowNotedFolder();
  lastDrain = Now();
  return DispatchWaitingMessages();
}

bool DrainIsDue(long long now, long long last, long long frequency) {
  const unsigned long long interval =
      static_cast<unsigned long long>(frequency) * kDrainIntervalMicroseconds / 1000000;
  // Unsigned, so that a counter read before `last` (it never should be) drains rather than wraps.
  return static_cast<unsigned long long>(now) - static_cast<unsigned long long>(last) >= interval;
}

void StartDrainClock() { lastDrain = Now(); }

void DrainScanWhenDue(ScanSession& session) {
  if (!DrainIsDue(Now(), lastDrain, Frequency())) return;
  // What the scan has found so far is on disk within a drain interval, even if the process is
  // killed before the log is closed.
  FlushTextFile(session.LogFile.get());
  ShowNotedFolder();
  PumpMessages();
}
