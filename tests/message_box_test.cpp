// The tool's own message box, shown inside this test program over an owner window of the
// main window's size, driven from inside its loop and, once, from another thread through the
// same driver that drives the real program.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>

#include "gui_driver.h"
#include "ui/message_box.h"
#include "ui/painted_surfaces.h"
#include "window_test_support.h"

namespace {

constexpr const wchar_t* kQuestion = L"Are you sure you want to cancel the scan?";
const RECT kOwnerRect = {200, 100, 750, 590};  // 550 x 490, where a main window would be

struct BoxChild {
  int Id;
  const wchar_t* ClassName;
  int X, Y, W, H;
  DWORD Type;
  DWORD TypeMask;
};

// The box's children in box coordinates.
const BoxChild kText = {47, L"Static", 10, 20, 280, 120, SS_LEFT | SS_NOTIFY, SS_TYPEMASK | SS_NOTIFY};
const BoxChild kLeft = {48, L"Button", 60, 162, 60, 25, BS_PUSHBUTTON | WS_TABSTOP, BS_TYPEMASK | WS_TABSTOP};
const BoxChild kRight = {49, L"Button", 180, 162, 60, 25, BS_DEFPUSHBUTTON | WS_TABSTOP, BS_TYPEMASK | WS_TABSTOP};

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

// An owner window standing in for the main window, with the shell's brushes and GDI+.
struct BoxOwner {
  HWND Window = nullptr;
  BoxOwner() {
    StartGdiplus();
    CreateControlBrushes();
    WNDCLASSW wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"FNX_BoxTestOwner";
    RegisterClassW(&wc);
    Window = CreateWindowExW(0, wc.lpszClassName, L"owner", WS_POPUP | WS_VISIBLE, kOwnerRect.left, kOwnerRect.top,
                             kOwnerRect.right - kOwnerRect.left, kOwnerRect.bottom - kOwnerRect.top, nullptr,
                             nullptr, wc.hInstance, nullptr);
    SetOwnerWindow(Window);
    DispatchWaiting();
  }
  ~BoxOwner() {
    SetOwnerWindow(nullptr);
    DestroyWindow(Window);
    DispatchWaiting();
  }
};

RECT RectInBox(HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

void ExpectChild(HWND box, const BoxChild& e, const wchar_t* text) {
  SCOPED_TRACE("child id " + std::to_string(e.Id));
  HWND child = GetDlgItem(box, e.Id);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(_wcsicmp(ClassOf(child).c_str(), e.ClassName), 0) << Narrow(ClassOf(child));
  EXPECT_EQ(Narrow(WindowText(child)), Narrow(text));
  const RECT r = RectInBox(child);
  EXPECT_EQ(r.left, e.X);
  EXPECT_EQ(r.top, e.Y);
  EXPECT_EQ(r.right - r.left, e.W);
  EXPECT_EQ(r.bottom - r.top, e.H);
  const DWORD style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
  EXPECT_EQ(style & e.TypeMask, e.Type) << std::hex << style;
  EXPECT_TRUE(style & WS_VISIBLE);
  LOGFONTW font{};
  ASSERT_EQ(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)), sizeof(font), &font),
            static_cast<int>(sizeof(font)));
  EXPECT_EQ(Narrow(font.lfFaceName), "Arial");
  EXPECT_EQ(font.lfHeight, -12) << "12-pixel character height for the text and the 9-point buttons alike";
  EXPECT_EQ(font.lfWeight, 800);
}

