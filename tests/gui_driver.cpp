#include "gui_driver.h"

#include <cstdio>
#include <vector>

namespace {

constexpr DWORD kSendTimeoutMs = 5000;
constexpr DWORD kPollMs = 50;

std::wstring ParentFolder(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

RunningProgram::~RunningProgram() {
  if (Process != nullptr) {
    if (WaitForSingleObject(Process, 0) == WAIT_TIMEOUT) TerminateProcess(Process, 99);
    CloseHandle(Process);
  }
}

std::wstring BuildFolder() {
  std::vector<wchar_t> buffer(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  return ParentFolder(ParentFolder(std::wstring(buffer.data(), length)));
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
    HWND found = nullptr;
    while ((found = FindWindowExW(nullptr, found, className, title)) != nullptr) {
      DWORD owner = 0;
      GetWindowThreadProcessId(found, &owner);
      if (owner == processId) return found;
    }
    Sleep(kPollMs);
  } while (GetTickCount64() < end);
  return nullptr;
}

bool WaitForMainWindow(RunningProgram& program, DWORD timeoutMs) {
  program.Window = WaitForProcessWindow(program.ProcessId, L"FNX_Wnd_Class", L"Fendrel", timeoutMs);
  if (program.Window == nullptr) return false;
  // The window exists before its controls: wait for it to be shown, which comes after them.
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (!IsWindowVisible(program.Window) && GetTickCount64() < end) Sleep(kPollMs);
  LetProgramSettle(program.Window);
  return IsWindowVisible(program.Window) != FALSE;
}

HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs) {
  HWND box = WaitForProcessWindow(processId, L"FNX_MsgBox", nullptr, timeoutMs);
  if (box != nullptr) LetProgramSettle(box, 0);
  return box;
}

LRESULT SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* ok) {
  DWORD_PTR result = 0;
  const bool answered =
      SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result) != 0;
  if (ok != nullptr) *ok = answered;
  return static_cast<LRESULT>(result);
}

std::wstring WindowText(HWND window) {
  const LRESULT length = SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0);
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 2, L'\0');
  const LRESULT copied =
      SendWithTimeout(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
  return std::wstring(buffer.data(), static_cast<size_t>(copied));
}

LRESULT CheckState(HWND control) { return SendWithTimeout(control, BM_GETCHECK, 0, 0); }

RECT RectInParent(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool SetWindowTextRemote(HWND control, const std::wstring& text) {
  bool ok = false;
  const LRESULT set = SendWithTimeout(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &ok);
  return ok && set != 0;
}

bool PostClick(HWND control) {
  const int id = GetDlgCtrlID(control);
  return PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                      reinterpret_cast<LPARAM>(control)) != FALSE;
}

std::wstring MessageBoxText(HWND box) { return WindowText(GetDlgItem(box, 47)); }

bool PressBoxButton(HWND box, bool left) {
  HWND button = GetDlgItem(box, left ? 48 : 49);
  return button != nullptr && PostClick(button);
}

bool WaitForExit(RunningProgram& program, DWORD timeoutMs, DWORD& exitCode) {
  if (program.Process == nullptr || WaitForSingleObject(program.Process, timeoutMs) != WAIT_OBJECT_0) return false;
  return GetExitCodeProcess(program.Process, &exitCode) != FALSE;
}

void KillProgram(RunningProgram& program) {
  if (program.Process != nullptr) {
    TerminateProcess(program.Process, 99);
    WaitForSingleObject(program.Process, 5000);
  }
}

void LetProgramSettle(HWND window, DWORD paintMs) {
  SendWithTimeout(window, WM_NULL, 0, 0);
  if (paintMs > 0) Sleep(paintMs);
  SendWithTimeout(window, WM_NULL, 0, 0);
}

COLORREF ScreenPixel(int x, int y) {
  HDC screen = GetDC(nullptr);
  const COLORREF color = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return color;
}

bool SaveScreenshot(const std::wstring& path, const RECT& area) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  SelectObject(memory, old);

  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = width;
  header.biHeight = height;  // bottom-up, as .bmp files store it
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  std::vector<unsigned char> pixels(stride * static_cast<size_t>(height));
  const int rows = GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                             reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (rows != height) return false;

  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(file) + sizeof(header);
  file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
  FILE* out = _wfopen(path.c_str(), L"wb");
  if (out == nullptr) return false;
  const bool written = fwrite(&file, sizeof(file), 1, out) == 1 && fwrite(&header, sizeof(header), 1, out) == 1 &&
                       fwrite(pixels.data(), 1, pixels.size(), out) == pixels.size();
  return fclose(out) == 0 && written;
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) {
    if (c == L'\r') {
      out += "\\r";
    } else if (c == L'\n') {
      out += "\\n";
    } else if (c >= 32 && c < 127) {
      out += static_cast<char>(c);
    } else {
      char escaped[12];
      snprintf(escaped, sizeof(escaped), "\\u%04x", static_cast<unsigned>(c));
      out += escaped;
    }
  }
  return out;
}

std::string ColorText(COLORREF color) {
  char text[32];
  snprintf(text, sizeof(text), "(%u, %u, %u)", GetRValue(color), GetGValue(color), GetBValue(color));
  return text;
}
