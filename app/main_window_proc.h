// The main window's procedure: thin. Control notifications and close requests go to the
// command handler; the procedure itself keeps the chrome's cursor right, colours the labels,
// drags an open message box along and answers the identification query.
#pragma once

#include <windows.h>

// What WM_USER sent to the main window answers.
constexpr LRESULT kMainWindowIdentity = 0x534B0020;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Where the pointer is, as the cursor rule sees it.
enum class PointerPlace { Chrome, Surface, OtherControl };

// The cursor rule for one WM_SETCURSOR: which cursor to set (if any), the hand-shown flag
// afterwards, and the message's answer.
enum class CursorToSet { None, Hand, Arrow };
struct CursorDecision {
  CursorToSet Set;
  bool HandShown;
  BOOL Answer;
};
CursorDecision DecideCursor(PointerPlace place, bool handShown);

// Text colour and background of a control, recognised by its handle in ControlTable.
struct ControlColors {
  COLORREF Text;
  HBRUSH Background;
};
ControlColors ColorsForControl(HWND control);

// Where an open message box goes when the main window moves from `current` to `proposed`:
// the same offset, its size kept.
RECT BoxRectAfterMove(const RECT& proposed, const RECT& current, const RECT& box);
