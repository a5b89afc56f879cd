// Whole scans through the real window: options set in the controls, clicks posted, boxes
// answered, logs read back byte for byte, and the finished log opened in the companion viewer
// (a stand-in that records how it was started) or with the shell.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/main_window_controls.h"
#include "gui_driver.h"
#include "host_shell.h"
#include "log_checker.h"
#include "log_expectation.h"
#include "temp_folder.h"

namespace {

constexpr DWORD kScanTimeoutMs = 120000;

// The companion product's key, pointing at a folder with the stand-in viewer.
struct Companion {
  TempFolder Folder;
  std::wstring Record;
  REGSAM View;  // the registry view the key is written in
  explicit Companion(DWORD type = REG_SZ, bool folderExists = true, REGSAM view = KEY_WOW64_64KEY)
      : Record(Folder / L"invocation.txt"), View(view) {
    std::wstring standIn = BuildFolder() + L"\\tests\\dunmere_standin.exe";
    CopyFileW(standIn.c_str(), (Folder / L"Dunmere.exe").c_str(), FALSE);
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\QLV - Qelvar", 0, nullptr, 0, KEY_ALL_ACCESS | View,
                    nullptr, &key, nullptr);
    const std::wstring dir = folderExists ? Folder.Path : Folder.Path + L"\\gone";
    RegSetValueExW(key, L"InstallDir", 0, type, reinterpret_cast<const BYTE*>(dir.c_str()),
                   static_cast<DWORD>((dir.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
  ~Companion() { RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"Software\\QLV - Qelvar", View, 0); }
  // The stand-in's command line and working folder, once it has run.
  bool WaitForInvocation(std::wstring& commandLine, std::wstring& folder, DWORD timeoutMs = kScanTimeoutMs) const {
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
      const std::vector<unsigned char> bytes = ReadBytes(Record);
      if (!bytes.empty()) {
        std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
        const size_t split = text.find(L'\n');
        commandLine = text.substr(0, split);
        folder = text.substr(split + 1, text.size() - split - 2);
        return true;
      }
      Sleep(50);
    }
    return false;
  }
};

struct Window {
  RunningProgram Program;
  explicit Window(const std::wstring& workingFolder, const std::wstring& program = ProgramPath()) {
    EXPECT_TRUE(StartProgram(Program, workingFolder, program));
    EXPECT_TRUE(WaitForMainWindow(Program));
  }
  HWND operator[](ControlId id) const { return GetDlgItem(Program.Window, id); }
  void Type(ControlId id, const std::wstring& text) const { EXPECT_TRUE(SetWindowTextRemote((*this)[id], text)); }
  void Check(ControlId id, bool on) const { SendWithTimeout((*this)[id], BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }
  void Click(ControlId id) const { EXPECT_TRUE(PostClick((*this)[id])); }
  std::wstring Text(ControlId id) const { return WindowText((*this)[id]); }
  // Waits until the window is back at rest after a scan.
  bool WaitIdle(DWORD timeoutMs = kScanTimeoutMs) const {
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
      if (Text(StartScanButtonId) == L"Start scan" && Text(StatusLineId) == L"Waiting for Start scan...") return true;
      Sleep(50);
    }
    return false;
  }
  bool WaitForText(ControlId id, const std::wstring& text, DWORD timeoutMs = kScanTimeoutMs) const {
    for (DWORD waited = 0; waited < timeoutMs; waited += 20) {
      if (Text(id) == text) return true;
      Sleep(20);
    }
    return false;
  }
};

std::wstring LineWithDefaults(const Tree& tree, const std::wstring& relative) {
  const std::wstring path = tree.Path(relative);
  return L"<RecentFiles> | Last modified:" + TodayUtcText() + L" | " + path + L" | No description | " +
         std::to_wstring(ReadBytes(path).size()) + L" bytes | " + kDigests.at(relative) + L" | No publisher\r\n\r\n";
}

ScanOptions DefaultOptions(const Tree& tree, const std::wstring& logPath) {
  ScanOptions o = AllOptions(tree, logPath);
  o.VerifySignatures = o.IncludeAttributes = false;
  return o;
}

TEST(ScanWindow, DefaultScanLogsTheTreeAndOpensTheCompanionViewer) {
  Tree tree;
  Companion companion;
  Window w(tree.Base.Path);
  const std::wstring log = tree.Base / L"results log.txt";
  w.Type(RootEditId, tree.Root);
  w.Type(LogPathEditId, log);
  w.Click(StartScanButtonId);
  std::wstring commandLine, folder;
  ASSERT_TRUE(companion.WaitForInvocation(commandLine, folder));
  ASSERT_TRUE(w.WaitIdle());
  EXPECT_EQ(w.Text(FolderLineId), L"");

  Expectation e;
  e.Legend = L"  Format: Mode | Last write time | Path | File description | File size | MD5 hash | Publisher name\r\n\r\n";
  for (const wchar_t* f : {L"alpha.exe", L"Hidden.SYS", L".old\\dot.bat", L"aged\\fresh\\deep.cmd", L"recent\\sub\\x.scr"}) {
    e.FileLines[f] = LineWithDefaults(tree, f);
  }
  for (const wchar_t* f : {L"empty", L".old", L"aged\\fresh", L"recent"}) e.FolderLines[f] = FolderLine(tree, f, TodayUtcText(), true);
  const Listing listing = ListTree(tree.Root, true);
  e.Analyzed = listing.Count;
  ExpectLog(log, ExpectedLog(DefaultOptions(tree, log), tree.Root, listing, e));

  // The viewer gets the quoted log path as its only parameter, in its install folder.
  const std::wstring quoted = L"\"" + log + L"\"";
  ASSERT_GE(commandLine.size(), quoted.size());
  EXPECT_EQ(commandLine.substr(commandLine.size() - quoted.size()), quoted) << Narrow(commandLine);
  EXPECT_NE(commandLine.find(L"Dunmere.exe"), std::wstring::npos) << Narrow(commandLine);
  EXPECT_EQ(CompareStringOrdinal(folder.c_str(), -1, companion.Folder.Path.c_str(), -1, TRUE), CSTR_EQUAL)
      << Narrow(folder);
}

TEST(ScanWindow, EveryOptionOnWithTrailingBackslashesAndAgeAsTyped) {
  Tree tree;
  Companion companion;
  Window w(tree.Base.Path);
  const std::wstring log = tree.Base / L"log.txt";
  w.Type(RootEditId, tree.Root + L"\\\\");
  w.Type(LogPathEditId, log);
  w.Type(MaxAgeEditId, L"7.9");
  w.Check(VerifySignaturesCheckId, true);
  w.Check(AttributesCheckId, true);
  w.Click(StartScanButtonId);
  std::wstring commandLine, folder;
  ASSERT_TRUE(companion.WaitForInvocation(commandLine, folder));
  ASSERT_TRUE(w.WaitIdle());

  ScanOptions o = AllOptions(tree, log);
  o.Root = tree.Root + L"\\\\";  // shown as typed; walked without them
  o.MaxAge = L"7.9";
  Expectation e;
  e.Legend = L"  Format: Mode | Last write time | Path | File attributes | File description | File size | MD5 hash"
             L" | Publisher name\r\n\r\n";
  for (const wchar_t* f : {L"alpha.exe", L"Hidden.SYS", L".old\\dot.bat", L"aged\\fresh\\deep.cmd", L"recent\\sub\\x.scr"}) {
    e.FileLines[f] = AllOptionsLine(tree, f, TodayUtcText());
  }
  for (const wchar_t* f : {L"empty", L".old", L"aged\\fresh", L"recent"}) e.FolderLines[f] = FolderLine(tree, f, TodayUtcText(), true);
  const Listing listing = ListTree(tree.Root, true);
  e.Analyzed = listing.Count;
  ExpectLog(log, ExpectedLog(o, tree.Root, listing, e));
}

TEST(ScanWindow, LettersForTheAgeMeanEveryDate) {
  Tree tree;
  Companion companion;
  Window w(tree.Base.Path);
  const std::wstring log = tree.Base / L"log.txt";
  w.Type(RootEditId, tree.Root);
  w.Type(LogPathEditId, log);
  w.Type(MaxAgeEditId, L"abc");
  w.Type(PatternEditId, L".dll");
  w.Check(RecurseCheckId, false);
  w.Check(RecentFoldersCheckId, false);
  w.Check(DescriptionCheckId, false);
  w.Check(CompanyCheckId, false);
  w.Check(Md5CheckId, false);
  w.Check(SizeCheckId, false);
  w.Check(BlankLineCheckId, false);
  SendWithTimeout(w[TimestampComboId], CB_SETCURSEL, 0, 0);
  w.Click(StartScanButtonId);
  std::wstring commandLine, folder;
  ASSERT_TRUE(companion.WaitForInvocation(commandLine, folder));
  ASSERT_TRUE(w.WaitIdle());
  ScanOptions o;
  o.Pattern = L".dll";
  o.MaxAge = L"abc";
  o.Root = tree.Root;
  o.IncludeMicrosoftFiles = true;
  o.TimestampBase = 0;
  o.TimestampCaption = L"Creation date";
  Expectation e;
  e.Legend = L"  Format: Mode | Creation time | Path\r\n\r\n";
  e.FileLines[L"old.dll"] = PlainLine(tree, L"old.dll", L"Creation date:", L"2001-05-05");
  const Listing listing = ListTree(tree.Root, false);
  e.Analyzed = listing.Count;
  ExpectLog(log, ExpectedLog(o, tree.Root, listing, e));
}

// A tree whose one big file keeps the hash busy for a while, so that a stop can come during it.
struct SlowTree {
  TempFolder Base;
  std::wstring Root;
  explicit SlowTree(long long bytes) : Root(Base / L"slow") {
    CreateDirectoryW(Root.c_str(), nullptr);
    MakeBig(bytes);
  }
  void MakeBig(long long bytes) const {
    DeleteFileW((Root + L"\\big.bin").c_str());
    HANDLE big = CreateFileW((Root + L"\\big.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = bytes;
    SetFilePointerEx(big, size, nullptr, FILE_BEGIN);
    SetEndOfFile(big);
    CloseHandle(big);
  }
};

struct StopCase {
  Window W;
  SlowTree Tree;
  Companion Viewer;
  std::wstring Log;
  // A stopped scan still hashes the rest of the big file: it is big enough (seconds of hashing)
  // for the test to click again before the walk unwinds, however busy the machine.
  explicit StopCase(long long bytes) : W(L"C:\\"), Tree(bytes), Log(Tree.Base / L"log.txt") {
    W.Type(RootEditId, Tree.Root);
    W.Type(LogPathEditId, Log);
    W.Type(PatternEditId, L"*");
    W.Check(RecentFoldersCheckId, false);
    W.Check(DescriptionCheckId, false);
    W.Check(CompanyCheckId, false);
    W.Check(SizeCheckId, false);
    W.Check(BlankLineCheckId, false);
  }
  // Starts the scan and asks to stop it while the big file is hashed; gives the box.
  HWND StartAndAskToStop(bool byClose) {
    W.Click(StartScanButtonId);
    EXPECT_TRUE(W.WaitForText(StartScanButtonId, L"Stop scan"));
    EXPECT_TRUE(W.WaitForText(StatusLineId, L"Currently searching in the folder:"));
    // Let the walk reach the big file first: a stop taken by the walk's own first drain would
    // end the scan before there is anything to stop.
    Sleep(500);
    if (byClose) {
      PostMessageW(W.Program.Window, WM_CLOSE, 0, 0);
    } else {
      W.Click(StartScanButtonId);
    }
    HWND box = WaitForMessageBox(W.Program.ProcessId);
    EXPECT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), L"Are you sure you want to cancel the scan?");
    return box;
  }
  std::wstring Footer() const {
    const std::vector<unsigned char> bytes = ReadBytes(Log);
    std::wstring text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) text += static_cast<wchar_t>(bytes[i] | bytes[i + 1] << 8);
    const size_t at = text.find(L"\r\r\n   The FNX scan");
    return at == std::wstring::npos ? text : text.substr(at);
  }
};

int CountBoxes(DWORD processId) {
  int count = 0;
  for (HWND w = FindWindowExW(nullptr, nullptr, L"FNX_MsgBox", nullptr); w; w = FindWindowExW(nullptr, w, L"FNX_MsgBox", nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == processId && IsWindowVisible(w)) ++count;
  }
  return count;
}

TEST(ScanWindow, AnsweringNoLetsTheScanFinish) {
  StopCase c(1ll << 30);
  HWND box = c.StartAndAskToStop(false);
  // A click while the question is open adds nothing.
  c.W.Click(StartScanButtonId);
  LetProgramSettle(box, 200);
  EXPECT_EQ(CountBoxes(c.W.Program.ProcessId), 1);
  EXPECT_EQ(MessageBoxText(box), L"Are you sure you want to cancel the scan?");
  EXPECT_TRUE(PressBoxButton(box, false));  // "No"
  std::wstring commandLine, folder;
  ASSERT_TRUE(c.Viewer.WaitForInvocation(commandLine, folder));
  ASSERT_TRUE(c.W.WaitIdle());
  const std::wstring footer = c.Footer();
  EXPECT_NE(footer.find(L"The FNX scan completed successfully at"), std::wstring::npos) << Narrow(footer);
  EXPECT_NE(footer.find(L"   3 file objects analyzed. 1 files matched."), std::wstring::npos) << Narrow(footer);
}

TEST(ScanWindow, AnsweringYesStopsAndASecondClickSaysSoAlready) {
  StopCase c(6ll << 30);
  HWND box = c.StartAndAskToStop(false);
  EXPECT_TRUE(PressBoxButton(box, true));  // "Yes"
  EXPECT_TRUE(c.W.WaitForText(StatusLineId, L"Stopping the scan, please wait:", 10000));
  c.W.Click(StartScanButtonId);
  HWND notice = WaitForMessageBox(c.W.Program.ProcessId);
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(MessageBoxText(notice),
            L"FNX is already stopping the scan.\r\n\r\nSometimes it can take a while, if the application is retrieving "
            L"the MD5 hash of a big file.\r\n\r\nPlease be patient...");
  EXPECT_TRUE(PressBoxButton(notice, false) || PressBoxButton(notice, true));
  std::wstring commandLine, folder;
  ASSERT_TRUE(c.Viewer.WaitForInvocation(commandLine, folder));
  ASSERT_TRUE(c.W.WaitIdle());
  ScanOptions o;
  o.Pattern = L"*";
  o.MaxAge = L"30";
  o.Root = c.Tree.Root;
  o.IncludeMicrosoftFiles = o.Recurse = o.IncludeMd5 = true;
  Expectation e;
  e.Completed = false;
  e.Legend = L"  Format: Mode | Last write time | Path | MD5 hash\r\n\r\n";
  const Listing listing = ListTree(c.Tree.Root, true);
  e.Analyzed = listing.Position.at(c.Tree.Root + L"\\big.bin");  // stopped while it was hashed
  ExpectLog(c.Log, ExpectedLog(o, c.Tree.Root, listing, e));
}

TEST(ScanWindow, CloseRequestDuringAScanIsAStopRequest) {
  StopCase c(1ll << 30);
  HWND box = c.StartAndAskToStop(true);
  EXPECT_TRUE(PressBoxButton(box, true));  // "Yes"
  std::wstring commandLine, folder;
  ASSERT_TRUE(c.Viewer.WaitForInvocation(commandLine, folder));
  ASSERT_TRUE(c.W.WaitIdle());
  EXPECT_TRUE(IsWindow(c.W.Program.Window)) << "the window closed during the scan";
  EXPECT_NE(c.Footer().find(L"The FNX scan was interrupted by the user at"), std::wstring::npos);
  // Once the scan has finished, the same request closes the tool.
  PostMessageW(c.W.Program.Window, WM_CLOSE, 0, 0);
  DWORD exitCode = 1;
  EXPECT_TRUE(WaitForExit(c.W.Program, 20000, exitCode));
  EXPECT_EQ(exitCode, 0u);
}

TEST(ScanWindow, MissingRootIsRefusedAndTheLogUntouched) {
  TempFolder folder;
  Companion companion;
  Window w(folder.Path);
  const std::wstring log = folder / L"log.txt";
  ASSERT_TRUE(WriteBytes(log, std::string("previous log")));
  w.Type(RootEditId, folder / L"no such folder");
  w.Type(LogPathEditId, log);
  w.Click(StartScanButtonId);
  HWND box = WaitForMessageBox(w.Program.ProcessId);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box),
            L"The selected root path does not exist.\r\n\r\nPlease select a valid folder or drive for the root of the scan.");
  EXPECT_TRUE(PressBoxButton(box, false) || PressBoxButton(box, true));
  LetProgramSettle(w.Program.Window);
  EXPECT_EQ(ReadBytes(log), std::vector<unsigned char>({'p', 'r', 'e', 'v', 'i', 'o', 'u', 's', ' ', 'l', 'o', 'g'}));
  EXPECT_EQ(w.Text(StartScanButtonId), L"Start scan");
  EXPECT_EQ(w.Text(StatusLineId), L"Waiting for Start scan...");
}

