// The queue drains on a real window of this thread.
#include <gtest/gtest.h>

#include <windows.h>

#include "scan/message_drains.h"

namespace {

int seen = 0;              // messages of kCounted the test window received
int repostsLeft = 0;       // how many more the window posts to itself from inside a dispatch
constexpr UINT kCounted = WM_APP + 7;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kCounted) {
    ++seen;
    if (repostsLeft > 0) {
      --repostsLeft;
      PostMessageW(window, kCounted, 0, 0);
    }
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

struct TestWindow {
  HWND Window = nullptr;
  HWND First = nullptr;
  HWND Second = nullptr;
  TestWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"FNX_DrainTest";
    RegisterClassW(&wc);
    Window = CreateWindowExW(0, L"FNX_DrainTest", L"drain", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200,
                             nullptr, nullptr, wc.hInstance, nullptr);
    First = CreateWindowExW(0, L"Edit", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER, 10, 10, 100, 20, Window,
                            nullptr, wc.hInstance, nullptr);
    Second = CreateWindowExW(0, L"Edit", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER, 10, 40, 100, 20,
                             Window, nullptr, wc.hInstance, nullptr);
    DrainMessageQueue();
  }
  ~TestWindow() {
    DestroyWindow(Window);
    SetDialogWindow(nullptr);
    DrainMessageQueue();
  }
};

TEST(MessageDrains, EmptyQueueReturnsAtOnce) {
  TestWindow w;
  while (DrainMessageQueue()) {
  }
  EXPECT_FALSE(DrainMessageQueue());
  PumpMessages();
  MSG left;
  EXPECT_FALSE(PeekMessageW(&left, nullptr, 0, 0, PM_NOREMOVE));
}

TEST(MessageDrains, DispatchEverythingBeforeReturning) {
  TestWindow w;
  seen = 0;
  repostsLeft = 3;  // posted while the drain runs: still handled by the same drain
  for (int i = 0; i < 5; ++i) PostMessageW(w.Window, kCounted, 0, 0);
  EXPECT_TRUE(DrainMessageQueue());
  EXPECT_EQ(seen, 8);

  seen = 0;
  repostsLeft = 2;
  PostMessageW(w.Window, kCounted, 0, 0);
  PumpMessages();
  EXPECT_EQ(seen, 3);
}

TEST(MessageDrains, OnlyPumpMessagesHandlesDialogKeys) {
  TestWindow w;
  SetDialogWindow(w.Window);
  SetFocus(w.First);
  DrainMessageQueue();
  ASSERT_EQ(GetFocus(), w.First);

  PostMessageW(w.First, WM_KEYDOWN, VK_TAB, 0);
  DrainMessageQueue();
  EXPECT_EQ(GetFocus(), w.First) << "the drain without the dialog step moved the focus";

  PostMessageW(w.First, WM_KEYDOWN, VK_TAB, 0);
  PumpMessages();
  EXPECT_EQ(GetFocus(), w.Second) << "Tab did not move the focus to the next tab stop";
}

// The throttle's decision at the counter values a long-running machine gives: a counter near
// 2^63, one that is huge on the scan's first call, frequencies of 10 MHz and 3 GHz.
TEST(MessageDrains, ThrottleDecidesWithoutOverflowAtAnyUptime) {
  constexpr long long kTop = 0x7FFFFFFFFFFFFFFFll;
  struct Case {
    long long Now, Last, Frequency;
    bool Due;
  } cases[] = {
      {40000, 0, 10000000, true},                        // exactly 4 ms at 10 MHz
      {39999, 0, 10000000, false},
      {kTop, kTop - 39999, 10000000, false},             // near 2^63
      {kTop, kTop - 40000, 10000000, true},
      {1ll << 62, 0, 10000000, true},                    // first call after years of uptime
      {3000000000ll * 86400 * 30, 0, 3000000000ll, true},  // a month at 3 GHz
      {1ll << 62, (1ll << 62) - 11999999, 3000000000ll, false},
      {1ll << 62, (1ll << 62) - 12000000, 3000000000ll, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DrainIsDue(c.Now, c.Last, c.Frequency), c.Due) << c.Now << " after " << c.Last << " at " << c.Frequency;
  }
}

// The scan's throttled drain leaves the queue alone within the interval and empties it after.
TEST(MessageDrains, ScanDrainWaitsForItsInterval) {
  TestWindow w;
  ScanSession session;
  seen = 0;
  repostsLeft = 0;
  PostMessageW(w.Window, kCounted, 0, 0);
  const ULONGLONG started = GetTickCount64();
  StartDrainClock();
  DrainScanWhenDue(session);
  if (GetTickCount64() - started < 2) EXPECT_EQ(seen, 0) << "drained before its interval";
  Sleep(static_cast<DWORD>(kDrainIntervalMicroseconds / 1000 + 2));
  DrainScanWhenDue(session);
  EXPECT_EQ(seen, 1);
}

TEST(MessageDrains, QuitMessageIsConsumedLikeAnyOther) {
  TestWindow w;
  PostQuitMessage(3);
  PumpMessages();
  MSG left;
  EXPECT_FALSE(PeekMessageW(&left, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(ThreadMessage.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(ThreadMessage.wParam, 3u);
}

}  // namespace
