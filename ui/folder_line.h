// The line on which the window shows the folder a scan is searching. The walk notes every folder
// it enters (through the callback the window puts in the scan's record); the line's text is
// shortened to its width and set only when the queue is about to be looked at (the drains run
// ShowNotedFolder first), with the latest folder noted, and at most four times a second. Painting
// happens only inside drains, so every paint still shows a folder being searched at that moment,
// while the shortening, the round trip to the window server and the painting are not paid for
// texts that nobody could read (most folders of a tree of small folders).
#pragma once

#include <windows.h>

#include <string>

// The line and the drawing context with which the path is shortened to the line's width.
// With no line, nothing is shown.
void SetFolderLine(HWND line, HDC lineDC);

// The folder the walk has just entered; shown at the next drain.
void NoteFolder(const std::wstring& folder);

// Sets the line's text to the latest noted folder, unless it shows it already or was set less
// than a quarter of a second ago.
void ShowNotedFolder();