TEST(ScanWindow, UnopenableLogIsRefusedAndNoScanStarts) {
  TempFolder folder;
  Companion companion;
  Window w(folder.Path);
  const std::wstring readOnly = folder / L"read-only.txt";
  ASSERT_TRUE(WriteBytes(readOnly, std::string("kept")));
  SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  for (const std::wstring& log : {folder / L"missing\\log.txt", folder.Path, readOnly}) {
    w.Type(RootEditId, folder.Path);
    w.Type(LogPathEditId, log);
    w.Click(StartScanButtonId);
    HWND box = WaitForMessageBox(w.Program.ProcessId);
    ASSERT_NE(box, nullptr) << Narrow(log);
    EXPECT_EQ(MessageBoxText(box),
              L"The selected log file could not be opened.\r\n\r\nMaybe you don't have enough access rights? Try "
              L"choosing another file.");
    EXPECT_TRUE(PressBoxButton(box, false) || PressBoxButton(box, true));
    LetProgramSettle(w.Program.Window);
    EXPECT_EQ(w.Text(StartScanButtonId), L"Start scan");
    EXPECT_EQ(w.Text(StatusLineId), L"Waiting for Start scan...");
  }
  EXPECT_EQ(ReadBytes(readOnly), std::vector<unsigned char>({'k', 'e', 'p', 't'}));
  EXPECT_EQ(GetFileAttributesW((folder / L"missing").c_str()), INVALID_FILE_ATTRIBUTES);
  std::wstring commandLine, folderSeen;
  EXPECT_FALSE(companion.WaitForInvocation(commandLine, folderSeen, 500)) << "a log was opened";
}

