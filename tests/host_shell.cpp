#include "host_shell.h"

#include <windows.h>

#include <vector>

#include "temp_folder.h"

std::string UnixPath(const std::wstring& path) {
  using ToUnix = char*(CDECL*)(const wchar_t*);
  const auto toUnix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* unix = toUnix != nullptr ? toUnix(path.c_str()) : nullptr;
  if (unix == nullptr) return std::string();
  std::string result = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

// Wine starts a host program without a process handle to wait on: the command leaves its
// exit status in a file, which is waited for instead.
bool RunHost(const std::string& command) {
  const TempFolder folder;
  const std::string status = UnixPath(folder / L"status");
  const std::string script = "(" + command + "); echo $? > '" + status + ".part' && mv '" + status + ".part' '" + status + "'";
  std::wstring line = L"/bin/sh -c \"" + std::wstring(script.begin(), script.end()) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return false;
  for (const HANDLE h : {process.hThread, process.hProcess}) {
    if (h != nullptr) CloseHandle(h);
  }
  for (int waited = 0; waited < 600000; waited += 20) {
    const std::vector<unsigned char> code = ReadBytes(folder / L"status");
    if (!code.empty()) return code[0] == '0' && code.size() == 2;
    Sleep(20);
  }
  return false;
}
