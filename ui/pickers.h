// The platform's own pickers behind the two "Browse..." buttons. Each fills a string owned by
// the caller and says whether the user chose something; neither looks at what the window's
// boxes hold now, nor keeps anything between calls. Both are modal and owned by the main window.
#pragma once

#include <windows.h>

#include <string>

// The folder picker: true when a folder with a file-system path was chosen, which then
// replaces `path`. A cancel leaves `path` untouched; a virtual shell folder empties it.
bool BrowseForRootFolder(std::wstring& path);

// The save-file picker, proposing "FnxResults": true when the user confirmed a file name,
// whose full path then replaces `path`.
bool BrowseForLogFile(std::wstring& path);
