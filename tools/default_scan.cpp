// Drives the window through one scan with its default options, as a person pressing
// "Start scan" would, then prints where the log is and its footer and closes the tool.
// Started by `bash tools/run.sh --default-scan`; the program itself keeps no command line.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/main_window_controls.h"
#include "bench/log_units.h"
#include "support/gui_driver.h"

namespace {

std::string Utf8(const std::wstring& text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                         nullptr);
  std::string out(static_cast<size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length,
                                      nullptr, nullptr);
  return out;
}

}  // namespace

int main() {
  RunningProgram program;
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  if (!StartProgram(program, folder) || !WaitForMainWindow(program)) {
    fprintf(stderr, "Fendrel did not start\n");
    return 1;
  }
  const std::wstring logPath = WindowText(GetDlgItem(program.Window, LogPathEditId));
  const std::wstring root = WindowText(GetDlgItem(program.Window, RootEditId));
  DeleteFileW(logPath.c_str());
  printf("Scanning %s with the default options...\n", Utf8(root).c_str());
  fflush(stdout);
  PostClick(GetDlgItem(program.Window, StartScanButtonId));
  const DWORD start = GetTickCount();
  for (;;) {
    if (LogClosed(logPath) && WindowText(GetDlgItem(program.Window, StartScanButtonId)) == L"Start scan") break;
    if (GetTickCount() - start > 30 * 60 * 1000) {
      fprintf(stderr, "the scan did not finish within 30 minutes\n");
      return 1;
    }
    Sleep(200);
  }
  printf("Log: %s (%.1f s)\n", Utf8(logPath).c_str(), (GetTickCount() - start) / 1000.0);
  const std::wstring log = ReadLogUnits(logPath);
  // The footer: from the end line on, with the log's doubled carriage returns taken out.
  std::wstring footer = log.substr(log.rfind(L"   The FNX scan"));
  std::wstring plain;
  for (const wchar_t c : footer) {
    if (c != L'\r') plain += c;
  }
  printf("%s\n", Utf8(plain).c_str());
  PostMessageW(program.Window, WM_CLOSE, 0, 0);
  DWORD exitCode = 1;
  WaitForExit(program, 20000, exitCode);
  return static_cast<int>(exitCode);
}
