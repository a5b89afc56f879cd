#include "app/scan_control.h"

// Scans from the window arrive with the scan-control work; until then the button does nothing.
bool Scanning = false;
int32_t StopState = kStopNone;

void StartScan() {}

bool RequestStop() { return true; }
