// Starting, stopping and finishing a scan from the main window.
#pragma once

#include <windows.h>

#include <cstdint>

// A scan is under way.
extern bool Scanning;

constexpr int32_t kStopNone = 0;
constexpr int32_t kStopStopping = 1;  // the user confirmed the stop
constexpr int32_t kStopAsking = 2;    // the confirmation box is open
extern int32_t StopState;

// Runs a whole scan from the window's options, from validation to the opened log.
void StartScan();

// A "Stop scan" click (or a close request) while a scan runs; always true.
bool RequestStop();
