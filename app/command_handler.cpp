#include "app/command_handler.h"

#include <shellapi.h>

#include <string>

#include "app/main_window_controls.h"
#include "app/scan_control.h"
#include "ui/pickers.h"

namespace {

// The product's help page, opened from the help icon.
constexpr const wchar_t* kHelpPageUrl = L"https://fendrel.example/help";

void OpenHelpPage() { ShellExecuteW(nullptr, L"open", kHelpPageUrl, nullptr, nullptr, SW_SHOW); }

void BrowseInto(ControlId edit, bool (*browse)(std::wstring&)) {
  std::wstring chosen;
  if (browse(chosen)) SetWindowTextW(Control(edit), chosen.c_str());
}

// What a control's notification or a close request leads to, with or without a scan running.
enum class CommandAction {
  Ignore,
  OpenHelpPage,
  DragWindow,
  Minimize,
  CloseTool,
  BrowseRoot,
  BrowseLog,
  StartScan,
  RequestStop,
  AllowClose,
};

CommandAction DecideCommand(HWND control, bool scanning) {
  if (IsControl(control, HelpIconId)) return CommandAction::OpenHelpPage;
  if (IsControl(control, TitleLabelId)) return CommandAction::DragWindow;
  if (IsControl(control, MinimizeGlyphId)) return CommandAction::Minimize;
  if (IsControl(control, CloseGlyphId)) return scanning ? CommandAction::RequestStop : CommandAction::CloseTool;
  if (IsControl(control, BrowseRootButtonId)) return scanning ? CommandAction::Ignore : CommandAction::BrowseRoot;
  if (IsControl(control, BrowseLogButtonId)) return scanning ? CommandAction::Ignore : CommandAction::BrowseLog;
  if (IsControl(control, StartScanButtonId)) return scanning ? CommandAction::RequestStop : CommandAction::StartScan;
  if (control == CloseRequest()) return scanning ? CommandAction::RequestStop : CommandAction::AllowClose;
  return CommandAction::Ignore;
}

}  // namespace

bool HandleCommand(HWND control) {
  switch (DecideCommand(control, Scanning)) {
    case CommandAction::OpenHelpPage: OpenHelpPage(); break;
    case CommandAction::DragWindow: DefWindowProcW(MainWindow, WM_NCLBUTTONDOWN, HTCAPTION, 0); break;
    case CommandAction::Minimize: ShowWindow(MainWindow, SW_MINIMIZE); break;
    case CommandAction::CloseTool:
      AnimateWindow(MainWindow, 50, AW_HIDE | AW_CENTER);
      PostQuitMessage(0);
      break;
    case CommandAction::BrowseRoot: BrowseInto(RootEditId, BrowseForRootFolder); break;
    case CommandAction::BrowseLog: BrowseInto(LogPathEditId, BrowseForLogFile); break;
    case CommandAction::StartScan: StartScan(); break;
    case CommandAction::RequestStop: return RequestStop();
    case CommandAction::AllowClose: return false;
    case CommandAction::Ignore: break;
  }
  return true;
}
