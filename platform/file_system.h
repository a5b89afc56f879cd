// The one door through which a scan reaches the file system, so that every path the user types
// and every path the log shows means the file system as it is:
// - a typed path means what Windows makes of it, once: its full path (relative parts, "." and
//   "..", trailing dots and blanks resolved as Windows resolves them), where the typed text is
//   checked; from then on the scan hands the file system only the extended-length form of that
//   full path plus names exactly as the walk found them, so neither the trimming of a trailing
//   dot or blank nor the mapping of a name such as aux.dll to a device can apply to a file the
//   walk found, and no path is too long;
// - a 32-bit process on 64-bit Windows sees System32 redirected to SysWOW64 unless WOW64
//   redirection is off; it is turned off around each file-system call alone, never across a
//   module load, a message drain or a trust check, which all depend on it.
#pragma once

#include <windows.h>

#include <string>

// A path twice: as the log and the window show it, and as the file system is handed it.
struct ScanPath {
  std::wstring Shown;    // the ordinary full path
  std::wstring Literal;  // its extended-length form (\\?\C:\..., \\?\UNC\server\share\...)
};

// What Windows makes of a typed path, in both forms. A text Windows cannot resolve (empty, say)
// gives empty forms, which name nothing.
ScanPath ResolveTypedPath(const std::wstring& typed);

// The same for a folder to walk, without trailing backslashes (C:\ is walked as C:). A bare
// drive ("D:") stands for its root, as the walk has always read it. A folder typed in the
// device namespace (\\.\C:\case) is shown as typed and reached as \\?\C:\case.
ScanPath ResolveTypedFolder(const std::wstring& typed);

// The entry `name` of `folder`, exactly as listed: appended to both forms as it is.
void AppendName(ScanPath& folder, const wchar_t* name);

// The form of a literal folder path that names the folder itself. Where the path names a volume
// or a share without any folder below it (\\?\C:, \\?\Volume{...}, \\?\GLOBALROOT\Device\<name>,
// \\?\UNC\server\share), the device or share alone is not its root folder: the root is asked
// for with its backslash. The walk joins names to the folder's Literal form as it is.
std::wstring FolderItself(const std::wstring& literalFolder);

// Whether the last part of the path is a DOS device name (con, prn, aux, nul, com1-com9,
// lpt1-lpt9, conin$, conout$), which Windows takes for the device in any folder and with any
// extension: "C:\logs\nul.txt" is the NUL device.
bool NamesDosDevice(const std::wstring& path);

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

// The usual calls, each through the guard. Each takes the path as the file system is to see
// it, unchanged: a ScanPath's Literal form (anything else is interpreted by Windows first).
HANDLE OpenFileAsItIs(const std::wstring& literalPath, DWORD access, DWORD share, DWORD disposition, DWORD flags);
DWORD FileAttributesAsItIs(const std::wstring& literalPath);
// Whether the literal folder path (as ResolveTypedFolder gives it) names a folder: a volume's
// root is asked for as FolderItself gives it.
bool IsFolderAsItIs(const std::wstring& literalFolder);
HANDLE FindFirstFileAsItIs(const std::wstring& literalPattern, WIN32_FIND_DATAW* entry);
bool DeleteFileAsItIs(const std::wstring& literalPath);
