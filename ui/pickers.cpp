#include "ui/pickers.h"

#include <commdlg.h>
#include <shlobj.h>

#include <memory>
#include <vector>

#include "ui/owner_window.h"

namespace {

// Room of the buffers the pickers write into, in characters.
constexpr size_t kFolderPathRoom = 5097;
constexpr size_t kLogPathRoom = 2048;  // plus the terminator

// One filter pair, ended by an empty pair.
constexpr wchar_t kLogFilter[] = L"Text files\0*.txt\0";

struct ItemListFreer {
  void operator()(ITEMIDLIST* item) const { CoTaskMemFree(item); }
};

// The folder picker's request: whole shell namespace, editable, new style, no preselection.
BROWSEINFOW RootFolderRequest(HWND owner) {
  BROWSEINFOW request{};
  request.hwndOwner = owner;
  request.lpszTitle = L"Select the root folder or drive for the scan";
  request.ulFlags = BIF_EDITBOX | BIF_NEWDIALOGSTYLE | BIF_NOTRANSLATETARGETS;
  return request;
}

// The save picker's request over a buffer of kLogPathRoom + 1 characters.
OPENFILENAMEW LogFileRequest(HWND owner, wchar_t* buffer) {
  OPENFILENAMEW request{};
  request.lStructSize = sizeof(request);
  request.hwndOwner = owner;
  request.lpstrFilter = kLogFilter;
  request.nFilterIndex = 0;
  request.lpstrFile = buffer;
  request.nMaxFile = static_cast<DWORD>(kLogPathRoom);
  request.lpstrTitle = L"Select the path and name for the log";
  // No overwrite question: the log is rewritten on every scan anyway.
  request.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_ENABLESIZING;
  request.lpstrDefExt = L"txt";
  return request;
}

}  // namespace

bool BrowseForRootFolder(std::wstring& path) {
  BROWSEINFOW request = RootFolderRequest(OwnerWindow());
  std::unique_ptr<ITEMIDLIST, ItemListFreer> item(SHBrowseForFolderW(&request));
  if (item == nullptr) return false;
  std::vector<wchar_t> buffer(kFolderPathRoom + 1, L'\0');
  const bool chosen = SHGetPathFromIDListW(item.get(), buffer.data()) != FALSE;
  path.assign(chosen ? buffer.data() : L"");
  return chosen;
}

bool BrowseForLogFile(std::wstring& path) {
  std::vector<wchar_t> buffer(kLogPathRoom + 1, L'\0');
  const std::wstring proposal = L"FnxResults";
  proposal.copy(buffer.data(), proposal.size());
  OPENFILENAMEW request = LogFileRequest(OwnerWindow(), buffer.data());
  const bool chosen = GetSaveFileNameW(&request) != FALSE;
  if (chosen) path.assign(buffer.data());
  return chosen;
}