TEST(ScanWindow, NoRecentFolderLeavesNoSectionAndNoTemporaryFile) {
  Tree tree;
  Companion companion;
  TempFolder temp;
  wchar_t saved[1024] = {};
  GetEnvironmentVariableW(L"TMP", saved, 1024);
  SetEnvironmentVariableW(L"TMP", temp.Path.c_str());  // the program inherits it
  Window w(tree.Base.Path);
  SetEnvironmentVariableW(L"TMP", saved[0] ? saved : nullptr);
  const std::wstring log = tree.Base / L"log.txt";
  w.Type(RootEditId, tree.Path(L"aged\\aged2"));
  w.Type(LogPathEditId, log);
  w.Click(StartScanButtonId);
  std::wstring commandLine, folder;
  ASSERT_TRUE(companion.WaitForInvocation(commandLine, folder));
  ASSERT_TRUE(w.WaitIdle());
  ScanOptions o = DefaultOptions(tree, log);
  o.Root = tree.Path(L"aged\\aged2");
  Expectation e;
  e.Legend = L"  Format: Mode | Last write time | Path | File description | File size | MD5 hash | Publisher name\r\n\r\n";
  e.Analyzed = 3;
  ExpectLog(log, ExpectedLog(o, tree.Root, ListTree(o.Root, true), e));
  EXPECT_EQ(CountEntries(temp.Path), 0) << "a temporary file was left behind";
}

