// Start-up and the thread's message loop: one instance only, the two path defaults, the main
// window with its painted surface and controls, COM, and the loop that ends the process.
#pragma once

#include <windows.h>

#include <string>

// Runs the tool from its entry point and returns the process exit code.
int RunFendrel(HINSTANCE instance);

// The running instance's window, matched by class and title both; null when none runs.
HWND FindRunningInstance();

// Registers "FNX_Wnd_Class"; the result is not looked at (a failure shows as no window).
void RegisterMainWindowClass(HINSTANCE instance);

// Starts GDI+, creates the hidden main window and gives it its painted surface and the
// control brushes; false only when the window cannot be created.
bool CreateMainWindow(HINSTANCE instance);

// Everything between the single-instance test and the message loop: defaults, class, window,
// tool tips, controls, the drains' window and folder line, showing, COM. False when the window
// cannot be created.
bool OpenMainWindow(HINSTANCE instance);

// The drive root of the Windows folder: its first three characters (a shorter text whole).
std::wstring DefaultRootFrom(const std::wstring& windowsFolder);

// The default log path: the start-up directory, a backslash and "FNXResults.txt", the
// backslash added whatever the directory ends with.
std::wstring DefaultLogPathFrom(const std::wstring& startUpDirectory);

// Top-left corner of the 550 x 490 window centred on a screen of the given pixel size.
POINT MainWindowOrigin(int screenWidth, int screenHeight);
