#include "ui/folder_line.h"

#include <shlwapi.h>

#include <algorithm>

#include "ui/display_scale.h"

namespace {

HWND folderLine = nullptr;   // the line that shows the folder being searched, or none
HDC folderLineDC = nullptr;  // its drawing context, for shortening the path to its width
std::wstring noted;          // the folder the walk entered last
bool notedShown = true;      // the line shows `noted` already
ULONGLONG shownAt = 0;       // tick count when the line's text was last set

// Shortening, setting and painting the text costs a few milliseconds under Wine, more in the
// 32-bit build: done at every look at the queue through a tree of small folders, that was a
// twentieth of the scan, and even ten times a second a few hundredths, for texts nobody reads at
// that pace.
constexpr ULONGLONG kLeastMillisecondsShown = 250;

constexpr size_t kShownPathUnits = 2048;
constexpr int kFolderLinePixels = 500;  // of the 96-DPI design: the line's width less a margin

}  // namespace

void SetFolderLine(HWND line, HDC lineDC) {
  folderLine = line;
  folderLineDC = lineDC;
  notedShown = true;
}

void NoteFolder(const std::wstring& folder) {
  noted = folder;
  notedShown = false;
}

void ShowNotedFolder() {
  if (notedShown || folderLine == nullptr) return;
  const ULONGLONG now = GetTickCount64();
  if (now - shownAt < kLeastMillisecondsShown) return;
  shownAt = now;
  notedShown = true;
  wchar_t shown[kShownPathUnits + 1] = {};
  noted.copy(shown, std::min(noted.size(), kShownPathUnits));
  PathCompactPathW(folderLineDC, shown, static_cast<UINT>(Scaled(kFolderLinePixels)));
  SendMessageW(folderLine, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(shown));
}