TEST(ScanWindow, QuickClicksAndACloseDuringTheQuestionAskOnce) {
  StopCase c(1ll << 30);
  // Five clicks at once: the first starts the scan, the second asks, the rest meet the open
  // question and do nothing; so does a close request.
  for (int i = 0; i < 5; ++i) c.W.Click(StartScanButtonId);
  HWND box = WaitForMessageBox(c.W.Program.ProcessId, 30000);
  ASSERT_NE(box, nullptr);
  PostMessageW(c.W.Program.Window, WM_CLOSE, 0, 0);
  LetProgramSettle(box, 200);
  EXPECT_EQ(CountBoxes(c.W.Program.ProcessId), 1);
  EXPECT_TRUE(PressBoxButton(box, false));  // "No"
  std::wstring commandLine, folder;
  ASSERT_TRUE(c.Viewer.WaitForInvocation(commandLine, folder));
  ASSERT_TRUE(c.W.WaitIdle());
  EXPECT_TRUE(IsWindow(c.W.Program.Window));
  const CheckedLog log = CheckLogFile(c.Log);
  EXPECT_EQ(log.Error, "");
  EXPECT_TRUE(log.Completed);
  EXPECT_EQ(log.Files.size(), 1u);
}

TEST(ScanWindow, LogInsideTheTreeAndNoTemporaryFolderStillGiveACompleteLog) {
  Tree tree;
  Companion companion;
  TempFolder temp;
  wchar_t saved[1024] = {};
  GetEnvironmentVariableW(L"TMP", saved, 1024);
  SetEnvironmentVariableW(L"TMP", (temp / L"not there").c_str());  // the folder list cannot be made
  Window w(tree.Base.Path);
  SetEnvironmentVariableW(L"TMP", saved[0] ? saved : nullptr);
  const std::wstring log = tree.Path(L"scan log.txt");  // matched by the pattern, hashed while open
  w.Type(RootEditId, tree.Root);
  w.Type(LogPathEditId, log);
  w.Type(PatternEditId, L"*.txt");
  w.Click(StartScanButtonId);
  std::wstring commandLine, folder;
  ASSERT_TRUE(companion.WaitForInvocation(commandLine, folder));
  ASSERT_TRUE(w.WaitIdle());
  const CheckedLog checked = CheckLogFile(log);
  EXPECT_EQ(checked.Error, "");
  EXPECT_TRUE(checked.Completed);
  EXPECT_TRUE(checked.Folders.empty()) << "a recent-folders section without its list";
  bool sawItself = false;
  for (const CheckedFileLine& line : checked.Files) {
    if (line.Path != log) continue;
    sawItself = true;
    EXPECT_EQ(line.Hash, L"Hash error: Unknown");  // held open for writing by the scan itself
  }
  EXPECT_TRUE(sawItself);
  EXPECT_EQ(CountEntries(temp.Path), 0);
}

