#include "facts/facts_drain.h"

#include <windows.h>

namespace {

// Same loop as the scan engine's DrainMessageQueue: no dialog-key step, so Tab does not move
// the focus while a file is being hashed or checked.
bool DrainLocally() {
  MSG message;
  bool handled = false;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
    handled = true;
  }
  return handled;
}

FactsDrain installedDrain = DrainLocally;  // what DrainFactsQueue runs

}  // namespace

void SetFactsDrain(FactsDrain drain) { installedDrain = drain != nullptr ? drain : DrainLocally; }

void DrainFactsQueue() { installedDrain(); }
