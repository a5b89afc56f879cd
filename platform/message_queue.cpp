#include "platform/message_queue.h"

#include <windows.h>

bool DispatchWaitingMessages() {
  MSG message;
  bool handled = false;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
    handled = true;
  }
  return handled;
}
