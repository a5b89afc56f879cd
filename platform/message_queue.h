// The one loop that dispatches every message waiting for the thread, shared by the scan's
// drain and the file facts' drain (which sit on different layers above this one).
#pragma once

// Removes, translates and dispatches every waiting message, without dialog-key handling, until
// the queue is empty; true when it handled any.
bool DispatchWaitingMessages();