TEST(OwnMessageBox, QuestionShowsTextAndBothButtonsInPlace) {
  BoxOwner owner;
  bool checked = false;
  const int result = ShowBoxAndAct(kQuestion, L"No", L"Yes", [&](HWND box) {
    checked = true;
    RECT r{};
    GetWindowRect(box, &r);
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_EQ(r.bottom - r.top, 200);
    EXPECT_EQ(r.left, kOwnerRect.left + 125) << "centred over the owner";
    EXPECT_EQ(r.top, kOwnerRect.top + 145);
    EXPECT_EQ(GetWindow(box, GW_OWNER), owner.Window);
    EXPECT_EQ(GetParent(box), owner.Window) << "a top-level popup owned by the main window";
    EXPECT_EQ(Narrow(ClassOf(box)), "FNX_MsgBox");
    EXPECT_TRUE(GetClassLongW(box, GCL_STYLE) & CS_DROPSHADOW);
    ExpectChild(box, kText, kQuestion);
    ExpectChild(box, kLeft, L"Yes");
    ExpectChild(box, kRight, L"No");
    EXPECT_EQ(GetFocus(), box) << "the box opens with the focus on itself, not on a button";
    PostMessageW(box, WM_CLOSE, 0, 0);
  });
  EXPECT_TRUE(checked);
  EXPECT_EQ(result, 1);
}

TEST(OwnMessageBox, AnswersTellWhichWayItEnded) {
  BoxOwner owner;
  struct Case {
    const char* Name;
    int Expected;
    std::function<void(HWND)> Act;
  };
  const Case cases[] = {
      {"left button", 2, [](HWND box) { PressBoxButton(box, true); }},
      {"right button", 1, [](HWND box) { PressBoxButton(box, false); }},
      {"close request", 1, [](HWND box) { PostMessageW(box, WM_CLOSE, 0, 0); }},
  };
  for (const Case& c : cases) {
    bool stuck = false;
    EXPECT_EQ(ShowBoxAndAct(kQuestion, L"No", L"Yes", c.Act, &stuck), c.Expected) << c.Name;
    EXPECT_FALSE(stuck) << c.Name;
    MSG left;
    EXPECT_FALSE(PeekMessageW(&left, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << c.Name << ": the box's own quit request must not outlive the box";
  }
}

TEST(OwnMessageBox, NoticeHasOnlyTheRightHandButton) {
  BoxOwner owner;
  const int result = ShowBoxAndAct(L"The selected root path does not exist.", L"OK", nullptr, [](HWND box) {
    EXPECT_EQ(GetDlgItem(box, 48), nullptr) << "no left-hand button";
    ExpectChild(box, kRight, L"OK");
    PressBoxButton(box, false);
  });
  EXPECT_EQ(result, 1);
}

TEST(OwnMessageBox, EscapeAndEnterWithoutAFocusedButtonDoNothing) {
  BoxOwner owner;
  int step = 0;
  const int result = ShowBoxAndAct(kQuestion, L"No", L"Yes", [&](HWND box) {
    for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
      PostMessageW(box, WM_KEYDOWN, key, 1);
      PostMessageW(box, WM_KEYUP, key, 0xC0000001);
    }
    // Pressed after the keys have gone through the box's loop: 2 proves they ended nothing.
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(48, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, 48)));
    step = 1;
  });
  EXPECT_EQ(step, 1);
  EXPECT_EQ(result, 2);
}

TEST(OwnMessageBox, AnswersItsIdentificationQuery) {
  BoxOwner owner;
  LRESULT reply = 0;
  ShowBoxAndAct(kQuestion, L"No", L"Yes", [&](HWND box) {
    reply = SendMessageW(box, WM_USER, 0, 0);
    PostMessageW(box, WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(reply, 0x534B0031) << "expected 0x534B0031, got 0x" << std::hex << reply;
}

TEST(OwnMessageBox, SecondBoxIsRefusedAndTheFirstStaysAsItWas) {
  BoxOwner owner;
  int second = -1;
  bool sameBox = false;
  const int first = ShowBoxAndAct(kQuestion, L"No", L"Yes", [&](HWND box) {
    second = ShowMessageBox(L"another", L"OK", nullptr);
    sameBox = OpenMessageBox() == box && IsWindowVisible(box) && WindowText(GetDlgItem(box, 47)) == kQuestion;
    PressBoxButton(box, false);
  });
  EXPECT_EQ(second, 0);
  EXPECT_TRUE(sameBox);
  EXPECT_EQ(first, 1);
}

TEST(OwnMessageBox, ClassExistsOnlyWhileTheBoxIsShown) {
  BoxOwner owner;
  WNDCLASSEXW info{};
  info.cbSize = sizeof(info);
  bool registeredWhileShown = false;
  ShowBoxAndAct(kQuestion, L"No", L"Yes", [&](HWND box) {
    registeredWhileShown = GetClassInfoExW(GetModuleHandleW(nullptr), L"FNX_MsgBox", &info) != FALSE;
    PostMessageW(box, WM_CLOSE, 0, 0);
  });
  EXPECT_TRUE(registeredWhileShown);
  EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), L"FNX_MsgBox", &info));
  EXPECT_EQ(OpenMessageBox(), nullptr);
}

