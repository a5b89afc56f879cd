#include "support/wine_host.h"

#include <windows.h>

#include <cwctype>

#include "support/files.h"

std::string UnixPath(const std::wstring& path) {
  using ToUnix = char*(CDECL*)(const wchar_t*);  // Wine's own way from a Windows path to the host's
  const auto toUnix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* unix = toUnix != nullptr ? toUnix(path.c_str()) : nullptr;
  if (unix == nullptr) return std::string();
  std::string result = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

// Wine may report a host process ended before its work is visible: its status file is awaited.
std::string RunHost(const std::string& command) {
  const TempFolder folder;
  const std::string status = UnixPath(folder / L"status");
  const std::string script = "(" + command + ") > '" + UnixPath(folder / L"out") + "'; echo $? > '" + status +
                             ".part' && mv '" + status + ".part' '" + status + "'";
  std::wstring line = L"/bin/sh -c \"";
  for (const char c : script) line += c == '"' ? std::wstring(L"\\\"") : std::wstring(1, static_cast<wchar_t>(c));
  line += L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return "failed";
  CloseHandle(process.hThread), CloseHandle(process.hProcess);
  std::string code;
  if (!Eventually(600000, [&] { return !(code = ReadBytes(folder / L"status")).empty(); })) return "failed";
  return code == "0\n" ? ReadBytes(folder / L"out") : "failed";
}

SmallDisk::SmallDisk(wchar_t letter, const char* size) {
  char prefix[MAX_PATH] = {};
  if (!GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH)) {
    Why = "no WINEPREFIX: not under Wine";
    return;
  }
  // One folder a letter and process: Wine keeps the folder a drive letter led to, so a letter
  // must always lead to the same one, and no other run may mount or unmount it meanwhile.
  mount_ = "/tmp/fendrel-disk-" + std::string(1, static_cast<char>(letter)) + "-" + std::to_string(GetCurrentProcessId());
  link_ = std::string(prefix) + "/dosdevices/" + static_cast<char>(letter | 0x20) + ":";
  if (RunHost("umount '" + mount_ + "' 2>/dev/null; mkdir -p '" + mount_ + "' && mount -t tmpfs -o size=" + size +
              " fendrel_small_disk '" + mount_ + "' && ln -sfn '" + mount_ + "' '" + link_ + "'") == "failed") {
    Why = "the host would not mount a tmpfs and link it as a drive (that needs its superuser)";
  }
  if (Why.empty()) Root = std::wstring(1, letter) + L":\\";
}

SmallDisk::~SmallDisk() {
  if (!link_.empty()) RunHost("rm -f '" + link_ + "'");
  if (!mount_.empty()) RunHost("umount '" + mount_ + "' 2>/dev/null; rmdir '" + mount_ + "'");
}

bool SmallDisk::Fill() const { return RunHost("cat /dev/zero > '" + mount_ + "/fill' 2>/dev/null; test -s '" + mount_ + "/fill'") != "failed"; }

// The host's name of the file goes through a file of its own: a command line would carry only
// the characters of the locale's code page.
std::wstring HostMd5(const std::wstring& path) {
  const TempFolder folder;
  WriteBytes(folder / L"name", UnixPath(path));
  const std::string sum = RunHost("md5sum < \"$(cat '" + UnixPath(folder / L"name") + "')\"");
  std::wstring digest;
  for (size_t i = 0; i < 32 && i < sum.size(); ++i) digest += static_cast<wchar_t>(towupper(sum[i]));
  return digest;
}
