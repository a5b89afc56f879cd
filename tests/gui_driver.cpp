#include "gui_driver.h"

#include <gtest/gtest.h>

#include <vector>

RunningProgram::~RunningProgram() {
  if (Process == nullptr) return;
  if (WaitForSingleObject(Process, 0) == WAIT_TIMEOUT) TerminateProcess(Process, 99);
  CloseHandle(Process);
}

std::wstring ProgramPath() { return BuildFolder() + L"\\Fendrel.exe"; }

bool StartProgram(RunningProgram& program, const std::wstring& workingFolder, const std::wstring& path) {
  std::wstring commandLine = L"\"" + path + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  program.Process = info.hProcess;
  program.ProcessId = info.dwProcessId;
  return true;
}

HWND WaitForProcessWindow(DWORD processId, const wchar_t* className, const wchar_t* title, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  do {
    for (HWND found = nullptr; (found = FindWindowExW(nullptr, found, className, title)) != nullptr;) {
      DWORD owner = 0;
      GetWindowThreadProcessId(found, &owner);
      if (owner == processId) return found;
    }
    Sleep(50);
  } while (GetTickCount64() < end);
  return nullptr;
}

bool WaitForMainWindow(RunningProgram& program, DWORD timeoutMs) {
  program.Window = WaitForProcessWindow(program.ProcessId, L"FNX_Wnd_Class", L"Fendrel", timeoutMs);
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (program.Window && !IsWindowVisible(program.Window) && GetTickCount64() < end) Sleep(50);
  if (program.Window) LetProgramSettle(program.Window);
  return program.Window && IsWindowVisible(program.Window);
}

HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs) {
  HWND box = WaitForProcessWindow(processId, L"FNX_MsgBox", nullptr, timeoutMs);
  if (box != nullptr) LetProgramSettle(box, 0);
  return box;
}

LRESULT SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* ok) {
  DWORD_PTR result = 0;
  const bool answered = SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result) != 0;
  if (ok != nullptr) *ok = answered;
  return static_cast<LRESULT>(result);
}

std::wstring WindowText(HWND window) {
  std::vector<wchar_t> buffer(static_cast<size_t>(SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0)) + 2, L'\0');
  const LRESULT copied = SendWithTimeout(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
  return std::wstring(buffer.data(), static_cast<size_t>(copied));
}

bool SetWindowTextRemote(HWND control, const std::wstring& text) {
  bool ok = false;
  return SendWithTimeout(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &ok) != 0 && ok;
}

bool PostClick(HWND control) {
  return PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
                      reinterpret_cast<LPARAM>(control)) != FALSE;
}

std::wstring MessageBoxText(HWND box) { return WindowText(GetDlgItem(box, 47)); }

bool PressBoxButton(HWND box, bool left) {
  HWND button = GetDlgItem(box, left ? 48 : 49);
  return button != nullptr && PostClick(button);
}

bool WaitForExit(RunningProgram& program, DWORD timeoutMs, DWORD& exitCode) {
  return program.Process != nullptr && WaitForSingleObject(program.Process, timeoutMs) == WAIT_OBJECT_0 &&
         GetExitCodeProcess(program.Process, &exitCode);
}

void KillProgram(RunningProgram& program) {
  if (program.Process == nullptr) return;
  TerminateProcess(program.Process, 99);
  WaitForSingleObject(program.Process, 5000);
}

void LetProgramSettle(HWND window, DWORD paintMs) {
  SendWithTimeout(window, WM_NULL, 0, 0);
  Sleep(paintMs);
  SendWithTimeout(window, WM_NULL, 0, 0);
}

COLORREF ScreenPixel(int x, int y) {
  HDC screen = GetDC(nullptr);
  const COLORREF color = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return color;
}

Window::Window(const std::wstring& workingFolder, const std::wstring& program) {
  EXPECT_TRUE(StartProgram(Program, workingFolder, program)) << Printable(program);
  EXPECT_TRUE(WaitForMainWindow(Program)) << "no window from " << Printable(program);
}

void Window::Type(ControlId id, const std::wstring& text) const { EXPECT_TRUE(SetWindowTextRemote((*this)[id], text)); }

void Window::Check(ControlId id, bool on) const {
  SendWithTimeout((*this)[id], BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Window::Click(ControlId id) const { EXPECT_TRUE(PostClick((*this)[id])); }

bool Window::WaitForText(ControlId id, const std::wstring& text, DWORD timeoutMs) const {
  for (DWORD waited = 0; waited < timeoutMs; waited += 20, Sleep(20)) {
    if (Text(id) == text) return true;
  }
  return false;
}

bool Window::WaitIdle(DWORD timeoutMs) const {
  for (DWORD waited = 0; waited < timeoutMs; waited += 50, Sleep(50)) {
    if (Text(StartScanButtonId) == L"Start scan" && Text(StatusLineId) == L"Waiting for Start scan...") return true;
  }
  return false;
}

int Window::OpenBoxes() const {
  int count = 0;
  for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"FNX_MsgBox", nullptr)) != nullptr;) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    count += owner == Program.ProcessId && IsWindowVisible(w) ? 1 : 0;
  }
  return count;
}