// The shell's handler for text files: the stand-in again, in a folder of its own,
// so that what the shell started can be read back. (This Wine prefix has no handler for .txt.)
struct TextHandler {
  Companion Recorder{REG_SZ, true};
  TextHandler() {
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"Software\\QLV - Qelvar", KEY_WOW64_64KEY, 0);  // only its stand-in is kept
    const std::wstring command = L"\"" + Recorder.Folder / L"Dunmere.exe" + L"\" \"%1\"";
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.txt", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"FendrelTestText"), 32);
    RegCloseKey(key);
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\FendrelTestText\\shell\\open\\command", 0, nullptr, 0,
                    KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
  ~TextHandler() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\FendrelTestText");
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.txt");
  }
};

TEST(ScanWindow, WithoutAUsableCompanionTheShellOpensTheLog) {
  struct Case {
    const char* Name;
    bool Key;
    DWORD Type;
    bool FolderExists;
    REGSAM View;
  } cases[] = {{"expandable string", true, REG_EXPAND_SZ, true, KEY_WOW64_64KEY},
               {"missing folder", true, REG_SZ, false, KEY_WOW64_64KEY},
               {"missing key", false, REG_SZ, true, KEY_WOW64_64KEY},
               // Installed as a 64-bit product: the 32-bit program must not look in its own view.
               {"key only in the 32-bit view", true, REG_SZ, true, KEY_WOW64_32KEY}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TempFolder folder;
    CreateDirectoryW((folder / L"root").c_str(), nullptr);
    std::unique_ptr<Companion> companion;
    TextHandler shell;
    if (c.Key) companion = std::make_unique<Companion>(c.Type, c.FolderExists, c.View);
    Window w(folder.Path);
    const std::wstring log = folder / L"shell opened.txt";
    w.Type(RootEditId, folder / L"root");
    w.Type(LogPathEditId, log);
    w.Click(StartScanButtonId);
    std::wstring commandLine, seen;
    ASSERT_TRUE(shell.Recorder.WaitForInvocation(commandLine, seen, 30000)) << "the shell did not open the log";
    EXPECT_NE(commandLine.find(L"\"" + log + L"\""), std::wstring::npos) << Narrow(commandLine);
    ASSERT_TRUE(w.WaitIdle());
    if (companion) {
      std::wstring commandLine, seen;
      EXPECT_FALSE(companion->WaitForInvocation(commandLine, seen, 300)) << "the companion viewer was started";
    }
  }
}


