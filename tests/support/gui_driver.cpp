#include "support/gui_driver.h"

#include <cstdlib>
#include <cwchar>

#include "ui/message_box.h"

DWORD Allowed(DWORD nativeMs) {
  static const wchar_t* const set = _wgetenv(L"FENDREL_WAIT_FACTOR");
  static const unsigned long factor = set != nullptr ? wcstoul(set, nullptr, 10) : 1;
  return nativeMs * static_cast<DWORD>(factor > 1 && factor < 1000 ? factor : 1);
}

LRESULT SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* ok) {
  DWORD_PTR result = 0;
  const bool answered = SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, Allowed(5000), &result) != 0;
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

void LetProgramSettle(HWND window, DWORD paintMs) {
  SendWithTimeout(window, WM_NULL, 0, 0);
  Sleep(paintMs);
  SendWithTimeout(window, WM_NULL, 0, 0);
}

std::vector<HWND> ProcessWindows(DWORD processId, const wchar_t* className, const wchar_t* title) {
  std::vector<HWND> windows;
  for (HWND found = nullptr; (found = FindWindowExW(nullptr, found, className, title)) != nullptr;) {
    DWORD owner = 0;
    GetWindowThreadProcessId(found, &owner);
    if (owner == processId) windows.push_back(found);
  }
  return windows;
}

HWND WaitForProcessWindow(DWORD processId, const wchar_t* className, const wchar_t* title, DWORD timeoutMs) {
  std::vector<HWND> windows;
  Eventually(Allowed(timeoutMs), [&] { return !(windows = ProcessWindows(processId, className, title)).empty(); });
  return windows.empty() ? nullptr : windows.front();
}

HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs) {
  HWND box = WaitForProcessWindow(processId, L"FNX_MsgBox", nullptr, timeoutMs);
  if (box != nullptr) LetProgramSettle(box, 0);
  return box;
}

std::wstring MessageBoxText(HWND box) { return WindowText(GetDlgItem(box, kBoxTextId)); }

bool PressBoxButton(HWND box, bool left) {
  HWND button = GetDlgItem(box, left ? kBoxLeftButtonId : kBoxRightButtonId);
  return button != nullptr && PostClick(button);
}

RunningProgram::~RunningProgram() {
  if (Process == nullptr) return;
  if (WaitForSingleObject(Process, 0) == WAIT_TIMEOUT) TerminateProcess(Process, 99);
  CloseHandle(Process);
}

std::wstring ProgramPath() { return BuildFolder() + L"\\Fendrel.exe"; }

bool StartProgram(RunningProgram& program, const std::wstring& workingFolder, const std::wstring& path) {
  std::wstring commandLine = L"\"" + path + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  program.Process = info.hProcess, program.ProcessId = info.dwProcessId;
  return true;
}

bool WaitForMainWindow(RunningProgram& program, DWORD timeoutMs) {
  program.Window = WaitForProcessWindow(program.ProcessId, L"FNX_Wnd_Class", L"Fendrel", timeoutMs);
  if (program.Window == nullptr || !Eventually(Allowed(timeoutMs), [&] { return IsWindowVisible(program.Window); })) {
    return false;
  }
  LetProgramSettle(program.Window);
  return true;
}

bool WaitForExit(RunningProgram& program, DWORD timeoutMs, DWORD& exitCode) {
  return program.Process != nullptr && WaitForSingleObject(program.Process, Allowed(timeoutMs)) == WAIT_OBJECT_0 &&
         GetExitCodeProcess(program.Process, &exitCode);
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

void Window::Scan(const std::wstring& root, const std::wstring& log, const std::wstring& pattern,
                  const std::wstring& age) const {
  Type(RootEditId, root);
  Type(LogPathEditId, log);
  if (!pattern.empty()) Type(PatternEditId, pattern);
  if (!age.empty()) Type(MaxAgeEditId, age);
  Click(StartScanButtonId);
}

bool Window::WaitForText(ControlId id, const std::wstring& text, DWORD timeoutMs) const {
  return Eventually(Allowed(timeoutMs), [&] { return Text(id) == text; });
}

bool Window::WaitIdle(DWORD timeoutMs) const {
  return Eventually(Allowed(timeoutMs), [&] {
    return Text(StartScanButtonId) == L"Start scan" && Text(StatusLineId) == L"Waiting for Start scan...";
  });
}
