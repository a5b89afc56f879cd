// The tool's own message box, shown in this test program over an owner window the size of the
// main window, and acted on from inside its own modal loop.
#include <gtest/gtest.h>

#include <functional>

#include "gui_driver.h"
#include "scan/message_drains.h"
#include "ui/message_box.h"
#include "ui/painted_surfaces.h"

namespace {

constexpr const wchar_t* kQuestion = L"Are you sure you want to cancel the scan?";

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

std::function<void(HWND)> pendingAct;  // what the next timer tick does with the open box

void CALLBACK ActOnBox(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = OpenMessageBox();
  if (box == nullptr || !pendingAct) return;
  KillTimer(nullptr, id);
  std::function<void(HWND)> act = std::move(pendingAct);
  act(box);
}

// An owner window standing in for the main window, with the shell's brushes and GDI+.
struct BoxOwner {
  HWND Window;
  BoxOwner() {
    StartGdiplus();
    CreateControlBrushes();
    WNDCLASSW wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.lpszClassName = L"FNX_BoxTestOwner";
    RegisterClassW(&wc);
    Window = CreateWindowExW(0, wc.lpszClassName, L"owner", WS_POPUP | WS_VISIBLE, 200, 100, 550, 490, nullptr, nullptr,
                             nullptr, nullptr);
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

TEST(OwnMessageBox, AnswersWhichWayItEndedAndRefusesASecondBox) {
  BoxOwner owner;
  const struct {
    const char* Name;
    int Expected;
    std::function<void(HWND)> Act;
  } cases[] = {
      {"left button", 2, [](HWND box) { PressBoxButton(box, true); }},
      {"right button", 1, [](HWND box) { PressBoxButton(box, false); }},
      {"close request", 1, [](HWND box) { PostMessageW(box, WM_CLOSE, 0, 0); }},
      {"a second box is refused", 1, [](HWND box) {
         EXPECT_EQ(ShowMessageBox(L"another", L"OK", nullptr), 0);
         EXPECT_EQ(OpenMessageBox(), box);
         EXPECT_EQ(SendMessageW(box, WM_USER, 0, 0), 0x534B0031);
         RECT r{};
         GetWindowRect(box, &r);
         EXPECT_EQ(r.left, 200 + 125) << "centred over the owner";
         EXPECT_EQ(r.top, 100 + 145);
         PressBoxButton(box, false);
       }},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(owner.Show(L"No", L"Yes", c.Act), c.Expected) << c.Name;
    MSG left;
    EXPECT_FALSE(PeekMessageW(&left, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << c.Name << ": the box's own quit outlived it";
  }
  EXPECT_EQ(owner.Show(L"OK", nullptr, [](HWND box) {
    EXPECT_EQ(GetDlgItem(box, 48), nullptr) << "a notice has no left-hand button";
    PressBoxButton(box, false);
  }), 1);
  WNDCLASSEXW info{};
  info.cbSize = sizeof info;
  EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), L"FNX_MsgBox", &info)) << "the class outlived the box";
}

TEST(OwnMessageBox, AQuitMeantForTheToolEndsTheBoxAndIsPostedAgain) {
  BoxOwner owner;
  for (const int code : {0, 7}) {
    EXPECT_EQ(owner.Show(L"OK", nullptr, [code](HWND) { PostQuitMessage(code); }), code);
    MSG quit{};
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit request was swallowed";
    EXPECT_EQ(quit.wParam, static_cast<WPARAM>(code));
  }
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

// Points this program's import of `function` from `dll` at `replacement`; gives the old target.
void* PatchImport(const char* dll, const char* function, void* replacement) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
  for (auto* library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports); library->Name != 0; ++library) {
    if (_stricmp(reinterpret_cast<char*>(base + library->Name), dll) != 0) continue;
    auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
    for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk); name->u1.AddressOfData; ++name, ++slot) {
      if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal) ||
          strcmp(reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData)->Name, function) != 0) {
        continue;
      }
      DWORD protection = 0;
      VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection);
      void* previous = reinterpret_cast<void*>(slot->u1.Function);
      slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
      return previous;
    }
  }
  return nullptr;
}

