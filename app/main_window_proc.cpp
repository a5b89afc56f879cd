#include "app/main_window_proc.h"

#include "app/command_handler.h"
#include "app/main_window_controls.h"
#include "ui/folder_line.h"
#include "ui/message_box.h"
#include "ui/palette.h"

namespace {

bool handShown = false;          // the hand was set over a chrome control, not yet left for the surface
HCURSOR handCursor = nullptr;    // the system hand, loaded on the first call
HCURSOR arrowCursor = nullptr;   // the system arrow, loaded on the first call

// Where the pointer is, as the cursor rule sees it.
enum class PointerPlace { Chrome, Surface, OtherControl };

// The cursor rule for one WM_SETCURSOR: which cursor to set (if any), the hand-shown flag
// afterwards, and the message's answer.
enum class CursorToSet { None, Hand, Arrow };
struct CursorDecision {
  CursorToSet Set;
  bool HandShown;
  BOOL Answer;
};

struct ControlColors {
  COLORREF Text;
  HBRUSH Background;
};

CursorDecision DecideCursor(PointerPlace place, bool shown) {
  switch (place) {
    case PointerPlace::Chrome: return {shown ? CursorToSet::None : CursorToSet::Hand, true, TRUE};
    case PointerPlace::Surface: return {CursorToSet::Arrow, false, FALSE};
    case PointerPlace::OtherControl: break;
  }
  // Left alone, the control shows its own class cursor: hand, text cursor or arrow.
  return {CursorToSet::None, shown, shown ? TRUE : FALSE};
}

// Text colour and background of a control, recognised by its handle in ControlTable.
ControlColors ColorsForControl(HWND control) {
  if (IsControl(control, StatusLineId) || IsControl(control, FolderLineId)) return {StatusTextColor, BandBrush};
  if (IsControl(control, PatternHelpTextId)) return {HelpTextColor, SurfaceBrush};
  return {LabelTextColor, SurfaceBrush};
}

// Where an open message box goes when the main window moves from `current` to `proposed`:
// the same offset, its size kept.
RECT BoxRectAfterMove(const RECT& proposed, const RECT& current, const RECT& box) {
  const LONG left = proposed.left - current.left + box.left;
  const LONG top = proposed.top - current.top + box.top;
  return RECT{left, top, left + (box.right - box.left), top + (box.bottom - box.top)};
}

PointerPlace PlaceOf(HWND mainWindow, HWND under) {
  if (IsControl(under, HelpIconId) || IsControl(under, MinimizeGlyphId) || IsControl(under, CloseGlyphId)) {
    return PointerPlace::Chrome;
  }
  return under == mainWindow ? PointerPlace::Surface : PointerPlace::OtherControl;
}

LRESULT OnClose(HWND window, WPARAM wParam, LPARAM lParam) {
  if (HandleCommand(CloseRequest())) return 0;  // a scan runs: the request became a stop request
  DeleteControlBrushes();
  SetFolderLine(nullptr, nullptr);
  if (FolderLineDC != nullptr) ReleaseDC(Control(FolderLineId), FolderLineDC);
  FolderLineDC = nullptr;
  PostQuitMessage(0);
  return DefWindowProcW(window, WM_CLOSE, wParam, lParam);
}

LRESULT OnSetCursor(HWND window, HWND under) {
  const CursorDecision decision = DecideCursor(PlaceOf(window, under), handShown);
  if (decision.Set == CursorToSet::Hand) SetCursor(handCursor);
  if (decision.Set == CursorToSet::Arrow) SetCursor(arrowCursor);
  handShown = decision.HandShown;
  return decision.Answer;
}

LRESULT OnCommand(HWND control) {
  // Enter and Esc from the dialog manager come without a control: there is nothing to press.
  if (control != nullptr) HandleCommand(control);
  return 0;
}

LRESULT OnControlColor(HDC dc, HWND control) {
  const ControlColors colors = ColorsForControl(control);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colors.Text);
  return reinterpret_cast<LRESULT>(colors.Background);
}

LRESULT OnMoving(HWND window, const RECT* proposed) {
  HWND box = OpenMessageBox();
  RECT boxRect;
  RECT current;
  if (box == nullptr || proposed == nullptr || !GetWindowRect(box, &boxRect) || !GetWindowRect(window, &current)) {
    return TRUE;
  }
  const RECT moved = BoxRectAfterMove(*proposed, current, boxRect);
  MoveWindow(box, moved.left, moved.top, moved.right - moved.left, moved.bottom - moved.top, TRUE);
  return TRUE;
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (handCursor == nullptr) handCursor = LoadCursorW(nullptr, IDC_HAND);
  if (arrowCursor == nullptr) arrowCursor = LoadCursorW(nullptr, IDC_ARROW);
  switch (message) {
    case WM_CLOSE: return OnClose(window, wParam, lParam);
    case WM_SETCURSOR: return OnSetCursor(window, reinterpret_cast<HWND>(wParam));
    case WM_COMMAND: return OnCommand(reinterpret_cast<HWND>(lParam));
    case WM_CTLCOLORSTATIC: return OnControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CTLCOLORBTN: return OnControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_MOVING: return OnMoving(window, reinterpret_cast<const RECT*>(lParam));
    case WM_USER: return kMainWindowIdentity;
    default: return DefWindowProcW(window, message, wParam, lParam);
  }
}
