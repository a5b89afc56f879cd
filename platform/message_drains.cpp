#include "platform/message_drains.h"

namespace {
constexpr long long kDrainIntervalMicroseconds = 25000;  // the least time between two looks at the queue
HWND dialogWindow = nullptr;        // the main window once it exists
BeforeDrain beforeDrain = nullptr;  // what brings the window up to date before it paints
long long lastDrain = 0;            // performance-counter time of the last drain

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

// Hands one message to the dialog manager of `dialog` (unless it is null) or to its window.
void Dispatch(MSG& message, HWND dialog) {
  if (dialog != nullptr && IsDialogMessageW(dialog, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

// Dispatches every waiting message.
void Drain(HWND dialog) {
  if (beforeDrain != nullptr) beforeDrain();
  lastDrain = Now();
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) Dispatch(message, dialog);
}

// A quit message taken by a drain is consumed like any other: none is posted while a scan runs,
// because close requests then become stop requests.
void PumpMessages() { Drain(dialogWindow); }

}  // namespace

bool RunMessageLoop(HWND dialog, int& exitCode) {
  MSG message{};
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) Dispatch(message, dialog);
  if (got != 0) return false;
  exitCode = static_cast<int>(message.wParam);
  return true;
}

void SetDialogWindow(HWND window) { dialogWindow = window; }

void SetBeforeDrain(BeforeDrain drain) { beforeDrain = drain; }

void DrainMessageQueue() { Drain(nullptr); }

void DrainMessageQueueWhenDue() {
  if (DrainIsDue(Now(), lastDrain, Frequency())) Drain(nullptr);
}

bool DrainIsDue(long long now, long long last, long long frequency) {
  const unsigned long long interval =
      static_cast<unsigned long long>(frequency) * kDrainIntervalMicroseconds / 1000000;
  // Unsigned, so that a counter read before `last` (it never should be) drains rather than wraps.
  return static_cast<unsigned long long>(now) - static_cast<unsigned long long>(last) >= interval;
}

void StartDrainClock() { lastDrain = Now(); }

void DrainScanWhenDue(TextFile* log, TextFile* folderList) {
  if (!DrainIsDue(Now(), lastDrain, Frequency())) return;
  // What the scan has found so far is on disk within a drain interval, even if the process is
  // killed before the log is closed, and a disk that fills is noticed within one.
  FlushTextFile(log);
  if (folderList != nullptr) FlushTextFile(folderList);
  PumpMessages();
}
