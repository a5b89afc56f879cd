// Starting, stopping and finishing a scan from the main window.
#pragma once

// A scan is under way.
extern bool Scanning;

// Runs a whole scan from the window's options, from validation to the opened log.
void StartScan();

// A "Stop scan" click (or a close request) while a scan runs; always true.
bool RequestStop();
