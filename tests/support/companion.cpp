#include "support/companion.h"

#include "support/gui_driver.h"

std::pair<std::wstring, std::wstring> StandIn::Invocation(DWORD timeoutMs) const {
  std::string bytes;
  if (!Eventually(Allowed(timeoutMs), [&] { return !(bytes = ReadBytes(Record())).empty(); })) return {};
  DeleteFileW(Record().c_str());
  const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
  const size_t split = text.find(L'\n');
  return {text.substr(0, split), text.substr(split + 1, text.size() - split - 2)};
}

Companion::Companion(DWORD type, REGSAM view) : View(view) {
  HKEY key = nullptr;
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\QLV - Qelvar", 0, nullptr, 0, KEY_ALL_ACCESS | View, nullptr, &key,
                  nullptr);
  RegSetValueExW(key, L"InstallDir", 0, type, reinterpret_cast<const BYTE*>(Folder.Path.c_str()),
                 static_cast<DWORD>((Folder.Path.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}
