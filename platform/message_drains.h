// Every loop that takes the thread's messages. The tool has one thread: the main loop runs the
// window, the message box runs a loop of its own inside it, and a scan runs to its end inside the
// handling of one click, keeping the window alive by draining the queue at fixed points. Whatever
// a loop dispatches runs before it returns, the command handler included; a scan's callers test
// its stop flag right after a drain.
#pragma once

#include <windows.h>

#include "platform/text_file.h"

// Takes and dispatches the thread's messages until a quit message arrives, offering each first to
// the dialog manager of `dialogWindow` (Tab between its controls). True with the quit's code in
// `exitCode`; false, with `exitCode` untouched, when GetMessageW failed.
bool RunMessageLoop(HWND dialogWindow, int& exitCode);

// The window whose dialog keys the scan's drain handles; null for none.
void SetDialogWindow(HWND window);

// Runs at the start of every drain, before it lets the window paint, so that what is painted is
// up to date (the window hands in the folder line's update); null for nothing.
using BeforeDrain = void (*)();
void SetBeforeDrain(BeforeDrain beforeDrain);

// The file facts' drain between the long steps of a hash or a trust check: every waiting message
// without the dialog step, so Tab does not move the focus while a file is read.
void DrainMessageQueue();

// The same between the chunks of a hash, when a look is due (25 ms since the last look of any
// kind): a chunk takes about a millisecond, a look at the queue under Wine a third of one, and a
// window that answers within 25 ms is as alive to a person as one that answers at once.
void DrainMessageQueueWhenDue();

// The scan's drain at its frequent points (every fifth entry, every folder, after each file's
// costly facts): when at least 25 ms have passed since the last drain of either kind, the
// pending lines of the log and of the folder list (null for none) go to disk and every waiting
// message is dispatched, each offered to the dialog manager first (Tab between the window's
// controls). A look at the queue is a round trip to the window server (tens of microseconds
// under Wine), and what it dispatches can cost more: under Wine the tracking of a pointer resting
// over a button takes about 0.7 ms at every look. At every fifth entry that would double a walk;
// every 25 ms it costs a few hundredths of one, while a window that answers within 25 ms is as
// alive to a person as one that answers at once.
void DrainScanWhenDue(TextFile* log, TextFile* folderList);

// Whether a drain is due at counter time `now` after one at `last`, with the counter's
// frequency in ticks per second. Elapsed ticks are compared with the interval in ticks: a
// counter that has run for weeks (or reads near 2^63) must not overflow a product and stop
// the window from draining for the rest of a scan.
bool DrainIsDue(long long now, long long last, long long frequency);

// Starts a scan's drain clock: its first throttled drain is due one interval from now.
void StartDrainClock();
