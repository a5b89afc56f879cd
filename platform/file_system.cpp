#include "platform/file_system.h"

#include <cwchar>
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

bool StartsWith(const std::wstring& path, const wchar_t* prefix) { return path.compare(0, wcslen(prefix), prefix) == 0; }

// The ordinary form of an extended-length path, for the log; any other path as it is.
std::wstring OrdinaryPath(const std::wstring& path) {
  if (StartsWith(path, L"\\\\?\\UNC\\")) return L"\\\\" + path.substr(8);
  if (StartsWith(path, L"\\\\?\\") && path.size() >= 6 && path[5] == L':') return path.substr(4);
  return path;
}

// The extended-length form of a full path: \\?\ before a drive path, \\?\UNC\ in place of the
// two backslashes of a share path, \\?\ in place of the device namespace's \\.\ (which Windows
// still normalises: a name's trailing dot or blank would be trimmed and paths of 260 units
// refused). A path already in that form, or of another kind, stays.
std::wstring ExtendedLengthPath(const std::wstring& fullPath) {
  if (StartsWith(fullPath, L"\\\\?\\")) return fullPath;
  if (StartsWith(fullPath, L"\\\\.\\")) return L"\\\\?\\" + fullPath.substr(4);
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

std::wstring FolderItself(const std::wstring& literalFolder) {
  if (!StartsWith(literalFolder, L"\\\\?\\") || literalFolder.size() == 4 || literalFolder.back() == L'\\') {
    return literalFolder;
  }
  std::vector<std::wstring> parts(1);
  for (const wchar_t c : literalFolder.substr(4)) {
    if (c == L'\\') {
      parts.emplace_back();
    } else {
      parts.back().push_back(c);
    }
  }
  const auto is = [&parts](size_t part, const wchar_t* name) {
    return CompareStringOrdinal(parts[part].c_str(), -1, name, -1, TRUE) == CSTR_EQUAL;
  };
  // One part names a device of the object namespace (C:, Volume{...}, HarddiskVolume3); a share
  // is UNC\server\share, a device reached from the namespace's root GLOBALROOT\Device\<name>,
  // and a share reached through the network's device GLOBALROOT\Device\Mup\server\share.
  const bool volume = parts.size() == 1 || (parts.size() == 3 && (is(0, L"UNC") || is(0, L"GLOBALROOT"))) ||
                      (parts.size() == 5 && is(0, L"GLOBALROOT") && is(1, L"Device") && is(2, L"Mup"));
  return volume ? literalFolder + L"\\" : literalFolder;
}

bool NamesDosDevice(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  std::wstring name = path.substr(slash == std::wstring::npos ? 0 : slash + 1);
  if (name.size() >= 2 && name[1] == L':') name.erase(0, 2);  // "X:nul", relative to drive X
  // The device is the part before any extension or stream, blanks at its end ignored.
  name = name.substr(0, name.find_first_of(L".:"));
  while (!name.empty() && name.back() == L' ') name.pop_back();
  if (name.size() < 3 || name.size() > 7) return false;
  for (wchar_t& c : name) c = static_cast<wchar_t>(c >= L'A' && c <= L'Z' ? c + (L'a' - L'A') : c);
  for (const wchar_t* device : {L"con", L"prn", L"aux", L"nul", L"conin$", L"conout$"}) {
    if (name == device) return true;
  }
  return name.size() == 4 && (name.compare(0, 3, L"com") == 0 || name.compare(0, 3, L"lpt") == 0) &&
         name[3] >= L'1' && name[3] <= L'9';
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

bool IsFolderAsItIs(const std::wstring& literalFolder) {
  const DWORD attributes = FileAttributesAsItIs(FolderItself(literalFolder));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

HANDLE FindFirstFileAsItIs(const std::wstring& literalPattern, WIN32_FIND_DATAW* entry) {
  return AsItIs([&] { return FindFirstFileW(literalPattern.c_str(), entry); });
}

bool DeleteFileAsItIs(const std::wstring& literalPath) {
  return AsItIs([&] { return DeleteFileW(literalPath.c_str()) != FALSE; });
}
