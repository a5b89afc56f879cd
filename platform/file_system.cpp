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
  if (needed == 0) return std::wstring();
  std::vector<wchar_t> full(needed, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return std::wstring();
  return std::wstring(full.data(), length);
}

bool IsBareDrive(const std::wstring& path) {
  return path.size() == 2 && path[1] == L':' && ((path[0] | 0x20) >= L'a' && (path[0] | 0x20) <= L'z');
}

// The ordinary form of an extended-length path, for the log; any other path as it is.
std::wstring OrdinaryPath(const std::wstring& path) {
  if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + path.substr(8);
  if (path.compare(0, 4, L"\\\\?\\") == 0 && path.size() >= 6 && path[5] == L':') return path.substr(4);
  return path;
}

// The extended-length form of a full path: \\?\ before a drive path, \\?\UNC\ in place of the
// two backslashes of a share path. A path already in that form, or of another kind, stays.
std::wstring ExtendedLengthPath(const std::wstring& fullPath) {
  if (fullPath.compare(0, 4, L"\\\\?\\") == 0 || fullPath.compare(0, 4, L"\\\\.\\") == 0) return fullPath;
  if (fullPath.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + fullPath.substr(2);
  if (fullPath.size() >= 3 && fullPath[1] == L':' && fullPath[2] == L'\\') return L"\\\\?\\" + fullPath;
  return fullPath;
}

}  // namespace

ScanPath ResolveTypedPath(const std::wstring& typed) {
  const std::wstring full = FullPath(typed);
  ScanPath path;
  if (full.empty()) return path;
  path.Literal = ExtendedLengthPath(full);
  path.Shown = OrdinaryPath(full);
  return path;
}

ScanPath ResolveTypedFolder(const std::wstring& typed) {
  // "D:" alone would be the current folder of drive D; the walk has always taken it as the
  // drive's root, and so does every check of it now.
  ScanPath path = ResolveTypedPath(IsBareDrive(typed) ? typed + L"\\" : typed);
  while (!path.Shown.empty() && path.Shown.back() == L'\\') path.Shown.pop_back();
  while (!path.Literal.empty() && path.Literal.back() == L'\\') path.Literal.pop_back();
  return path;
}

void AppendName(ScanPath& folder, const wchar_t* name) {
  folder.Shown += L'\\';
  folder.Shown += name;
  folder.Literal += L'\\';
  folder.Literal += name;
}

bool OrdinaryPathNamesIt(const std::wstring& literalPath) {
  return ExtendedLengthPath(FullPath(OrdinaryPath(literalPath))) == literalPath;
}

RedirectionOff::RedirectionOff() : Off(UnderWow64() && Wow64DisableWow64FsRedirection(&Previous) != FALSE) {}

RedirectionOff::~RedirectionOff() {
  if (Off) Wow64RevertWow64FsRedirection(Previous);
}

HANDLE OpenFileAsItIs(const std::wstring& literalPath, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  return AsItIs([&] { return CreateFileW(literalPath.c_str(), access, share, nullptr, disposition, flags, nullptr); });
}

DWORD FileAttributesAsItIs(const std::wstring& literalPath) {
  return AsItIs([&] { return GetFileAttributesW(literalPath.c_str()); });
}

bool IsFolderAsItIs(const std::wstring& literalPath) {
  // A drive's root, kept as \\?\C: for the walk, is a folder only with its backslash.
  const bool drive = !literalPath.empty() && literalPath.back() == L':';
  const DWORD attributes = FileAttributesAsItIs(drive ? literalPath + L"\\" : literalPath);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

HANDLE FindFirstFileAsItIs(const std::wstring& literalPattern, WIN32_FIND_DATAW* entry) {
  return AsItIs([&] { return FindFirstFileW(literalPattern.c_str(), entry); });
}

bool DeleteFileAsItIs(const std::wstring& literalPath) {
  return AsItIs([&] { return DeleteFileW(literalPath.c_str()) != FALSE; });
}
