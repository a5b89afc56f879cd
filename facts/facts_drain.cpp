#include "facts/facts_drain.h"

#include "platform/message_queue.h"

namespace {

// What DrainFactsQueue runs: the same drain as the scan engine's, no dialog-key step, so Tab
// does not move the focus while a file is being hashed or checked.
FactsDrain installedDrain = DispatchWaitingMessages;

}  // namespace

void SetFactsDrain(FactsDrain drain) { installedDrain = drain != nullptr ? drain : DispatchWaitingMessages; }

void DrainFactsQueue() { installedDrain(); }
