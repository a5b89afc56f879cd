// Drives the real Fendrel.exe from another program: starts it, finds its window and message box
// (only those of the started process), types into its controls, posts clicks as the controls
// report them, and waits for it to finish a scan or to end. Reading goes through
// SendMessageTimeoutW, so a hung program fails a test instead of hanging it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/main_window_controls.h"
#include "support/files.h"

// A time limit tuned where the programs run at native speed, stretched by the whole factor the
// test command sets where they run slower (FENDREL_WAIT_FACTOR; an emulated 32-bit program runs
// about ten times slower). Limits stretch, pauses do not: a passing test takes no longer.
DWORD Allowed(DWORD nativeMs);

LRESULT SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* ok = nullptr);
std::wstring WindowText(HWND window);
bool SetWindowTextRemote(HWND control, const std::wstring& text);

// WM_COMMAND to the parent, as the control itself reports a click.
bool PostClick(HWND control);

// A WM_NULL round trip before and after a pause, so that the screen has caught up.
void LetProgramSettle(HWND window, DWORD paintMs = 300);

// The top-level windows of the class (and title, when given) that belong to the process.
std::vector<HWND> ProcessWindows(DWORD processId, const wchar_t* className, const wchar_t* title = nullptr);
HWND WaitForProcessWindow(DWORD processId, const wchar_t* className, const wchar_t* title, DWORD timeoutMs);

// The process's message box, once it is there and idle; null after the time-out.
HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs = 10000);
std::wstring MessageBoxText(HWND box);
bool PressBoxButton(HWND box, bool left);

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

std::wstring ProgramPath();  // this build's Fendrel.exe

bool StartProgram(RunningProgram& program, const std::wstring& workingFolder, const std::wstring& path = ProgramPath());
// The main window, once it is shown (it exists before its controls) and idle.
bool WaitForMainWindow(RunningProgram& program, DWORD timeoutMs = 20000);
bool WaitForExit(RunningProgram& program, DWORD timeoutMs, DWORD& exitCode);

// The program's main window as a user sees it: its controls by id.
struct Window {
  RunningProgram Program;
  explicit Window(const std::wstring& workingFolder, const std::wstring& program = ProgramPath());
  HWND operator[](ControlId id) const { return GetDlgItem(Program.Window, id); }
  void Type(ControlId id, const std::wstring& text) const;
  void Check(ControlId id, bool on) const;
  void Click(ControlId id) const;
  // Types the root and the log, and the pattern and the age when given, and starts the scan.
  void Scan(const std::wstring& root, const std::wstring& log, const std::wstring& pattern = L"",
            const std::wstring& age = L"") const;
  std::wstring Text(ControlId id) const { return WindowText((*this)[id]); }
  bool WaitForText(ControlId id, const std::wstring& text, DWORD timeoutMs = 120000) const;
  // Back at rest after a scan: "Start scan" and the waiting status again.
  bool WaitIdle(DWORD timeoutMs = 120000) const;
};
