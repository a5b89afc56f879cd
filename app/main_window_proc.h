// The main window's procedure: thin. Control notifications and close requests go to the
// command handler; the procedure itself keeps the chrome's cursor right, colours the labels,
// drags an open message box along and answers the identification query.
#pragma once

#include <windows.h>

// What WM_USER sent to the main window answers.
constexpr LRESULT kMainWindowIdentity = 0x534B0020;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