TEST(OwnMessageBox, ForeignQuitEndsTheBoxAndIsPostedAgain) {
  BoxOwner owner;
  // As when the main window's close glyph is clicked while a notice is open.
  const int result = ShowBoxAndAct(L"notice", L"OK", nullptr, [](HWND) { PostQuitMessage(0); });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(OpenMessageBox(), nullptr);
  MSG quit{};
  ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit request was swallowed";
  EXPECT_EQ(quit.wParam, 0u);

  const int coded = ShowBoxAndAct(L"notice", L"OK", nullptr, [](HWND) { PostQuitMessage(7); });
  EXPECT_EQ(coded, 7);
  ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 7u);
}

TEST(OwnMessageBox, ChildrenGetWhiteTextOnTheSurfaceBrush) {
  BoxOwner owner;
  ShowBoxAndAct(kQuestion, L"No", L"Yes", [](HWND box) {
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkMode(dc, OPAQUE);
    for (int id : {47, 48, 49}) {
      const UINT message = id == 47 ? WM_CTLCOLORSTATIC : WM_CTLCOLORBTN;
      const LRESULT brush = SendMessageW(box, message, reinterpret_cast<WPARAM>(dc),
                                         reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
      EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), SurfaceBrush) << "child " << id;
      EXPECT_EQ(GetTextColor(dc), RGB(255, 255, 255)) << "child " << id << ": " << ColorText(GetTextColor(dc));
      EXPECT_EQ(GetBkMode(dc), TRANSPARENT) << "child " << id;
    }
    DeleteDC(dc);
    PostMessageW(box, WM_CLOSE, 0, 0);
  });
}

TEST(OwnMessageBox, SurfaceShowsBodyBandAndFrameOnTheScreen) {
  BoxOwner owner;
  struct Pixel {
    int X, Y;
    COLORREF Color;
  };
  const COLORREF body = RGB(45, 45, 48), band = RGB(37, 37, 38), frame = RGB(0, 0, 0);
  const Pixel pixels[] = {{5, 10, body},    {295, 145, body}, {150, 149, body}, {5, 150, band},   {150, 195, band},
                          {20, 175, band},  {0, 0, frame},    {299, 0, frame},  {0, 199, frame},  {299, 199, frame},
                          {150, 0, frame},  {150, 199, frame}, {0, 100, frame}, {299, 175, frame}, {1, 1, body}};
  ShowBoxAndAct(L"", L"OK", nullptr, [&](HWND box) {
    UpdateWindow(box);
    Sleep(300);
    RECT r{};
    GetWindowRect(box, &r);
    for (const Pixel& p : pixels) {
      const COLORREF seen = ScreenPixel(r.left + p.X, r.top + p.Y);
      EXPECT_EQ(seen, p.Color) << "(" << p.X << ", " << p.Y << "): expected " << ColorText(p.Color) << ", got "
                               << ColorText(seen);
    }
    PostMessageW(box, WM_CLOSE, 0, 0);
  });
}

