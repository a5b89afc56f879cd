#include "app/main_window_controls.h"

#include <commctrl.h>
#include <uxtheme.h>

#include "scan/log_text.h"
#include "ui/folder_line.h"
#include "res/resource_ids.h"
#include "ui/control_font.h"
#include "ui/display_scale.h"
#include "ui/icon_image.h"
#include "ui/owner_window.h"

HWND ControlTable[kLastControlId + 1] = {};
HWND MainWindow = nullptr;
HDC FolderLineDC = nullptr;

namespace {

// One control as it is made: class, text, style, place, font and tool tip. Places, sizes and
// font heights are pixels of the 96-DPI design, scaled to the display when the control is made.
struct ControlDef {
  ControlId Id;
  const wchar_t* ClassName;
  const wchar_t* Text;  // null: set from the start-up defaults, or none
  DWORD Style;          // besides WS_CHILD and WS_VISIBLE
  int X;
  int Y;
  int Width;
  int Height;
  const wchar_t* FontFace;  // null: the platform's font
  int FontPixels;
  int FontWeight;
  const wchar_t* ToolTip;  // null: none
};

constexpr DWORD kLabel = SS_LEFT | SS_NOTIFY;
constexpr DWORD kCentredLabel = SS_CENTER | SS_NOTIFY;
// The pattern and age boxes stop taking text at their visible width: no ES_AUTOHSCROLL.
constexpr DWORD kFixedEdit = WS_BORDER | WS_TABSTOP;
constexpr DWORD kScrollingEdit = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kCheck = BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kPush = BS_PUSHBUTTON | WS_TABSTOP;

// The initial text of PatternEdit.
constexpr const wchar_t* kDefaultPattern = L".exe|.dll|.com|.vbs|.cmd|.bat|.reg|.sys|.vbe|.scr";

constexpr const wchar_t* kPatternHelp =
    L"Enter the file name pattern you wish to search for in the input box below.\r\n"
    L"Separate several keywords with \"|\". You can use wildcards like \"*\" or \"?\"";

// In creation order, which is also the tab order of the tab stops; the spin must come right
// after MaxAgeEdit, since it takes the control made just before it as its buddy.
constexpr ControlDef kControls[] = {
    {HelpIconId, L"Static", nullptr, SS_ICON | SS_REALSIZECONTROL | SS_NOTIFY, 15, 15, 64, 64, nullptr, 0, 0,
     L"Click to get help"},
    {TitleLabelId, L"Static", L"\r\nFendrel", kCentredLabel, 100, 5, 350, 70, L"Arial", 26, FW_EXTRABOLD,
     L"Click and drag to move the window"},
    {MinimizeGlyphId, L"Static", L"-", kCentredLabel, 480, 6, 15, 20, L"Tahoma", 21, FW_EXTRABOLD, L"Minimize"},
    {CloseGlyphId, L"Static", L"x", kCentredLabel, 510, 6, 15, 20, L"Tahoma", 16, FW_EXTRABOLD, L"Close"},
    {PatternHelpTextId, L"Static", kPatternHelp, kLabel, 20, 100, 510, 30, L"Verdana", 11, FW_NORMAL, nullptr},
    {PatternLabelId, L"Static", L"Pattern:", kLabel, 20, 137, 50, 15, L"Verdana", 11, FW_NORMAL, nullptr},
    {PatternEditId, L"Edit", kDefaultPattern, kFixedEdit, 70, 135, 460, 20, L"Verdana", 11, FW_NORMAL, nullptr},
    {MaxAgeLabelId, L"Static", L"Max age (days):", kLabel, 20, 182, 100, 15, L"Verdana", 11, FW_NORMAL, nullptr},
    {MaxAgeEditId, L"Edit", L"", kFixedEdit, 120, 180, 55, 20, L"Verdana", 11, FW_NORMAL, nullptr},
    {MaxAgeSpinId, UPDOWN_CLASSW, nullptr,
     UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS | UDS_HOTTRACK | UDS_NOTHOUSANDS, 160, 180, 60,
     20, nullptr, 0, 0, nullptr},
    {IncludeMicrosoftCheckId, L"Button", L"Include Microsoft files", kCheck, 195, 182, 160, 20, L"Verdana", 11,
     FW_NORMAL, nullptr},
    {RecurseCheckId, L"Button", L"Recurse subfolders", kCheck, 370, 182, 160, 20, L"Verdana", 11, FW_NORMAL, nullptr},
    {RecentFoldersCheckId, L"Button", L"Scan recent folders", kCheck, 20, 207, 160, 20, L"Verdana", 11, FW_NORMAL,
     nullptr},
    {DescriptionCheckId, L"Button", L"Include file description", kCheck, 195, 207, 160, 20, L"Verdana", 11,
     FW_NORMAL, nullptr},
    {CompanyCheckId, L"Button", L"Include company name", kCheck, 370, 207, 160, 20, L"Verdana", 11, FW_NORMAL,
     nullptr},
    {VerifySignaturesCheckId, L"Button", L"Verify file signatures", kCheck, 20, 232, 160, 20, L"Verdana", 11,
     FW_NORMAL, nullptr},
    {Md5CheckId, L"Button", L"Include MD5 file hash", kCheck, 195, 232, 160, 20, L"Verdana", 11, FW_NORMAL, nullptr},
    {SizeCheckId, L"Button", L"Include file size", kCheck, 370, 232, 160, 20, L"Verdana", 11, FW_NORMAL, nullptr},
    {AttributesCheckId, L"Button", L"Include file attributes", kCheck, 20, 257, 160, 20, L"Verdana", 11, FW_NORMAL,
     nullptr},
    {BlankLineCheckId, L"Button", L"Separate the matched items lines with a blank line", kCheck, 195, 257, 320, 20,
     L"Verdana", 11, FW_NORMAL, nullptr},
    {RootLabelId, L"Static", L"Search path root:", kLabel, 20, 302, 100, 20, L"Arial", 12, FW_NORMAL, nullptr},
    {RootEditId, L"Edit", nullptr, kScrollingEdit, 120, 300, 340, 20, L"Arial", 12, FW_NORMAL, nullptr},
    {BrowseRootButtonId, L"Button", L"Browse...", kPush, 465, 299, 65, 22, L"Arial", 12, FW_NORMAL, nullptr},
    {LogLabelId, L"Static", L"Save results to:", kLabel, 20, 332, 100, 20, L"Arial", 12, FW_NORMAL, nullptr},
    {LogPathEditId, L"Edit", nullptr, kScrollingEdit, 120, 330, 340, 20, L"Arial", 12, FW_NORMAL, nullptr},
    {BrowseLogButtonId, L"Button", L"Browse...", kPush, 465, 329, 65, 22, L"Arial", 12, FW_NORMAL, nullptr},
    {TimestampLabelId, L"Static", L"Timestamp base:", kLabel, 20, 384, 100, 20, L"Arial", 12, FW_NORMAL, nullptr},
    {TimestampComboId, L"ComboBox", nullptr, CBS_DROPDOWNLIST | CBS_HASSTRINGS | WS_TABSTOP, 125, 380, 130, 28,
     L"Arial", 12, FW_NORMAL, nullptr},
    {StartScanButtonId, L"Button", L"Start scan", BS_DEFPUSHBUTTON | WS_TABSTOP, 305, 378, 130, 25, L"Arial", 12,
     FW_EXTRABOLD, nullptr},
    {StatusLineId, L"Static", L"Waiting for Start scan...", kCentredLabel, 100, 430, 350, 20, L"Verdana", 12,
     FW_NORMAL, nullptr},
    {FolderLineId, L"Static", L"", kLabel, 20, 460, 510, 16, L"Verdana", 11, FW_NORMAL, nullptr},
};

// The two ids whose options start switched off.
bool StartsChecked(ControlId id) { return id != VerifySignaturesCheckId && id != AttributesCheckId; }

bool IsCheckBox(ControlId id) { return id >= IncludeMicrosoftCheckId && id <= BlankLineCheckId; }

const wchar_t* InitialText(const ControlDef& def, const std::wstring& defaultRoot,
                           const std::wstring& defaultLogPath) {
  if (def.Id == RootEditId) return defaultRoot.c_str();
  if (def.Id == LogPathEditId) return defaultLogPath.c_str();
  return def.Text;
}

// The program icon at 64 pixels of the design, from the image that suits the display best.
void ShowHelpIcon(HINSTANCE instance, HWND icon) {
  HICON image = LoadIconAtSize(instance, IDI_FENDREL, Scaled(64));
  if (image != nullptr) SendMessageW(icon, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(image));
}

// The items in the order of their TimestampBase values, which their indices are.
void FillTimestampCombo(HWND combo) {
  for (TimestampBase base : {TimestampBase::Creation, TimestampBase::LastAccess, TimestampBase::LastWrite}) {
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(NamesOf(base).Caption));
  }
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(TimestampBase::LastWrite), 0);
}

