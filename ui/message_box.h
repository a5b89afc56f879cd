// The tool's own modal message box: a borderless 300 x 200 window painted like the main window,
// centred over it, with a bold text and one or two buttons, running a modal loop of its own on
// the UI thread. Only one box is ever open; the main window stays usable while it is shown.
#pragma once

#include <windows.h>

// What WM_USER sent to the box answers.
constexpr LRESULT kMessageBoxIdentity = 0x534B0031;

// Child ids of the box, by which its text and buttons are found.
constexpr int kBoxTextId = 47;
constexpr int kBoxLeftButtonId = 48;
constexpr int kBoxRightButtonId = 49;

// Results of ShowMessageBox.
constexpr int kBoxNotShown = 0;  // another box was open, or the box could not be made
constexpr int kBoxRight = 1;     // the right-hand button, or a close request to the box
constexpr int kBoxLeft = 2;      // the left-hand button

// Shows the box and returns when it closes. A null label means no button in that place.
// A quit request that did not come from the box itself ends the box with that request's code
// and is posted again once the box is gone, so the application's own loop still ends.
int ShowMessageBox(const wchar_t* message, const wchar_t* rightLabel, const wchar_t* leftLabel);

// The box while one is shown, else null.
HWND OpenMessageBox();
