// The main window's 31 controls: ids, the table of their handles, and their creation.
#pragma once

#include <windows.h>

#include <string>

// Control ids; each is also the control's child identifier and its index in ControlTable.
enum ControlId : int {
  HelpIconId = 4,
  TitleLabelId = 5,
  MinimizeGlyphId = 6,
  CloseGlyphId = 7,
  PatternHelpTextId = 8,
  PatternLabelId = 9,
  PatternEditId = 10,
  MaxAgeLabelId = 11,
  MaxAgeEditId = 12,
  MaxAgeSpinId = 13,
  IncludeMicrosoftCheckId = 14,
  RecurseCheckId = 15,
  RecentFoldersCheckId = 16,
  DescriptionCheckId = 17,
  CompanyCheckId = 18,
  VerifySignaturesCheckId = 19,
  Md5CheckId = 20,
  SizeCheckId = 21,
  AttributesCheckId = 22,
  BlankLineCheckId = 23,
  RootLabelId = 24,
  RootEditId = 25,
  BrowseRootButtonId = 26,
  LogLabelId = 27,
  LogPathEditId = 28,
  BrowseLogButtonId = 29,
  TimestampLabelId = 30,
  TimestampComboId = 31,
  StartScanButtonId = 32,
  StatusLineId = 33,
  FolderLineId = 34,
};

constexpr int kLastControlId = FolderLineId;

// Handles of the controls by id (4 to 34); an entry stays null when its control failed.
extern HWND ControlTable[kLastControlId + 1];

inline HWND Control(ControlId id) { return ControlTable[id]; }

// Whether `window` is the control `id`; a control that failed to be made matches nothing.
inline bool IsControl(HWND window, ControlId id) { return window != nullptr && window == Control(id); }

// The one top-level window of class "FNX_Wnd_Class"; null until created.
extern HWND MainWindow;

// Drawing context of FolderLine, with which the paths the walk enters are shortened to its width.
extern HDC FolderLineDC;

// Creates the 31 controls in their fixed order with their texts, fonts, tool tips, colours
// and initial states, takes FolderLineDC and hands both to the folder line. A control,
// font or image that cannot be made is skipped silently; its table entry stays null.
void CreateMainWindowControls(HINSTANCE instance, HCURSOR handCursor, const std::wstring& defaultRoot,
                              const std::wstring& defaultLogPath);