// A scan whose process is killed leaves on disk the mark, the header and the lines of every
// file found before the kill, whole: only the footer is missing.
TEST(ScanWindow, AKilledScanLeavesWhatItFoundOnDisk) {
  StopCase c(4ll << 30);
  for (int i = 0; i < 12; ++i) WriteBytes(c.Tree.Root + L"\\a" + std::to_wstring(i) + L".exe", std::string());
  // Some small files must come before the big one in the listing: by their names where the
  // listing is sorted, by making the big file again last where it keeps the order of making.
  const std::wstring bigPath = c.Tree.Root + L"\\big.bin";
  Listing listing = ListTree(c.Tree.Root, false);
  if (listing.Position.at(bigPath) <= 3) c.Tree.MakeBig(4ll << 30);
  listing = ListTree(c.Tree.Root, false);
  const uint64_t big = listing.Position.at(bigPath);
  Expectation e;
  e.Legend = L"  Format: Mode | Last write time | Path | MD5 hash\r\n\r\n";
  for (const auto& entry : listing.Position) {
    const std::wstring& path = entry.first;
    if (entry.second >= big || path.compare(path.size() - 4, 4, L".exe") != 0) continue;
    e.FileLines[entry.first.substr(c.Tree.Root.size() + 1)] = L"<RecentFiles> | Last modified:" + TodayUtcText() +
        L" | " + entry.first + L" | D41D8CD98F00B204E9800998ECF8427E\r\n";
  }
  ASSERT_FALSE(e.FileLines.empty()) << "every small file comes after the big one: nothing to look for";
  c.W.Click(StartScanButtonId);
  ASSERT_TRUE(c.W.WaitForText(FolderLineId, c.Tree.Root));
  Sleep(1500);  // well into the big file's hash, seconds long
  KillProgram(c.W.Program);

  ScanOptions o = BareOptions(c.Tree.Root, c.Log, L"*", L"30");
  o.IncludeMicrosoftFiles = o.Recurse = o.IncludeMd5 = true;
  std::wstring expected = ExpectedLog(o, c.Tree.Root, listing, e);
  expected.resize(expected.find(L"\r\n   The FNX scan"));
  ExpectLog(c.Log, expected, false);
}

