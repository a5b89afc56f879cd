// The two queue drains that keep the window alive while a scan runs on its thread. Whatever a
// drain dispatches runs before it returns, the command handler included; callers test the
// scan's stop flag right after.
#pragma once

#include <windows.h>

#include "scan/scan_session.h"

// The thread's message record, shared by the main message loop and PumpMessages.
extern MSG ThreadMessage;

// The window whose dialog keys PumpMessages handles (Tab between controls); null for none.
// While there is one, the file facts drain through DrainMessageQueue too, so that the folder
// line is up to date whenever a long hash or trust check lets the window paint.
void SetDialogWindow(HWND window);
HWND DialogWindow();

// Dispatches every waiting message, offering each to the dialog manager first.
void PumpMessages();

// Dispatches every waiting message without the dialog step; true when it handled any.
bool DrainMessageQueue();

// The scan's drain at its frequent points (every fifth entry, every folder, after each file's
// costly facts): when at least kDrainIntervalMicroseconds have passed since the last drain,
// the log's pending lines go to disk and the queue is pumped. A look at the queue is a round
// trip to the window server (tens of microseconds under Wine), which the walk would otherwise
// pay every few entries, while a few milliseconds between drains keep the window as alive.
constexpr long long kDrainIntervalMicroseconds = 4000;
void DrainScanWhenDue(ScanSession& session);

// Whether a drain is due at counter time `now` after one at `last`, with the counter's
// frequency in ticks per second. Elapsed ticks are compared with the interval in ticks: a
// counter that has run for weeks (or reads near 2^63) must not overflow a product and stop
// the window from draining for the rest of a scan.
bool DrainIsDue(long long now, long long last, long long frequency);

// Starts a scan's drain clock: its first throttled drain is due one interval from now.
void StartDrainClock();
