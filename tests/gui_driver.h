// Drives the real Fendrel.exe from a test program: starts it in a chosen working folder, finds
// its window and message box (only those of the started process), reads and sets control
// state, posts clicks, waits for its exit and saves screenshots. Reading goes through
// SendMessageTimeoutW so a hung program fails a test instead of hanging it.
#pragma once

#include <windows.h>

#include <string>

// A started program; the process is killed when the record goes away while it still runs.
struct RunningProgram {
  HANDLE Process = nullptr;
  DWORD ProcessId = 0;
  HWND Window = nullptr;  // its main window, once found
  RunningProgram() = default;
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;
  ~RunningProgram();
};

// The build folder: the parent of the folder this test program lies in (<build>/tests).
std::wstring BuildFolder();
// <build>\Fendrel.exe.
std::wstring ProgramPath();

// Starts Fendrel.exe (this build's, unless another is named) with the given working folder;
// false when it could not start.
bool StartProgram(RunningProgram& program, const std::wstring& workingFolder, const std::wstring& path = ProgramPath());

// Waits for a top-level window of the given class (and title, when not null) that belongs to
// the process; null on time-out.
HWND WaitForProcessWindow(DWORD processId, const wchar_t* className, const wchar_t* title, DWORD timeoutMs);

// Waits for the program's main window ("FNX_Wnd_Class", "Fendrel") and for it to be idle.
bool WaitForMainWindow(RunningProgram& program, DWORD timeoutMs = 20000);

// Waits for a message box ("FNX_MsgBox") of the process; null on time-out.
HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs = 10000);

// The text, check state and rectangle (in its parent's client coordinates) of a control.
std::wstring WindowText(HWND window);
LRESULT CheckState(HWND control);
RECT RectInParent(HWND control);

// Sends a message and returns its answer; `ok` (when given) tells whether it was answered.
LRESULT SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* ok = nullptr);

// Sets a control's text as typing would, through WM_SETTEXT.
bool SetWindowTextRemote(HWND control, const std::wstring& text);

// A click as the control itself reports it: WM_COMMAND to its parent with its id and handle.
bool PostClick(HWND control);

// The box's message and its buttons (left id 48, right id 49).
std::wstring MessageBoxText(HWND box);
bool PressBoxButton(HWND box, bool left);

// Waits for the process to end; false on time-out.
bool WaitForExit(RunningProgram& program, DWORD timeoutMs, DWORD& exitCode);

// Ends the process at once (test failure clean-up).
void KillProgram(RunningProgram& program);

// Waits until the program has handled everything sent before (a WM_NULL round trip) and the
// screen has caught up with its painting.
void LetProgramSettle(HWND window, DWORD paintMs = 300);

// The colour of a screen pixel.
COLORREF ScreenPixel(int x, int y);

// Saves a screen area as a 24-bit .bmp; false when it could not be written.
bool SaveScreenshot(const std::wstring& path, const RECT& area);

// Readable forms for failure messages.
std::string Narrow(const std::wstring& text);
std::string ColorText(COLORREF color);
