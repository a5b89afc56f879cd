// The queue drain that the hash and the trust check run between their long steps, so the
// window keeps painting and a "Stop scan" click is handled while a big file is read.
// facts/ sits below scan/, so the scan engine hands its own drain down here at start-up; until
// then an identical local drain runs.
#pragma once

// Dispatches every waiting message of the thread; true when it handled any.
using FactsDrain = bool (*)();

// Installs the drain the file facts call; null restores the local one.
void SetFactsDrain(FactsDrain drain);

// Runs the installed drain once. Callers ignore whether anything was handled.
void DrainFactsQueue();