TEST(OwnMessageBox, DriverFromAnotherThreadReadsAndPresses) {
  BoxOwner owner;
  std::wstring seenText;
  std::thread driver([&] {
    HWND box = WaitForMessageBox(GetCurrentProcessId(), 10000);
    if (box == nullptr) return;
    seenText = MessageBoxText(box);
    PressBoxButton(box, true);
  });
  const int result = ShowMessageBox(kQuestion, L"No", L"Yes");
  driver.join();
  EXPECT_EQ(Narrow(seenText), Narrow(kQuestion));
  EXPECT_EQ(result, 2);
}

TEST(OwnMessageBox, FiveHundredShowingsLeakNoGdiOrWindowObject) {
  BoxOwner owner;
  auto showOnce = [] {
    return ShowBoxAndAct(kQuestion, L"No", L"Yes", [](HWND box) { PressBoxButton(box, true); });
  };
  for (int i = 0; i < 5; ++i) showOnce();  // first use loads themes and caches once
  DispatchWaiting();
  // The counts must see one object more or less, or the comparison below would prove nothing.
  const DWORD gdiBase = LiveGdiObjects();
  HBRUSH probe = CreateSolidBrush(RGB(1, 2, 3));
  EXPECT_EQ(LiveGdiObjects(), gdiBase + 1) << "the GDI count does not see a new brush";
  DeleteObject(probe);
  const DWORD userBase = LiveUserObjects();
  HWND probeWindow = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(LiveUserObjects(), userBase + 1) << "the window count does not see a new window";
  DestroyWindow(probeWindow);
  const DWORD gdiBefore = LiveGdiObjects();
  const DWORD userBefore = LiveUserObjects();
  int answeredLeft = 0;
  for (int i = 0; i < 500; ++i) answeredLeft += showOnce() == 2 ? 1 : 0;
  DispatchWaiting();
  const DWORD gdiAfter = LiveGdiObjects();
  const DWORD userAfter = LiveUserObjects();
  EXPECT_EQ(answeredLeft, 500);
  printf("GDI objects %lu before, %lu after; window objects %lu before, %lu after\n", static_cast<unsigned long>(gdiBefore),
         static_cast<unsigned long>(gdiAfter), static_cast<unsigned long>(userBefore), static_cast<unsigned long>(userAfter));
  EXPECT_GT(gdiBefore, 0u);
  EXPECT_EQ(gdiAfter, gdiBefore) << "GDI objects before " << gdiBefore << ", after 500 showings " << gdiAfter;
  EXPECT_EQ(userAfter, userBefore) << "window objects before " << userBefore << ", after " << userAfter;
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
    auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
    for (; name->u1.AddressOfData != 0; ++name, ++slot) {
      if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
      if (strcmp(reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData)->Name, function) != 0) continue;
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

// The class owns the box's surface brush and deletes it when it is unregistered; the box must
// not delete it a second time.
TEST(OwnMessageBox, SurfaceBrushIsDeletedOnceWithItsClass) {
  BoxOwner owner;
  realDeleteObject = reinterpret_cast<DeleteObjectCall>(
      PatchImport("gdi32.dll", "DeleteObject", reinterpret_cast<void*>(CountingDeleteObject)));
  ASSERT_NE(realDeleteObject, nullptr);
  HGDIOBJ surface = nullptr;
  staleDeletes = 0;
  ShowBoxAndAct(kQuestion, L"No", L"Yes", [&surface](HWND box) {
    surface = reinterpret_cast<HGDIOBJ>(GetClassLongPtrW(box, GCLP_HBRBACKGROUND));
    PressBoxButton(box, true);
  });
  PatchImport("gdi32.dll", "DeleteObject", reinterpret_cast<void*>(realDeleteObject));
  ASSERT_NE(surface, nullptr);
  EXPECT_EQ(GetObjectType(surface), 0u) << "the surface brush outlived its box";
  EXPECT_EQ(staleDeletes, 0) << "DeleteObject was called on a handle that named nothing any more";
}

}  // namespace
