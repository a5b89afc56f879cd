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

long long MicrosecondsSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return (now.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart;
}

// Whether PumpMessagesWhenDue, called now, dispatched the one message posted after `drained`.
void ExpectDueDrain(const LARGE_INTEGER& drained, HWND window, int& expectedSeen) {
  PostMessageW(window, kCounted, 0, 0);
  const long long elapsedBefore = MicrosecondsSince(drained);
  PumpMessagesWhenDue();
  const long long elapsedAfter = MicrosecondsSince(drained);
  if (elapsedAfter < kDrainIntervalMicroseconds) {
    EXPECT_EQ(seen, expectedSeen) << "drained " << elapsedAfter << " us after the last drain";
    PumpMessages();  // takes the message the early call left
  } else if (elapsedBefore >= kDrainIntervalMicroseconds) {
    EXPECT_EQ(seen, expectedSeen + 1) << "not drained " << elapsedBefore << " us after the last drain";
  } else {
    PumpMessages();  // the interval ran out during the call: either answer is right
  }
  expectedSeen = seen;
}

TEST(MessageDrains, FrequentDrainWaitsForItsInterval) {
  TestWindow w;
  seen = 0;
  repostsLeft = 0;
  int expected = 0;
  LARGE_INTEGER drained;
  PumpMessages();
  QueryPerformanceCounter(&drained);
  ExpectDueDrain(drained, w.Window, expected);
  DrainMessageQueue();  // the other drain counts as the last one too
  QueryPerformanceCounter(&drained);
  ExpectDueDrain(drained, w.Window, expected);
  Sleep(static_cast<DWORD>(kDrainIntervalMicroseconds / 1000 + 2));
  ExpectDueDrain(drained, w.Window, expected);
  EXPECT_EQ(seen, 3);
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
