#include <windows.h>

#include "app/start_up.h"

// The command line and the requested show state are ignored: every option lives in the window.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return RunFendrel(instance); }
