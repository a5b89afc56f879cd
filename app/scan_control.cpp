#include "app/scan_control.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "app/main_window_controls.h"
#include "platform/file_system.h"
#include "platform/registry_paths.h"
#include "scan/scan_run.h"
#include "ui/folder_line.h"
#include "ui/message_box.h"

bool Scanning = false;

namespace {

// Where a stop request stands; back to none when a scan finishes.
enum class StopPhase { None, Stopping, Asking };
StopPhase StopState = StopPhase::None;  // Stopping: the user confirmed; Asking: the question is open
ScanSession Session;                    // the one scan record; zeroed at every start

constexpr const wchar_t* kRootMissingText =
    L"The selected root path does not exist.\r\n\r\nPlease select a valid folder or drive for the root of the scan.";
constexpr const wchar_t* kLogUnopenableText =
    L"The selected log file could not be opened.\r\n\r\nMaybe you don't have enough access rights? Try choosing "
    L"another file.";
constexpr const wchar_t* kWriteLostText =
    L"The log file could not be written completely.\r\n\r\nThe disk may be full or no longer reachable. The log holds "
    L"the lines found up to that point.";
constexpr const wchar_t* kStopQuestionText = L"Are you sure you want to cancel the scan?";
constexpr const wchar_t* kAlreadyStoppingText =
    L"FNX is already stopping the scan.\r\n\r\nSometimes it can take a while, if the application is retrieving the "
    L"MD5 hash of a big file.\r\n\r\nPlease be patient...";

// The control's text, cut at `limit` units counting the terminator.
std::wstring ReadText(ControlId id, int limit) {
  std::vector<wchar_t> text(static_cast<size_t>(limit), L'\0');
  GetWindowTextW(Control(id), text.data(), limit);
  return text.data();
}

void SetText(ControlId id, const wchar_t* text) { SetWindowTextW(Control(id), text); }

bool Checked(ControlId id) { return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

// The options as the controls hold them; read once, so changes during the scan do not count.
ScanOptions ReadOptions() {
  ScanOptions options;
  options.Root = ReadText(RootEditId, 260);
  options.LogPath = ReadText(LogPathEditId, 2048);
  options.MaxAge = ReadText(MaxAgeEditId, 260);
  options.IncludeMicrosoftFiles = Checked(IncludeMicrosoftCheckId);
  options.Recurse = Checked(RecurseCheckId);
  options.ScanRecentFolders = Checked(RecentFoldersCheckId);
  options.IncludeDescription = Checked(DescriptionCheckId);
  options.IncludeCompanyName = Checked(CompanyCheckId);
  options.VerifySignatures = Checked(VerifySignaturesCheckId);
  options.IncludeMd5 = Checked(Md5CheckId);
  options.IncludeFileSize = Checked(SizeCheckId);
  options.IncludeAttributes = Checked(AttributesCheckId);
  options.SeparateWithBlankLine = Checked(BlankLineCheckId);
  options.Timestamp = static_cast<TimestampBase>(SendMessageW(Control(TimestampComboId), CB_GETCURSEL, 0, 0));
  options.Pattern = ReadText(PatternEditId, 2048);
  return options;
}

// The companion viewer when its product is installed, else the system's handler for text.
void OpenFinishedLog(const std::wstring& logPath) {
  const UniqueRegKey key = OpenCompanionKey();
  const RegistryValue installDir = ReadInstallDir(key.get());
  const std::wstring folder = installDir.Text();
  if (installDir.Type == REG_SZ && FileAttributesAsItIs(ResolveTypedPath(folder).Literal) != INVALID_FILE_ATTRIBUTES) {
    const std::wstring viewer = folder + L"\\Dunmere.exe";
    const std::wstring parameters = L"\"" + logPath + L"\"";
    ShellExecuteW(nullptr, L"open", viewer.c_str(), parameters.c_str(), folder.c_str(), SW_SHOW);
  } else {
    ShellExecuteW(nullptr, L"open", logPath.c_str(), nullptr, nullptr, SW_SHOW);
  }
}

void SetStatus(const wchar_t* text) { SetText(StatusLineId, text); }

void ShowScanUnderWay() {
  Scanning = true;
  SetStatus(L"Starting scan, please wait...");
  SetText(StartScanButtonId, L"Stop scan");
}

void ShowWalking() { SetStatus(L"Currently searching in the folder:"); }

// A log that lost lines is said so before it is shown; a log whose drive went away is not handed
// to a viewer that could only fail on it.
void ShowFinished(const ScanResult& result) {
  SetStatus(L"Scan complete. Opening the log file...");
  SetText(FolderLineId, L"");
  if (result.WriteLost) ShowMessageBox(kWriteLostText, L"OK", nullptr);
  if (FileAttributesAsItIs(ResolveTypedPath(result.LogPath).Literal) != INVALID_FILE_ATTRIBUTES) {
    OpenFinishedLog(result.LogPath);
  }
  SetStatus(L"Waiting for Start scan...");
  SetText(StartScanButtonId, L"Start scan");
  Scanning = false;
  StopState = StopPhase::None;
}

}  // namespace

void StartScan() {
  // A scan started from inside an open box would run in the box's loop: its answer would be
  // swallowed and a stop could not be asked about.
  if (OpenMessageBox() != nullptr) return;
  ScanDisplay display;
  display.Began = ShowScanUnderWay;
  display.Walking = ShowWalking;
  display.NoteFolder = NoteFolder;  // the walk shows each folder it enters on the folder line
  const ScanResult result = RunScan(ReadOptions(), Session, display);
  switch (result.Start) {
    case ScanStart::RootMissing: ShowMessageBox(kRootMissingText, L"OK", nullptr); break;
    case ScanStart::LogUnopenable: ShowMessageBox(kLogUnopenableText, L"OK", nullptr); break;
    case ScanStart::Started: ShowFinished(result); break;
  }
}

bool RequestStop() {
  if (StopState == StopPhase::None) {
    StopState = StopPhase::Asking;
    const int answer = ShowMessageBox(kStopQuestionText, L"No", L"Yes");
    StopState = StopPhase::None;
    if (answer == kBoxRight) return true;  // "No", or the box was closed
    StopState = StopPhase::Stopping;
    Session.StopRequested = true;
    SetStatus(L"Stopping the scan, please wait:");
  } else if (StopState == StopPhase::Stopping) {
    ShowMessageBox(kAlreadyStoppingText, L"OK", nullptr);
  }
  return true;
}
