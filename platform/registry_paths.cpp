#include "platform/registry_paths.h"

#include <cwctype>

namespace {

struct RootName {
  const wchar_t* Name;
  HKEY Root;
  REGSAM View;
};

const RootName kRootNames[] = {
    {L"HKLM", HKEY_LOCAL_MACHINE, 0},
    {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE, 0},
    {L"HKCU", HKEY_CURRENT_USER, 0},
    {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER, 0},
    {L"HKCR", HKEY_CLASSES_ROOT, 0},
    {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT, 0},
    {L"HKU", HKEY_USERS, 0},
    {L"HKEY_USERS", HKEY_USERS, 0},
    {L"HKCC", HKEY_CURRENT_CONFIG, 0},
    {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG, 0},
    {L"HKLM64", HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY},
    {L"HKEY_LOCAL_MACHINE64", HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY},
    {L"HKCR64", HKEY_CLASSES_ROOT, KEY_WOW64_64KEY},
    {L"HKEY_CLASSES_ROOT64", HKEY_CLASSES_ROOT, KEY_WOW64_64KEY},
    {L"HKLM32", HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY},
    {L"HKEY_LOCAL_MACHINE32", HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY},
    {L"HKCR32", HKEY_CLASSES_ROOT, KEY_WOW64_32KEY},
    {L"HKEY_CLASSES_ROOT32", HKEY_CLASSES_ROOT, KEY_WOW64_32KEY},
};

bool SameIgnoringCase(const std::wstring& a, const wchar_t* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != L'\0'; ++i) {
    if (std::towupper(a[i]) != std::towupper(b[i])) return false;
  }
  return i == a.size() && b[i] == L'\0';
}

}  // namespace

HKEY ParseRegistryPath(std::wstring& path, REGSAM* access) {
  if (path.empty()) return nullptr;
  // Only a backslash after a root name of 3 to 22 characters separates it from the subkey.
  size_t slash = std::wstring::npos;
  for (size_t i = 3; i < path.size() && i <= 22; ++i) {
    if (path[i] == L'\\') {
      slash = i;
      break;
    }
  }
  const std::wstring rootName = slash == std::wstring::npos ? path : path.substr(0, slash);
  for (const RootName& row : kRootNames) {
    if (!SameIgnoringCase(rootName, row.Name)) continue;
    if (row.View != 0 && access != nullptr) *access |= row.View;
    path = slash == std::wstring::npos ? std::wstring() : path.substr(slash + 1);
    return row.Root;
  }
  return nullptr;
}

UniqueRegKey OpenCompanionKey() {
  std::wstring path = L"HKLM\\Software\\QLV - Qelvar";
  REGSAM access = KEY_READ | KEY_WOW64_64KEY;
  const HKEY root = ParseRegistryPath(path, &access);
  if (root == nullptr) return nullptr;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.empty() ? nullptr : path.c_str(), 0, access, &key) != ERROR_SUCCESS) return nullptr;
  return UniqueRegKey(key);
}

void JoinMultiString(wchar_t* units, size_t count) {
  if (count == 0) return;
  for (size_t i = 0; i + 1 < count; ++i) {
    if (units[i] == L'\0' && units[i + 1] != L'\0') units[i] = L'\n';
  }
  units[count - 1] = L'\0';
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
  DWORD readSize = size;
  if (RegQueryValueExW(key, L"InstallDir", nullptr, &type, data.data(), &readSize) != ERROR_SUCCESS) return value;
  value.Data = std::move(data);
  value.Size = readSize;
  value.Type = type;
  if (type == REG_MULTI_SZ && readSize > 2) {
    JoinMultiString(reinterpret_cast<wchar_t*>(value.Data.data()), readSize / 2);
  }
  return value;
}