// Filling, colours and states that depend on the control's role.
void PrepareControl(HINSTANCE instance, HCURSOR handCursor, const ControlDef& def, HWND control) {
  if (def.Id == HelpIconId) ShowHelpIcon(instance, control);
  if (def.Id == MaxAgeSpinId) {
    SendMessageW(control, UDM_SETRANGE, 0, MAKELPARAM(1000, 1));
    if (Control(MaxAgeEditId) != nullptr) SetWindowTextW(Control(MaxAgeEditId), L"30");
  }
  if (IsCheckBox(def.Id)) {
    // The class cursor is shared: this gives the hand to every button of the process, the
    // message box's included.
    if (def.Id == IncludeMicrosoftCheckId) SetClassLongPtrW(control, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(handCursor));
    // Without a theme the box and its text take the colours the window procedure gives.
    SetWindowTheme(control, L"", L"");
    if (StartsChecked(def.Id)) SendMessageW(control, BM_SETCHECK, BST_CHECKED, 0);
  }
  if (def.Id == TimestampComboId) {
    FillTimestampCombo(control);
    SetClassLongPtrW(control, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(handCursor));
  }
  // Fonts live as long as the process, like the controls.
  if (def.FontFace != nullptr) SetControlPixelFont(control, def.FontFace, def.FontPixels, def.FontWeight);
  if (def.ToolTip != nullptr) AddToolTip(control, def.ToolTip);
}

}  // namespace

void CreateMainWindowControls(HINSTANCE instance, HCURSOR handCursor, const std::wstring& defaultRoot,
                              const std::wstring& defaultLogPath) {
  for (const ControlDef& def : kControls) {
    HWND control = CreateWindowExW(0, def.ClassName, InitialText(def, defaultRoot, defaultLogPath),
                                   WS_CHILD | WS_VISIBLE | def.Style, Scaled(def.X), Scaled(def.Y), Scaled(def.Width),
                                   Scaled(def.Height), MainWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(def.Id)),
                                   instance, nullptr);
    ControlTable[def.Id] = control;
    if (control != nullptr) PrepareControl(instance, handCursor, def, control);
  }
  HWND folderLine = Control(FolderLineId);
  if (folderLine != nullptr) {
    FolderLineDC = GetWindowDC(folderLine);
    SetFolderLine(folderLine, FolderLineDC);
  }
}
