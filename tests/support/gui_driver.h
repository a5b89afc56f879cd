// Drives the real Fendrel.exe from another program: starts it, finds its window and message box
// (only those of the started process), types into its controls, posts clicks as the controls
// report them, and waits for it to finish a scan or to end. Reading goes through
// SendMessageTimeoutW, so a hung program fails a test instead of hanging it.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "app/main_window_controls.h"
#include "support/files.h"
#include "ui/message_box.h"

// A time limit tuned where the programs run at native speed, stretched by the whole factor the
// test command sets where they run slower (FENDREL_WAIT_FACTOR; an emulated 32-bit program runs
// about ten times slower). Limits stretch, pauses do not: a passing test takes no longer.
inline DWORD Allowed(DWORD nativeMs) {
  static const wchar_t* const set = _wgetenv(L"FENDREL_WAIT_FACTOR");
  static const unsigned long factor = set != nullptr ? wcstoul(set, nullptr, 10) : 1;
  return nativeMs * static_cast<DWORD>(factor > 1 && factor < 1000 ? factor : 1);
}

inline LRESULT SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* ok = nullptr) {
  DWORD_PTR result = 0;
  const bool answered = SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, Allowed(5000), &result) != 0;
  if (ok != nullptr) *ok = answered;
  return static_cast<LRESULT>(result);
}
inline std::wstring WindowText(HWND window) {
  std::vector<wchar_t> buffer(static_cast<size_t>(SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0)) + 2, L'\0');
  const LRESULT copied = SendWithTimeout(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
  return std::wstring(buffer.data(), static_cast<size_t>(copied));
}
inline bool SetWindowTextRemote(HWND control, const std::wstring& text) {
  bool ok = false;
  return SendWithTimeout(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &ok) != 0 && ok;
}

// WM_COMMAND to the parent, as the control itself reports a click.
inline bool PostClick(HWND control) {
  return PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
                      reinterpret_cast<LPARAM>(control)) != FALSE;
}

// A WM_NULL round trip before and after a pause, so that the screen has caught up.
inline void LetProgramSettle(HWND window, DWORD paintMs = 300) {
  SendWithTimeout(window, WM_NULL, 0, 0);
  Sleep(paintMs);
  SendWithTimeout(window, WM_NULL, 0, 0);
}

// The top-level windows of the class (and title, when given) that belong to the process.
inline std::vector<HWND> ProcessWindows(DWORD processId, const wchar_t* className, const wchar_t* title = nullptr) {
  std::vector<HWND> windows;
  for (HWND found = nullptr; (found = FindWindowExW(nullptr, found, className, title)) != nullptr;) {
    DWORD owner = 0;
    GetWindowThreadProcessId(found, &owner);
    if (owner == processId) windows.push_back(found);
  }
  return windows;
}
inline HWND WaitForProcessWindow(DWORD processId, const wchar_t* className, const wchar_t* title, DWORD timeoutMs) {
  std::vector<HWND> windows;
  Eventually(Allowed(timeoutMs), [&] { return !(windows = ProcessWindows(processId, className, title)).empty(); });
  return windows.empty() ? nullptr : windows.front();
}

// The process's message box, once it is there and idle; null after the time-out.
inline HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs = 10000) {
  HWND box = WaitForProcessWindow(processId, L"FNX_MsgBox", nullptr, timeoutMs);
  if (box != nullptr) LetProgramSettle(box, 0);
  return box;
}
inline std::wstring MessageBoxText(HWND box) { return WindowText(GetDlgItem(box, kBoxTextId)); }
inline bool PressBoxButton(HWND box, bool left) {
  HWND button = GetDlgItem(box, left ? kBoxLeftButtonId : kBoxRightButtonId);
  return button != nullptr && PostClick(button);
}

// A started program; the process is killed when the record goes away while it still runs.
struct RunningProgram {
  UniqueFileHandle Process;
  DWORD ProcessId = 0;
  HWND Window = nullptr;  // its main window, once found
  ~RunningProgram() {
    if (Process && WaitForSingleObject(Process.get(), 0) == WAIT_TIMEOUT) TerminateProcess(Process.get(), 99);
  }
};

inline std::wstring ProgramPath() { return BuildFolder() + L"\\Fendrel.exe"; }  // this build's

inline bool StartProgram(RunningProgram& program, const std::wstring& workingFolder,
                         const std::wstring& path = ProgramPath()) {
  std::wstring commandLine = L"\"" + path + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  program.Process.reset(info.hProcess), program.ProcessId = info.dwProcessId;
  return true;
}
// The main window, once it is shown (it exists before its controls) and idle.
inline bool WaitForMainWindow(RunningProgram& program, DWORD timeoutMs = 20000) {
  program.Window = WaitForProcessWindow(program.ProcessId, L"FNX_Wnd_Class", L"Fendrel", timeoutMs);
  const bool shown = program.Window != nullptr && Eventually(Allowed(timeoutMs), [&] { return IsWindowVisible(program.Window); });
  if (shown) LetProgramSettle(program.Window);
  return shown;
}
inline bool WaitForExit(RunningProgram& program, DWORD timeoutMs, DWORD& exitCode) {
  return program.Process && WaitForSingleObject(program.Process.get(), Allowed(timeoutMs)) == WAIT_OBJECT_0 &&
         GetExitCodeProcess(program.Process.get(), &exitCode);
}

// The program's main window as a user sees it: its controls by id.
struct Window {
  RunningProgram Program;
  explicit Window(const std::wstring& workingFolder, const std::wstring& program = ProgramPath()) {
    EXPECT_TRUE(StartProgram(Program, workingFolder, program)) << Printable(program);
    EXPECT_TRUE(WaitForMainWindow(Program)) << "no window from " << Printable(program);
  }
  HWND operator[](ControlId id) const { return GetDlgItem(Program.Window, id); }
  void Type(ControlId id, const std::wstring& text) const { EXPECT_TRUE(SetWindowTextRemote((*this)[id], text)); }
  void Check(ControlId id, bool on) const { SendWithTimeout((*this)[id], BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }
  void Click(ControlId id) const { EXPECT_TRUE(PostClick((*this)[id])); }
  // Types the root and the log, and the pattern and the age when given, and starts the scan.
  void Scan(const std::wstring& root, const std::wstring& log, const std::wstring& pattern = L"",
            const std::wstring& age = L"") const {
    Type(RootEditId, root);
    Type(LogPathEditId, log);
    if (!pattern.empty()) Type(PatternEditId, pattern);
    if (!age.empty()) Type(MaxAgeEditId, age);
    Click(StartScanButtonId);
  }
  std::wstring Text(ControlId id) const { return WindowText((*this)[id]); }
  bool WaitForText(ControlId id, const std::wstring& text, DWORD timeoutMs = 120000) const {
    return Eventually(Allowed(timeoutMs), [&] { return Text(id) == text; });
  }
  // Back at rest after a scan: "Start scan" and the waiting status again.
  bool WaitIdle(DWORD timeoutMs = 120000) const {
    return Eventually(Allowed(timeoutMs), [&] {
      return Text(StartScanButtonId) == L"Start scan" && Text(StatusLineId) == L"Waiting for Start scan...";
    });
  }
};