#ifdef _WIN64
std::wstring HostMd5(const std::wstring& path) {
  TempFolder out;
  if (!RunHost("md5sum '" + UnixPath(path) + "' > '" + UnixPath(out / L"sum") + "'")) return L"md5sum failed";
  const std::vector<unsigned char> sum = ReadBytes(out / L"sum");
  std::wstring digest;
  for (size_t i = 0; i < 32 && i < sum.size(); ++i) digest += static_cast<wchar_t>(towupper(sum[i]));
  return digest;
}

// The line of the log that names `path`, or empty.
std::wstring LineOf(const std::wstring& log, const std::wstring& path) {
  const size_t at = log.find(L" | " + path + L" | ");
  if (at == std::wstring::npos) return std::wstring();
  const size_t start = log.rfind(L'\n', at) + 1;
  return log.substr(start, log.find(L'\n', at) - start);
}

// On 64-bit Windows the shipped 32-bit program sees System32 as it is, not the SysWOW64 that
// WOW64 shows a 32-bit process: it writes the 64-bit program's log, with the 64-bit files'
// facts. This 64-bit test drives both programs.
TEST(ScanWindow, BothBuildsSeeTheSystemFolderAsItIs) {
  if (GetEnvironmentVariableW(L"FENDREL_NO_32_BIT", nullptr, 0) != 0) GTEST_SKIP() << "32-bit programs do not run here";
  const std::wstring sys = L"C:\\Windows\\System32";  // as the user types it, and as the log shows it
  struct Planted {
    std::vector<std::wstring> Paths;
    ~Planted() {
      for (auto p = Paths.rbegin(); p != Paths.rend(); ++p) DeleteFileW(p->c_str()) || RemoveDirectoryW(p->c_str());
    }
  } planted;
  const std::wstring native = sys + L"\\fnxprobe_native.dat", signedPe = sys + L"\\fnxprobe_signed.exe";
  const std::wstring folder = sys + L"\\fnxprobe_folder", inner = folder + L"\\inner.dat";
  const std::wstring onlyWow = L"C:\\Windows\\SysWOW64\\fnxprobe_wow.dat";
  planted.Paths = {native, signedPe, folder, inner, onlyWow};
  ASSERT_TRUE(WriteBytes(native, std::string("only the 64-bit system folder has this")));
  ASSERT_TRUE(CopyFileW((BuildFolder() + L"\\tests\\facts_fixtures\\signed.exe").c_str(), signedPe.c_str(), FALSE));
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(inner, std::string("inside")));
  ASSERT_TRUE(WriteBytes(onlyWow, std::string("only the 32-bit system folder has this")));

  TempFolder logs;
  std::map<std::wstring, std::wstring> text;  // program -> its log, times masked
  for (const wchar_t* build : {L"i686", L"x86_64"}) {
    Window w(logs.Path, BuildFolder() + L"\\..\\" + build + L"\\Fendrel.exe");
    const std::wstring log = logs / (std::wstring(build) + L".txt");
    w.Type(RootEditId, sys);
    w.Type(LogPathEditId, log);
    w.Type(PatternEditId, L"kernel32.dll|fnxprobe*");
    w.Type(MaxAgeEditId, L"0");
    w.Check(VerifySignaturesCheckId, true);
    w.Click(StartScanButtonId);
    ASSERT_TRUE(w.WaitIdle());
    text[build] = MaskTimes(LogText(log));
    if (std::wstring(build) == L"i686") {
      // A root that exists only in the 64-bit system folder is accepted and walked.
      w.Type(RootEditId, folder);
      w.Type(PatternEditId, L"*");
      w.Click(StartScanButtonId);
      ASSERT_TRUE(w.WaitIdle());
      EXPECT_NE(LineOf(LogText(log), inner), L"") << Printable(LogText(log));
    }
  }
  const std::wstring& log = text[L"x86_64"];
  EXPECT_EQ(Printable(text[L"i686"]), Printable(log));
  EXPECT_NE(LineOf(log, native).find(L" | " + HostMd5(native) + L" | "), std::wstring::npos) << Printable(log);
  EXPECT_NE(LineOf(log, signedPe).find(L" | Signed :  "), std::wstring::npos) << Printable(log);
  EXPECT_NE(LineOf(log, sys + L"\\kernel32.dll").find(L" | " + HostMd5(sys + L"\\kernel32.dll") + L" | "),
            std::wstring::npos) << Printable(log);
  EXPECT_EQ(log.find(L"fnxprobe_wow"), std::wstring::npos) << Printable(log);
  EXPECT_NE(log.find(L"<RecentFolder> | " + TodayUtcText() + L" | " + folder + L"\r\n"), std::wstring::npos);
}
#endif
}  // namespace
