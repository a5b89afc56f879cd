// The one door through which a scan reaches the file system, so that every path the user types
// and every path the log shows means the file system as it is:
// - a 32-bit process on 64-bit Windows sees System32 redirected to SysWOW64 unless WOW64
//   redirection is off; it is turned off around each file-system call alone, never across a
//   module load, a message drain or a trust check, which all depend on it;
// - Win32 refuses paths of MAX_PATH units or more unless they come in extended-length form,
//   which is used for exactly those, while the log keeps showing the ordinary path.
#pragma once

#include <windows.h>

#include <string>

// The extended-length form of a full path: \\?\ before a drive path, \\?\UNC\ in place of the
// two backslashes of a share path. A path already in that form, or of another kind, stays.
std::wstring ExtendedLengthPath(const std::wstring& fullPath);

// What the file system is handed for `path`: the path itself below MAX_PATH units, else the
// extended-length form of its full path (relative parts, "." and ".." resolved first, since
// the extended form takes every character literally).
std::wstring FileSystemPath(const std::wstring& path);

// Turns WOW64 file-system redirection off for its lifetime; does nothing outside WOW64.
struct RedirectionOff {
  RedirectionOff();
  ~RedirectionOff();
  RedirectionOff(const RedirectionOff&) = delete;
  RedirectionOff& operator=(const RedirectionOff&) = delete;
  PVOID Previous = nullptr;
  bool Off = false;
};

// Runs one file-system call on the file system as it is.
template <typename Call>
auto AsItIs(Call call) -> decltype(call()) {
  const RedirectionOff off;
  return call();
}

// The usual calls, each through the guard and with the path in the form the system takes.
HANDLE OpenFileAsItIs(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags);
DWORD FileAttributesAsItIs(const std::wstring& path);
bool IsFolderAsItIs(const std::wstring& path);
HANDLE FindFirstFileAsItIs(const std::wstring& pattern, WIN32_FIND_DATAW* entry);
bool DeleteFileAsItIs(const std::wstring& path);
bool CreateFolderAsItIs(const std::wstring& path);
