#include "platform/registry_paths.h"

#include <utility>

UniqueRegKey OpenCompanionKey() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\QLV - Qelvar", 0, KEY_READ | KEY_WOW64_64KEY, &key) !=
      ERROR_SUCCESS) {
    return nullptr;
  }
  return UniqueRegKey(key);
}

std::wstring RegistryValue::Text() const {
  if (Data.empty()) return std::wstring();
  return std::wstring(reinterpret_cast<const wchar_t*>(Data.data()));
}

RegistryValue ReadInstallDir(HKEY key) {
  RegistryValue value;
  if (key == nullptr) return value;
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, L"InstallDir", nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return value;
  // Room for a terminator the value may have been stored without, so that reading it as a
  // text never runs past its end.
  std::vector<unsigned char> data((size + 1) / 2 * 2 + sizeof(wchar_t), 0);
  if (RegQueryValueExW(key, L"InstallDir", nullptr, &type, data.data(), &size) != ERROR_SUCCESS) return value;
  value.Data = std::move(data);
  value.Type = type;
  return value;
}
