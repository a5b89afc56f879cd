#include "support/files.h"

#include <cwchar>

TempFolder::TempFolder() {
  static unsigned long long made = 0;
  wchar_t temp[MAX_PATH + 1] = {}, name[64];
  GetTempPathW(MAX_PATH, temp);
  do {
    swprintf(name, 64, L"fnx-test-%lu-%llu", GetCurrentProcessId(), ++made);
    Path = temp + std::wstring(name);
  } while (!CreateDirectoryW(Path.c_str(), nullptr));
}

// Removes a folder and everything in it; links are removed, not followed.
static void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
  for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &data)) {
    const std::wstring name = data.cFileName, child = path + L"\\" + name;
    if (name == L"." || name == L"..") continue;
    SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
    const DWORD a = data.dwFileAttributes;
    if ((a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT)) RemoveTree(child);
    (a & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(child.c_str()) : DeleteFileW(child.c_str());
  }
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
  RemoveDirectoryW(path.c_str());
}

TempFolder::~TempFolder() { RemoveTree(Path); }
