#include "platform/file_system.h"

#include <vector>

namespace {

bool UnderWow64() {
  static const bool wow64 = [] {
    BOOL answer = FALSE;
    return IsWow64Process(GetCurrentProcess(), &answer) != FALSE && answer != FALSE;
  }();
  return wow64;
}

std::wstring FullPath(const std::wstring& path) {
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::vector<wchar_t> full(needed, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return path;
  return std::wstring(full.data(), length);
}

}  // namespace

std::wstring ExtendedLengthPath(const std::wstring& fullPath) {
  if (fullPath.compare(0, 4, L"\\\\?\\") == 0 || fullPath.compare(0, 4, L"\\\\.\\") == 0) return fullPath;
  if (fullPath.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + fullPath.substr(2);
  if (fullPath.size() >= 3 && fullPath[1] == L':' && fullPath[2] == L'\\') return L"\\\\?\\" + fullPath;
  return fullPath;
}

std::wstring FileSystemPath(const std::wstring& path) {
  if (path.size() < MAX_PATH) return path;
  return ExtendedLengthPath(FullPath(path));
}

RedirectionOff::RedirectionOff() : Off(UnderWow64() && Wow64DisableWow64FsRedirection(&Previous) != FALSE) {}

RedirectionOff::~RedirectionOff() {
  if (Off) Wow64RevertWow64FsRedirection(Previous);
}

HANDLE OpenFileAsItIs(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  const std::wstring target = FileSystemPath(path);
  return AsItIs([&] { return CreateFileW(target.c_str(), access, share, nullptr, disposition, flags, nullptr); });
}

DWORD FileAttributesAsItIs(const std::wstring& path) {
  const std::wstring target = FileSystemPath(path);
  return AsItIs([&] { return GetFileAttributesW(target.c_str()); });
}

bool IsFolderAsItIs(const std::wstring& path) {
  const DWORD attributes = FileAttributesAsItIs(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

HANDLE FindFirstFileAsItIs(const std::wstring& pattern, WIN32_FIND_DATAW* entry) {
  const std::wstring target = FileSystemPath(pattern);
  return AsItIs([&] { return FindFirstFileW(target.c_str(), entry); });
}

bool DeleteFileAsItIs(const std::wstring& path) {
  const std::wstring target = FileSystemPath(path);
  return AsItIs([&] { return DeleteFileW(target.c_str()) != FALSE; });
}

bool CreateFolderAsItIs(const std::wstring& path) {
  const std::wstring target = FileSystemPath(path);
  return AsItIs([&] { return CreateDirectoryW(target.c_str(), nullptr) != FALSE; });
}
