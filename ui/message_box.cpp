#include "ui/message_box.h"

#include <array>

#include "platform/message_drains.h"
#include "platform/scope_guard.h"
#include "ui/control_font.h"
#include "ui/display_scale.h"
#include "ui/owner_window.h"
#include "ui/painted_surface.h"
#include "ui/palette.h"

namespace {

constexpr const wchar_t* kBoxClass = L"FNX_MsgBox";
constexpr SurfaceLayout kBoxSurface{300, 200, 150};  // the whole box: body, band, frame
// Stands for a child that was not asked for or could not be made; never equals a real handle.
const HWND kAbsent = reinterpret_cast<HWND>(static_cast<INT_PTR>(-1));

HWND openBox = nullptr;         // the box while one is shown
HWND textLabel = kAbsent;       // the box's message text
HWND leftButton = kAbsent;      // the left-hand button
HWND rightButton = kAbsent;     // the right-hand button
bool boxPostedQuit = false;     // the quit that ends the box's loop came from the box itself

HWND CreateChild(HWND box, const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int width,
                 int height, int id) {
  HWND child = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, Scaled(x), Scaled(y), Scaled(width),
                               Scaled(height), box, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               GetModuleHandleW(nullptr), nullptr);
  return child != nullptr ? child : kAbsent;
}

HWND CreateButton(HWND box, const wchar_t* label, DWORD style, int x, int id, UniqueGdiObject<HFONT>& font) {
  if (label == nullptr) return kAbsent;
  HWND button = CreateChild(box, L"Button", label, style | WS_TABSTOP, x, 162, 60, 25, id);
  if (button != kAbsent) font.reset(SetControlPixelFont(button, L"Arial", 12, FW_EXTRABOLD));  // 9 points
  return button;
}

LRESULT CALLBACK MessageBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

struct LoopEnd {
  int Result;
  bool RepostQuit;
};

// Everything one showing takes is released before this returns, in reverse order of making:
// the window (and with it its children), the class (and with it the surface brush), the fonts.
LoopEnd RunBox(const wchar_t* message, const wchar_t* rightLabel, const wchar_t* leftLabel) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  UniqueGdiObject<HBRUSH> surface(PaintSurfaceBrush(kBoxSurface));
  std::array<UniqueGdiObject<HFONT>, 3> fonts;

  WNDCLASSEXW boxClass{};
  boxClass.cbSize = sizeof(boxClass);
  boxClass.style = CS_PARENTDC | CS_DROPSHADOW;
  boxClass.lpfnWndProc = MessageBoxProc;
  boxClass.hInstance = instance;
  boxClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  boxClass.hbrBackground = surface.get();
  boxClass.lpszClassName = kBoxClass;
  if (RegisterClassExW(&boxClass) == 0) return {kBoxNotShown, false};
  // The class owns its background brush from here on and deletes it when it is unregistered;
  // deleting it again would hit a stale handle, which may by then name another object.
  surface.release();
  auto unregister = OnScopeExit([instance] { UnregisterClassW(kBoxClass, instance); });

  // WS_CHILD alongside WS_POPUP still makes a top-level window placed in screen coordinates.
  HWND box = CreateWindowExW(0, kBoxClass, L"", WS_POPUP | WS_CHILD, 0, 0, Scaled(kBoxSurface.Width),
                             Scaled(kBoxSurface.Height), OwnerWindow(), nullptr, instance, nullptr);
  if (box == nullptr) return {kBoxNotShown, false};
  openBox = box;
  auto destroy = OnScopeExit([box] {
    DestroyWindow(box);
    openBox = nullptr;
    textLabel = leftButton = rightButton = kAbsent;
  });

  textLabel = CreateChild(box, L"Static", message, SS_LEFT | SS_NOTIFY, 10, 20, 280, 120, kBoxTextId);
  if (textLabel != kAbsent) fonts[0].reset(SetControlPixelFont(textLabel, L"Arial", 12, FW_EXTRABOLD));
  leftButton = CreateButton(box, leftLabel, BS_PUSHBUTTON, 60, kBoxLeftButtonId, fonts[1]);
  rightButton = CreateButton(box, rightLabel, BS_DEFPUSHBUTTON, 180, kBoxRightButtonId, fonts[2]);

  CenterOverMainWindow(box);
  ShowWindow(box, SW_SHOW);
  // The WS_CHILD bit keeps ShowWindow from activating the box; taking the focus does, and
  // leaves no button focused, so Enter presses nothing until the user picks a button.
  SetFocus(box);
  UpdateWindow(box);

  boxPostedQuit = false;
  int answer = kBoxNotShown;
  if (!RunMessageLoop(box, answer)) return {kBoxNotShown, false};  // GetMessageW failed; nothing was asked of us
  return {answer, !boxPostedQuit};
}

// What the box does with a message from one of its children or a close request.
enum class BoxAction { Nothing, AnswerRight, AnswerLeft, DragBox };

BoxAction DecideBoxAction(UINT message, HWND source, HWND label, HWND left, HWND right) {
  if (message == WM_CLOSE || source == right) return BoxAction::AnswerRight;
  if (source == left) return BoxAction::AnswerLeft;
  if (source == label) return BoxAction::DragBox;
  return BoxAction::Nothing;
}

LRESULT OnBoxCommand(HWND window, UINT message, HWND source) {
  switch (DecideBoxAction(message, source, textLabel, leftButton, rightButton)) {
    case BoxAction::AnswerRight:
      boxPostedQuit = true;
      PostQuitMessage(kBoxRight);
      break;
    case BoxAction::AnswerLeft:
      boxPostedQuit = true;
      PostQuitMessage(kBoxLeft);
      break;
    case BoxAction::DragBox:
      DefWindowProcW(window, WM_NCLBUTTONDOWN, HTCAPTION, 0);
      break;
    case BoxAction::Nothing:
      break;
  }
  return 0;
}

LRESULT OnBoxControlColor(HDC dc) {
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, LabelTextColor);
  return reinterpret_cast<LRESULT>(SurfaceBrush);
}

LRESULT CALLBACK MessageBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: return OnBoxCommand(window, message, reinterpret_cast<HWND>(lParam));
    case WM_CLOSE: return OnBoxCommand(window, message, nullptr);
    case WM_CTLCOLORSTATIC: return OnBoxControlColor(reinterpret_cast<HDC>(wParam));
    case WM_CTLCOLORBTN: return OnBoxControlColor(reinterpret_cast<HDC>(wParam));
    case WM_USER: return kMessageBoxIdentity;
    default: return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

HWND OpenMessageBox() { return openBox; }

int ShowMessageBox(const wchar_t* message, const wchar_t* rightLabel, const wchar_t* leftLabel) {
  if (openBox != nullptr) return kBoxNotShown;
  const LoopEnd end = RunBox(message, rightLabel, leftLabel);
  // The box's loop took a quit meant for the application: hand it on now that the box is gone.
  if (end.RepostQuit) PostQuitMessage(end.Result);
  return end.Result;
}
