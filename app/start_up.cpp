#include "app/start_up.h"

#include <objbase.h>
#include <shlobj.h>

#include <vector>

#include "app/main_window_controls.h"
#include "app/main_window_proc.h"
#include "platform/message_drains.h"
#include "ui/folder_line.h"
#include "res/resource_ids.h"
#include "ui/display_scale.h"
#include "ui/owner_window.h"
#include "ui/painted_surface.h"
#include "ui/palette.h"

namespace {

constexpr const wchar_t* kMainClass = L"FNX_Wnd_Class";
constexpr const wchar_t* kMainTitle = L"Fendrel";
constexpr SurfaceLayout kMainSurface{550, 490, 420};  // the whole window: body, band, frame

HBRUSH mainSurfaceBrush = nullptr;  // the main window's painted background, kept until the end

std::wstring WindowsFolder() {
  std::vector<wchar_t> buffer(MAX_PATH + 1, L'\0');
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_WINDOWS, nullptr, SHGFP_TYPE_CURRENT, buffer.data()))) return L"";
  return buffer.data();
}

std::wstring StartUpDirectory() {
  std::vector<wchar_t> buffer(MAX_PATH + 1, L'\0');
  const DWORD length = GetCurrentDirectoryW(MAX_PATH, buffer.data());
  // A directory too long for the buffer is reported by its needed size, with nothing written.
  if (length == 0 || length >= MAX_PATH) return L"";
  return std::wstring(buffer.data(), length);
}

// The drive root of the Windows folder: its first three characters (a shorter text whole).
std::wstring DefaultRootFrom(const std::wstring& windowsFolder) { return windowsFolder.substr(0, 3); }

// The default log path: the start-up directory, a backslash and "FNXResults.txt", the
// backslash added whatever the directory ends with.
std::wstring DefaultLogPathFrom(const std::wstring& startUpDirectory) {
  return startUpDirectory + L"\\FNXResults.txt";
}

// Top-left corner of a window of the given size centred on a screen of the given pixel size.
POINT CentredOrigin(SIZE screen, SIZE window) { return POINT{screen.cx / 2 - window.cx / 2, screen.cy / 2 - window.cy / 2}; }

// The running instance's window, matched by class and title both; null when none runs.
HWND FindRunningInstance() { return FindWindowW(kMainClass, kMainTitle); }

// Registers "FNX_Wnd_Class"; the result is not looked at (a failure shows as no window).
void RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSEXW mainClass{};
  mainClass.cbSize = sizeof(mainClass);
  mainClass.style = CS_DBLCLKS;
  mainClass.lpfnWndProc = MainWindowProc;
  mainClass.hInstance = instance;
  mainClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_FENDREL));
  mainClass.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(IDI_FENDREL_SMALL));
  mainClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  mainClass.lpszClassName = kMainClass;
  RegisterClassExW(&mainClass);
}

// Starts GDI+, creates the hidden main window and gives it its painted surface and the
// control brushes; false only when the window cannot be created.
bool CreateMainWindow(HINSTANCE instance) {
  StartGdiplus();
  int screenWidth = 0;
  int screenHeight = 0;
  if (HDC screen = GetDC(nullptr)) {
    screenWidth = GetDeviceCaps(screen, HORZRES);
    screenHeight = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(nullptr, screen);
  }
  const SIZE size{Scaled(kMainSurface.Width), Scaled(kMainSurface.Height)};
  const POINT origin = CentredOrigin(SIZE{screenWidth, screenHeight}, size);
  MainWindow = CreateWindowExW(0, kMainClass, kMainTitle, WS_POPUP, origin.x, origin.y, size.cx, size.cy, nullptr,
                               nullptr, instance, nullptr);
  if (MainWindow == nullptr) return false;
  SetOwnerWindow(MainWindow);
  mainSurfaceBrush = PaintSurfaceBrush(kMainSurface);
  if (mainSurfaceBrush != nullptr) {
    SetClassLongPtrW(MainWindow, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(mainSurfaceBrush));
  }
  CreateControlBrushes();
  return true;
}

// Everything between the single-instance test and the message loop: defaults, class, window,
// tool tips, controls, the drains' window and folder line, showing, COM. False when the window
// cannot be created.
bool OpenMainWindow(HINSTANCE instance) {
  ReadDisplayDpi();
  const std::wstring defaultRoot = DefaultRootFrom(WindowsFolder());
  const std::wstring defaultLogPath = DefaultLogPathFrom(StartUpDirectory());
  HCURSOR handCursor = LoadCursorW(nullptr, IDC_HAND);
  RegisterMainWindowClass(instance);
  if (!CreateMainWindow(instance)) return false;
  CreateToolTipWindow();
  CreateMainWindowControls(instance, handCursor, defaultRoot, defaultLogPath);
  // A scan's drains handle the window's dialog keys and bring the folder line up to date before
  // the window paints.
  SetDialogWindow(MainWindow);
  SetBeforeDrain(ShowNotedFolder);
  ShowWindow(MainWindow, SW_SHOW);
  // The new-style folder picker needs a single-threaded apartment on this thread.
  CoInitialize(nullptr);
  return true;
}

}  // namespace

int RunFendrel(HINSTANCE instance) {
  if (HWND running = FindRunningInstance()) {
    ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
    return 0;
  }
  if (!OpenMainWindow(instance)) return 0;
  int exitCode = 0;
  RunMessageLoop(MainWindow, exitCode);
  return exitCode;
}
