#include "support/files.h"

#include <cwchar>

#include "support/test_tree.h"

TempFolder::TempFolder() {
  static unsigned long long made = 0;
  wchar_t temp[MAX_PATH + 1] = {}, name[64];
  GetTempPathW(MAX_PATH, temp);
  do {
    swprintf(name, 64, L"fnx-test-%lu-%llu", GetCurrentProcessId(), ++made);
    Path = temp + std::wstring(name);
  } while (!CreateDirectoryW(Path.c_str(), nullptr));
}

// Everything in it, the deepest first, under the names as listed (a trailing dot or blank, past
// 260 units); links are removed, not followed.
TempFolder::~TempFolder() {
  const Listing listing = ListTree(Path, true);
  // By running count, the folder itself first; the listing's "." and ".." entries stand for it
  // too, and its removal, tried again there, only succeeds once it is empty.
  std::vector<std::wstring> met(listing.Count + 1, L"\\\\?\\" + Path);
  for (const auto& [path, at] : listing.Position) {
    const size_t name = path.find_last_of(L'\\') + 1;
    if (path.compare(name, std::wstring::npos, L".") != 0 && path.compare(name, std::wstring::npos, L"..") != 0) met[at] = L"\\\\?\\" + path;
  }
  for (auto entry = met.rbegin(); entry != met.rend(); ++entry) {
    SetFileAttributesW(entry->c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!RemoveDirectoryW(entry->c_str())) DeleteFileW(entry->c_str());
  }
}
