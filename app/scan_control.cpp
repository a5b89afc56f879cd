#include "app/scan_control.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "app/main_window_controls.h"
#include "app/scan_run.h"
#include "platform/file_system.h"
#include "platform/registry_paths.h"
#include "scan/folder_walker.h"
#include "ui/folder_line.h"
#include "ui/message_box.h"

bool Scanning = false;
int32_t StopState = kStopNone;

namespace {

ScanSession Session;          // the one scan record; zeroed at every start
PatternMatcher ScanPattern;   // the compiled pattern of the running scan
std::wstring ScanLogPath;     // the log of the running scan, its full ordinary path
std::wstring FolderListPath;  // the temporary recent-folders list, or empty

constexpr const wchar_t* kRootMissingText =
    L"The selected root path does not exist.\r\n\r\nPlease select a valid folder or drive for the root of the scan.";
constexpr const wchar_t* kLogUnopenableText =
    L"The selected log file could not be opened.\r\n\r\nMaybe you don't have enough access rights? Try choosing "
    L"another file.";
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
ScanOptions ReadOptions(const std::wstring& root, const std::wstring& logPath) {
  ScanOptions options;
  options.Root = root;
  options.LogPath = logPath;
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

void FinishScan(bool completed) {
  FinishScanLog(Session, completed, FolderListPath);
  SetText(StatusLineId, L"Scan complete. Opening the log file...");
  SetText(FolderLineId, L"");
  OpenFinishedLog(ScanLogPath);
  SetText(StatusLineId, L"Waiting for Start scan...");
  SetText(StartScanButtonId, L"Start scan");
  Scanning = false;
  StopState = kStopNone;
  Session.Pattern = nullptr;
  ScanPattern = PatternMatcher{};
  FolderListPath.clear();
}

}  // namespace

void StartScan() {
  // A scan started from inside an open box would run in the box's loop: its answer would be
  // swallowed and a stop could not be asked about.
  if (OpenMessageBox() != nullptr) return;
  const std::wstring root = ReadText(RootEditId, 260);
  const ScanPath walkRoot = ResolveTypedFolder(root);
  if (!IsFolderAsItIs(walkRoot.Literal)) {
    ShowMessageBox(kRootMissingText, L"OK", nullptr);
    return;
  }
  const std::wstring logPath = ReadText(LogPathEditId, 2048);
  const ScanPath log = ResolveTypedPath(logPath);
  if (!OpenScanLog(Session, log)) {
    ShowMessageBox(kLogUnopenableText, L"OK", nullptr);
    return;
  }
  Scanning = true;
  ScanLogPath = log.Shown;
  SetText(StatusLineId, L"Starting scan, please wait...");
  SetText(StartScanButtonId, L"Stop scan");
  PrepareScan(Session, ReadOptions(root, logPath), ScanPattern);
  SetText(StatusLineId, L"Currently searching in the folder:");
  Session.NoteFolder = NoteFolder;  // the walk shows each folder it enters on the folder line
  FolderListPath = Session.Settings.ScanRecentFolders ? OpenFolderList(Session) : std::wstring();
  FinishScan(WalkFolder(walkRoot, Session, false));
}

bool RequestStop() {
  if (StopState == kStopNone) {
    StopState = kStopAsking;
    const int answer = ShowMessageBox(kStopQuestionText, L"No", L"Yes");
    StopState = kStopNone;
    if (answer == 1) return true;
    StopState = kStopStopping;
    Session.StopRequested = true;
    SetText(StatusLineId, L"Stopping the scan, please wait:");
  } else if (StopState == kStopStopping) {
    ShowMessageBox(kAlreadyStoppingText, L"OK", nullptr);
  }
  return true;
}
