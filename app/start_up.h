// Start-up and the thread's message loop: one instance only, the two path defaults, the main
// window with its painted surface and controls, COM, and the loop that ends the process.
#pragma once

#include <windows.h>

// Runs the tool from its entry point and returns the process exit code.
int RunFendrel(HINSTANCE instance);