// Live GDI objects: Wine keeps no count, but a handle's low word alone names its table slot.
DWORD LiveGdiObjects() {
  DWORD live = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  for (ULONG_PTR index = 1; live == 0 && index < 0x10000; ++index) live += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
  return live;
}

// The box frees everything it made, and its surface brush exactly once: the class owns it.
TEST(OwnMessageBox, ReleasesWhatItTookAndTheSurfaceBrushOnce) {
  BoxOwner owner;
  realDeleteObject = reinterpret_cast<DeleteObjectCall>(
      PatchImport("gdi32.dll", "DeleteObject", reinterpret_cast<void*>(CountingDeleteObject)));
  ASSERT_NE(realDeleteObject, nullptr);
  HGDIOBJ surface = nullptr;
  owner.Show(L"No", L"Yes", [&surface](HWND box) {
    surface = reinterpret_cast<HGDIOBJ>(GetClassLongPtrW(box, GCLP_HBRBACKGROUND));
    PressBoxButton(box, true);
  });
  const DWORD before = LiveGdiObjects();
  for (int i = 0; i < 200; ++i) owner.Show(L"No", L"Yes", [](HWND box) { PressBoxButton(box, true); });
  PatchImport("gdi32.dll", "DeleteObject", reinterpret_cast<void*>(realDeleteObject));
  ASSERT_NE(surface, nullptr);
  EXPECT_EQ(GetObjectType(surface), 0u) << "the surface brush outlived its box";
  EXPECT_EQ(staleDeletes, 0) << "DeleteObject on a handle that named nothing any more";
  EXPECT_GT(before, 0u);
  EXPECT_EQ(LiveGdiObjects(), before);
}

int counted = 0;  // WM_APP messages the drain window received
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  counted += message == WM_APP;
  return DefWindowProcW(window, message, wParam, lParam);
}

// Both drains empty the queue; only the walk's offers each message to the dialog manager, so
// Tab moves the focus during a walk but not inside a hash; the scan's drain waits for its interval.
TEST(MessageDrains, DispatchWhatWaitsAndTheScansWaitsForItsInterval) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = CountingProc;
  wc.lpszClassName = L"FNX_DrainTest";
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                nullptr, nullptr, nullptr);
  HWND first = CreateWindowExW(0, L"Edit", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10, 99, 20, window, nullptr, nullptr, nullptr);
  HWND second = CreateWindowExW(0, L"Edit", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 40, 99, 20, window, nullptr, nullptr, nullptr);
  SetDialogWindow(window);
  SetFocus(first);
  DrainMessageQueue();
  EXPECT_FALSE(DrainMessageQueue()) << "an empty queue";
  PostMessageW(first, WM_KEYDOWN, VK_TAB, 0);
  EXPECT_TRUE(DrainMessageQueue());
  EXPECT_EQ(GetFocus(), first) << "the drain without the dialog step moved the focus";
  PostMessageW(first, WM_KEYDOWN, VK_TAB, 0);
  PumpMessages();
  EXPECT_EQ(GetFocus(), second) << "Tab did not move the focus";
  ScanSession session;
  PostMessageW(window, WM_APP, 0, 0);
  const ULONGLONG started = GetTickCount64();
  StartDrainClock();
  DrainScanWhenDue(session);
  if (GetTickCount64() - started < 2) {
    EXPECT_EQ(counted, 0) << "drained before its interval";
  }
  Sleep(static_cast<DWORD>(kDrainIntervalMicroseconds / 1000 + 2));
  DrainScanWhenDue(session);
  EXPECT_EQ(counted, 1);
  SetDialogWindow(nullptr);
  DestroyWindow(window);
}

}  // namespace
