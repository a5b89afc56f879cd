// The tool's own message box, shown in this test program over an owner window the size of the
// main window, and acted on from inside its own modal loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>
#include <utility>

#include "support/gui_driver.h"
#include "ui/message_box.h"
#include "ui/owner_window.h"
#include "ui/painted_surface.h"
#include "ui/palette.h"

namespace {

constexpr const wchar_t* kQuestion = L"Are you sure you want to cancel the scan?";

std::function<void(HWND)> pendingAct;  // what the next timer tick does with the open box

void CALLBACK ActOnBox(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = OpenMessageBox();
  if (box == nullptr || !pendingAct) return;
  KillTimer(nullptr, id);
  std::exchange(pendingAct, nullptr)(box);
}

// An owner window standing in for the main window, with the shell's brushes and GDI+.
struct BoxOwner {
  HWND Window;
  BoxOwner() {
    StartGdiplus();
    CreateControlBrushes();
    Window = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 200, 100, 550, 490, nullptr, nullptr, nullptr,
                             nullptr);
    SetOwnerWindow(Window);
  }
  ~BoxOwner() {
    SetOwnerWindow(nullptr);
    DestroyWindow(Window);
  }
  // Shows the box and runs `act` on it from inside the box's loop; gives what the box answered.
  int Show(const wchar_t* right, const wchar_t* left, std::function<void(HWND)> act) const {
    pendingAct = std::move(act);
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, ActOnBox);
    const int result = ShowMessageBox(kQuestion, right, left);
    KillTimer(nullptr, timer);
    return result;
  }
};

// The brightest channel-minimum over a control as painted: light text on the dark surface
// shows as a high value.
int BrightestPixel(HWND control) {
  RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  RECT r{};
  GetClientRect(control, &r);
  HDC dc = GetDC(control);
  int brightest = 0;
  for (int y = 0; y < r.bottom; ++y) {
    for (int x = 0; x < r.right; ++x) {
      const COLORREF c = GetPixel(dc, x, y);
      brightest = std::max(brightest, static_cast<int>(std::min({GetRValue(c), GetGValue(c), GetBValue(c)})));
    }
  }
  ReleaseDC(control, dc);
  return brightest;
}

// DeleteObject as this program imports it, counting the calls on handles that no longer name
// an object: such a call may delete whatever object has since taken the handle.
using DeleteObjectCall = BOOL(WINAPI*)(HGDIOBJ);
DeleteObjectCall realDeleteObject = nullptr;
int staleDeletes = 0;
BOOL WINAPI CountingDeleteObject(HGDIOBJ object) {
  if (GetObjectType(object) == 0) ++staleDeletes;
  return realDeleteObject(object);
}

// Points this program's import slot that holds `function` at `replacement`.
void PatchImport(void* function, void* replacement) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY table = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IAT];
  auto* slots = reinterpret_cast<void**>(base + table.VirtualAddress);
  for (void** slot = slots; slot < slots + table.Size / sizeof(void*); ++slot) {
    if (*slot != function) continue;
    DWORD protection = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
    *slot = replacement;
    VirtualProtect(slot, sizeof *slot, protection, &protection);
  }
}

// Live GDI objects: Wine keeps no count, but a handle's low word alone names its table slot.
DWORD LiveGdiObjects() {
  DWORD live = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  for (ULONG_PTR index = 1; live == 0 && index < 0x10000; ++index) live += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
  return live;
}

// Each way out gives its answer and leaves no quit behind but one that arrived while the box was
// open, posted again for the caller's loop; the box frees everything it made, and its surface
// brush exactly once: the class owns it.
TEST(OwnMessageBox, AnswersEachWayOutAndReleasesWhatItTookOnce) {
  BoxOwner owner;
  realDeleteObject = DeleteObject;
  PatchImport(reinterpret_cast<void*>(realDeleteObject), reinterpret_cast<void*>(CountingDeleteObject));
  HGDIOBJ surface = nullptr;
  EXPECT_EQ(owner.Show(L"No", L"Yes", [&surface](HWND box) {
    surface = reinterpret_cast<HGDIOBJ>(GetClassLongPtrW(box, GCLP_HBRBACKGROUND));
    EXPECT_EQ(ShowMessageBox(L"another", L"OK", nullptr), 0) << "a second box was shown";
    EXPECT_EQ(SendMessageW(box, WM_USER, 0, 0), 0x534B0031);
    EXPECT_TRUE(IsWindowVisible(box));
    RECT r{};
    GetWindowRect(box, &r);
    EXPECT_EQ(r.left, 200 + 125) << "centred over the owner";
    EXPECT_EQ(r.top, 100 + 145);
    EXPECT_GT(BrightestPixel(GetDlgItem(box, kBoxTextId)), 160) << "the question is not legible on the dark surface";
    PressBoxButton(box, true);
  }), 2);
  EXPECT_EQ(owner.Show(L"OK", nullptr, [](HWND box) {
    EXPECT_EQ(GetDlgItem(box, kBoxLeftButtonId), nullptr) << "a notice has no left-hand button";
    PressBoxButton(box, false);
  }), 1);
  const DWORD before = LiveGdiObjects();
  const std::tuple<std::function<void(HWND)>, int, WPARAM> ways[] = {  // the act, the answer, the quit left (0: none)
      {[](HWND box) { PressBoxButton(box, true); }, 2, 0}, {[](HWND box) { PressBoxButton(box, false); }, 1, 0},
      {[](HWND box) { PostMessageW(box, WM_CLOSE, 0, 0); }, 1, 0}, {[](HWND) { PostQuitMessage(7); }, 7, 7}};
  for (int i = 0; i < 200; ++i) {
    const auto& [act, answer, quit] = ways[i % 4];
    EXPECT_EQ(owner.Show(L"No", L"Yes", act), answer) << "way out " << i % 4;
    MSG left{};
    EXPECT_EQ(PeekMessageW(&left, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) ? left.wParam : 0, quit) << "way out " << i % 4;
  }
  PatchImport(reinterpret_cast<void*>(CountingDeleteObject), reinterpret_cast<void*>(realDeleteObject));
  ASSERT_NE(surface, nullptr);
  EXPECT_EQ(GetObjectType(surface), 0u) << "the surface brush outlived its box";
  EXPECT_EQ(staleDeletes, 0) << "DeleteObject on a handle that named nothing any more";
  EXPECT_GT(before, 0u);
  EXPECT_EQ(LiveGdiObjects(), before);
  WNDCLASSW info{};
  EXPECT_FALSE(GetClassInfoW(GetModuleHandleW(nullptr), L"FNX_MsgBox", &info)) << "the class outlived the box";
}

}  // namespace
