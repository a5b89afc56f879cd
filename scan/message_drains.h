// The two queue drains that keep the window alive while a scan runs on its thread. Whatever a
// drain dispatches runs before it returns, the command handler included; callers test the
// scan's stop flag right after.
#pragma once

#include <windows.h>

// The thread's message record, shared by the main message loop and PumpMessages.
extern MSG ThreadMessage;

// The window whose dialog keys PumpMessages handles (Tab between controls); null for none.
void SetDialogWindow(HWND window);
HWND DialogWindow();

// Dispatches every waiting message, offering each to the dialog manager first.
void PumpMessages();

// Dispatches every waiting message without the dialog step; true when it handled any.
bool DrainMessageQueue();

// PumpMessages, when at least kDrainIntervalMicroseconds have passed since the last drain. The
// walk's frequent drains go through here: a look at the queue is a round trip to the window
// server (tens of microseconds under Wine), which the walk would otherwise pay every few
// entries, while a few milliseconds between drains keep the window as alive.
constexpr long long kDrainIntervalMicroseconds = 4000;
void PumpMessagesWhenDue();
