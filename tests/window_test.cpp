// The real Fendrel.exe driven from outside: its window and its ending, whole scans from the
// click to the opened log (read back byte for byte), the stop flow, the refusals, the companion
// viewer and its fall-backs, a killed scan, the system folder, and input of any text.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>

#include "gui_driver.h"

namespace {

constexpr DWORD kScanMs = 120000;

// The companion product's key (in the given registry view) naming a folder with a stand-in
// viewer that records how it was started.
struct Companion {
  TempFolder Folder;
  REGSAM View;
  explicit Companion(DWORD type = REG_SZ, bool folderExists = true, REGSAM view = KEY_WOW64_64KEY) : View(view) {
    CopyFileW((BuildFolder() + L"\\tests\\dunmere_standin.exe").c_str(), (Folder / L"Dunmere.exe").c_str(), FALSE);
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\QLV - Qelvar", 0, nullptr, 0, KEY_ALL_ACCESS | View, nullptr, &key, nullptr);
    const std::wstring dir = folderExists ? Folder.Path : Folder / L"gone";
    RegSetValueExW(key, L"InstallDir", 0, type, reinterpret_cast<const BYTE*>(dir.c_str()),
                   static_cast<DWORD>((dir.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
  ~Companion() { RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"Software\\QLV - Qelvar", View, 0); }
  // The stand-in's command line and working folder, once it has run; empty after the time-out.
  std::pair<std::wstring, std::wstring> Invocation(DWORD timeoutMs = kScanMs) const {
    for (DWORD waited = 0; waited < timeoutMs; waited += 50, Sleep(50)) {
      const std::vector<unsigned char> bytes = ReadBytes(Folder / L"invocation.txt");
      const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
      const size_t split = text.find(L'\n');
      if (split != std::wstring::npos) return {text.substr(0, split), text.substr(split + 1, text.size() - split - 2)};
    }
    return {};
  }
};

TEST(Program, OneInstanceWithItsSurfaceAndDefaultsThatEndsWithZero) {
  TempFolder folder;
  Window w(folder.Path);
  bool answered = false;
  EXPECT_EQ(SendWithTimeout(w.Program.Window, WM_USER, 0, 0, &answered), 0x534B0020);
  EXPECT_TRUE(answered);
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  EXPECT_EQ(w.Text(RootEditId), std::wstring(windows).substr(0, 3));
  EXPECT_EQ(w.Text(LogPathEditId), folder / L"FNXResults.txt");
  LetProgramSettle(w.Program.Window, 500);
  RECT r{};
  GetWindowRect(w.Program.Window, &r);
  EXPECT_EQ(r.left, GetSystemMetrics(SM_CXSCREEN) / 2 - 275);
  EXPECT_EQ(r.top, GetSystemMetrics(SM_CYSCREEN) / 2 - 245);
  // Body, band and frame, also behind labels: a label's background is the surface's colour.
  const COLORREF body = RGB(45, 45, 48), band = RGB(37, 37, 38), frame = RGB(0, 0, 0);
  for (const auto& [x, y, color] : {std::tuple{5, 90, body}, {110, 10, body}, {525, 125, body}, {5, 419, body},
                                    {5, 420, band}, {103, 447, band}, {300, 468, band}, {548, 488, band},
                                    {0, 0, frame}, {549, 200, frame}, {275, 489, frame}}) {
    EXPECT_EQ(ScreenPixel(r.left + x, r.top + y), color) << x << ", " << y;
  }
  ASSERT_TRUE(PostClick(w[MinimizeGlyphId]));
  for (int tries = 0; tries < 200 && !IsIconic(w.Program.Window); ++tries) Sleep(50);
  ASSERT_TRUE(IsIconic(w.Program.Window));
  RunningProgram second;
  DWORD code = 1234;
  ASSERT_TRUE(StartProgram(second, folder.Path));
  ASSERT_TRUE(WaitForExit(second, 20000, code)) << "the second instance kept running";
  EXPECT_EQ(code, 0u);
  LetProgramSettle(w.Program.Window, 0);
  EXPECT_FALSE(IsIconic(w.Program.Window)) << "the first window was not restored";
  ASSERT_TRUE(PostClick(w[CloseGlyphId]));
  ASSERT_TRUE(WaitForExit(w.Program, 10000, code));
  EXPECT_EQ(code, 0u);
}

TEST(ScanWindow, DefaultScanLogsTheTreeAndOpensTheCompanionViewer) {
  Tree tree;
  Companion companion;
  Window w(tree.Base.Path);
  const std::wstring log = tree.Base / L"results log.txt";
  w.Type(RootEditId, tree.Root);
  w.Type(LogPathEditId, log);
  w.Click(StartScanButtonId);
  const auto [commandLine, folder] = companion.Invocation();
  ASSERT_TRUE(w.WaitIdle());
  EXPECT_EQ(w.Text(FolderLineId), L"");
  const Listing listing = ListTree(tree.Root, true);
  Expectation e;
  for (const wchar_t* f : kTreeMatches) e.Files.emplace_back(f, TodayUtcText());
  for (const wchar_t* f : kTreeFolders) e.Folders.emplace_back(f, TodayUtcText());
  e.Analyzed = listing.Count;
  ExpectLog(log, ExpectedLog(DefaultOptions(tree.Root, log), tree.Root, listing, e));
  // The viewer gets the quoted log path as its only parameter, in its install folder.
  const std::wstring quoted = L"\"" + log + L"\"";
  EXPECT_EQ(commandLine.substr(commandLine.size() - std::min(commandLine.size(), quoted.size())), quoted) << Printable(commandLine);
  EXPECT_NE(commandLine.find(L"Dunmere.exe"), std::wstring::npos) << Printable(commandLine);
  EXPECT_EQ(CompareStringOrdinal(folder.c_str(), -1, companion.Folder.Path.c_str(), -1, TRUE), CSTR_EQUAL) << Printable(folder);
}

// A folder whose one big file keeps the hash busy for seconds, scanned with few options.
struct SlowScan {
  TempFolder Base;
  std::wstring Root = Base / L"slow", Log = Base / L"log.txt";
  Companion Viewer;
  std::unique_ptr<Window> W;
  explicit SlowScan(long long bytes) {
    CreateDirectoryW(Root.c_str(), nullptr);
    MakeBig(bytes);
  }
  void MakeBig(long long bytes) const {
    HANDLE big = CreateFileW((Root + L"\\big.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = bytes;
    SetFilePointerEx(big, size, nullptr, FILE_BEGIN);
    SetEndOfFile(big);
    CloseHandle(big);
  }
  Window& Start() {
    W = std::make_unique<Window>(L"C:\\");
    W->Type(RootEditId, Root + L"\\\\");  // shown as typed, walked without them
    W->Type(LogPathEditId, Log);
    W->Type(PatternEditId, L"*");
    W->Type(MaxAgeEditId, L"30.5");
    for (const ControlId id : {RecentFoldersCheckId, DescriptionCheckId, CompanyCheckId, SizeCheckId, BlankLineCheckId}) {
      W->Check(id, false);
    }
    W->Check(AttributesCheckId, true);
    W->Click(StartScanButtonId);
    // The folder line first shows the folder from inside the big file's hash (the walk's own
    // drains come before and after it): a stop asked for now is taken while the file is hashed.
    EXPECT_TRUE(W->WaitForText(FolderLineId, Root));
    return *W;
  }
  HWND AskToStop(bool byClose) const {
    if (byClose) {
      PostMessageW(W->Program.Window, WM_CLOSE, 0, 0);
    } else {
      PostClick((*W)[StartScanButtonId]);
    }
    HWND box = WaitForMessageBox(W->Program.ProcessId);
    EXPECT_EQ(MessageBoxText(box), L"Are you sure you want to cancel the scan?");
    return box;
  }
  std::wstring Expected(bool completed) const {
    const Listing listing = ListTree(Root, true);
    Expectation e;
    e.Completed = completed;
    e.Analyzed = completed ? listing.Count : listing.Position.at(Root + L"\\big.bin");  // stopped while it was hashed
    if (completed) e.Files.emplace_back(L"big.bin", TodayUtcText());
    return ExpectedLog(Options(), Root, listing, e);
  }
  ScanOptions Options() const {
    ScanOptions o = BareOptions(Root + L"\\\\", Log, L"*", L"30.5");
    o.IncludeMicrosoftFiles = o.Recurse = o.IncludeMd5 = o.IncludeAttributes = true;
    return o;
  }
};

// A close request asks as "Stop scan" does, and whatever the answer the window stays: "No"
// goes on with the scan. Clicks while the question is open add nothing.
TEST(StopFlow, ACloseAskedNoAndQuickClicksLetTheScanFinishInItsWindow) {
  SlowScan s(1ll << 30);
  Window& w = s.Start();
  HWND box = s.AskToStop(true);
  for (int i = 0; i < 4; ++i) w.Click(StartScanButtonId);
  LetProgramSettle(box, 200);
  EXPECT_EQ(w.OpenBoxes(), 1);
  EXPECT_TRUE(PressBoxButton(box, false));  // "No"
  s.Viewer.Invocation();
  ASSERT_TRUE(w.WaitIdle());
  EXPECT_TRUE(IsWindow(w.Program.Window));
  // The big file is hashed as a file of zeros: a line without a known digest is left to the scan.
  const std::wstring log = MaskTimes(LogText(s.Log));
  EXPECT_NE(log.find(L"The FNX scan completed successfully at <now>\r\n\r\n   3 file objects analyzed. 1 files matched."),
            std::wstring::npos) << Printable(log);
}

TEST(StopFlow, YesStopsASecondClickSaysSoAndTheLogEndsInterrupted) {
  SlowScan s(6ll << 30);
  Window& w = s.Start();
  EXPECT_TRUE(PressBoxButton(s.AskToStop(false), true));  // "Yes"
  EXPECT_TRUE(w.WaitForText(StatusLineId, L"Stopping the scan, please wait:", 10000));
  w.Click(StartScanButtonId);
  HWND notice = WaitForMessageBox(w.Program.ProcessId);
  EXPECT_EQ(MessageBoxText(notice), L"FNX is already stopping the scan.\r\n\r\nSometimes it can take a while, if the "
                                    L"application is retrieving the MD5 hash of a big file.\r\n\r\nPlease be patient...");
  PressBoxButton(notice, false);
  s.Viewer.Invocation();
  ASSERT_TRUE(w.WaitIdle());
  ExpectLog(s.Log, s.Expected(false));
}

TEST(StopFlow, ACloseRequestDuringAScanIsAStopRequestAndAfterItClosesWithZero) {
  SlowScan s(1ll << 30);
  Window& w = s.Start();
  EXPECT_TRUE(PressBoxButton(s.AskToStop(true), true));
  s.Viewer.Invocation();
  ASSERT_TRUE(w.WaitIdle());
  ExpectLog(s.Log, s.Expected(false));
  PostMessageW(w.Program.Window, WM_CLOSE, 0, 0);
  DWORD code = 1;
  EXPECT_TRUE(WaitForExit(w.Program, 20000, code));
  EXPECT_EQ(code, 0u);
}

// A scan whose process is killed leaves on disk the mark, the header and the whole lines of
// every file found before the kill: only the footer is missing.
TEST(StopFlow, AKilledScanLeavesWhatItFoundOnDisk) {
  SlowScan s(4ll << 30);
  for (int i = 0; i < 12; ++i) WriteBytes(s.Root + L"\\a" + std::to_wstring(i) + L".exe", "");
  // Some small files must come before the big one: by their names where listings are sorted,
  // by making the big file again last where they keep the order of making.
  if (ListTree(s.Root, false).Position.at(s.Root + L"\\big.bin") <= 3) s.MakeBig(4ll << 30);
  const Listing listing = ListTree(s.Root, false);
  const uint64_t big = listing.Position.at(s.Root + L"\\big.bin");
  Window& w = s.Start();
  Sleep(1000);  // well into the big file's hash, seconds long
  KillProgram(w.Program);
  Expectation e;
  for (const auto& [path, position] : listing.Position) {
    if (position < big && path.size() > 4 && path.compare(path.size() - 4, 4, L".exe") == 0) {
      e.Files.emplace_back(path.substr(s.Root.size() + 1), TodayUtcText());
    }
  }
  ASSERT_FALSE(e.Files.empty());
  std::wstring expected = ExpectedLog(s.Options(), s.Root, listing, e);
  ExpectLog(s.Log, expected.substr(0, expected.find(L"\r\n   The FNX scan")), false);
}

TEST(ScanWindow, RefusalsChangeNothing) {
  TempFolder folder;
  Companion companion;
  Window w(folder.Path);
  const std::wstring readOnly = folder / L"read-only.txt", previous = folder / L"previous.txt";
  WriteBytes(readOnly, "kept");
  WriteBytes(previous, "kept");
  SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  const std::wstring rootMissing = L"The selected root path does not exist.\r\n\r\nPlease select a valid folder or drive "
                                   L"for the root of the scan.";
  const std::wstring logUnopenable = L"The selected log file could not be opened.\r\n\r\nMaybe you don't have enough access "
                                     L"rights? Try choosing another file.";
  const struct {
    std::wstring Root, Log, Message;
  } cases[] = {{folder / L"no such folder", previous, rootMissing}, {previous, previous, rootMissing},
               {folder.Path, folder / L"missing\\log.txt", logUnopenable}, {folder.Path, folder.Path, logUnopenable},
               {folder.Path, readOnly, logUnopenable}};
  for (const auto& c : cases) {
    w.Type(RootEditId, c.Root);
    w.Type(LogPathEditId, c.Log);
    w.Click(StartScanButtonId);
    HWND box = WaitForMessageBox(w.Program.ProcessId);
    EXPECT_EQ(MessageBoxText(box), c.Message) << Printable(c.Root) << " " << Printable(c.Log);
    PressBoxButton(box, false);
    LetProgramSettle(w.Program.Window);
    EXPECT_EQ(w.Text(StartScanButtonId), L"Start scan");
    EXPECT_EQ(w.Text(StatusLineId), L"Waiting for Start scan...");
  }
  for (const std::wstring& path : {readOnly, previous}) EXPECT_EQ(ReadBytes(path).size(), 4u) << Printable(path);
  EXPECT_EQ(GetFileAttributesW((folder / L"missing").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(companion.Invocation(500).first, L"") << "a log was opened";
}

// The shell's handler for text files, registered for the test: the stand-in again, in a
// folder of its own. (This Wine prefix has no handler for .txt.)
struct TextHandler {
  Companion Recorder;
  TextHandler() {
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"Software\\QLV - Qelvar", KEY_WOW64_64KEY, 0);  // only its stand-in is kept
    const std::wstring command = L"\"" + Recorder.Folder / L"Dunmere.exe" + L"\" \"%1\"";
    for (const auto& [key, value] : {std::pair{L"Software\\Classes\\.txt", std::wstring(L"FendrelTestText")},
                                     {L"Software\\Classes\\FendrelTestText\\shell\\open\\command", command}}) {
      RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, nullptr, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * 2));
    }
  }
  ~TextHandler() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\FendrelTestText");
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.txt");
  }
};

TEST(ScanWindow, WithoutAUsableCompanionTheShellOpensTheLog) {
  const struct {
    const char* Name;
    bool Key;
    DWORD Type;
    bool FolderExists;
    REGSAM View;
  } cases[] = {{"expandable string", true, REG_EXPAND_SZ, true, KEY_WOW64_64KEY},
               {"missing folder", true, REG_SZ, false, KEY_WOW64_64KEY},
               {"missing key", false, REG_SZ, true, KEY_WOW64_64KEY},
               // A 64-bit product's key: the 32-bit program must not look in its own view.
               {"key only in the 32-bit view", true, REG_SZ, true, KEY_WOW64_32KEY}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TempFolder folder;
    TextHandler shell;
    std::unique_ptr<Companion> companion(c.Key ? new Companion(c.Type, c.FolderExists, c.View) : nullptr);
    Window w(folder.Path);
    const std::wstring log = folder / L"shell opened.txt";
    w.Type(RootEditId, folder.Path);
    w.Type(LogPathEditId, log);
    w.Click(StartScanButtonId);
    EXPECT_NE(shell.Recorder.Invocation(30000).first.find(L"\"" + log + L"\""), std::wstring::npos);
    ASSERT_TRUE(w.WaitIdle());
    if (companion) {
      EXPECT_EQ(companion->Invocation(300).first, L"") << "the companion viewer was started";
    }
  }
}

// The files a log lists, by name.
std::set<std::wstring> Listed(const std::wstring& log) {
  std::set<std::wstring> names;
  for (size_t at = log.find(L"<RecentFiles>"); at != std::wstring::npos; at = log.find(L"<RecentFiles>", at + 1)) {
    const size_t path = log.find(L" | ", log.find(L" | ", at) + 3) + 3;
    const std::wstring field = log.substr(path, std::min(log.find(L" | ", path), log.find(L"\r\n", path)) - path);
    names.insert(field.substr(field.rfind(L'\\') + 1));
  }
  return names;
}

// Any text in the boxes: the documented message, or a complete log that shows the text as
// typed (as much as the box holds) and lists what the rules say.
TEST(ScanWindow, InputOfAnyTextGivesTheMessageOrACompleteLog) {
  TempFolder base;
  Companion companion;
  const std::wstring root = base / L"small", log = base / L"log.txt";
  CreateDirectoryW(root.c_str(), nullptr);
  for (const wchar_t* name : {L"keep.txt", L"old.txt", L"drop.dat"}) WriteBytes(root + L"\\" + name, "x");
  SetFileDate(root + L"\\old.txt", 2001, 1, 1);
  std::wstring metacharacters;  // alternatives that each hold a backslash, then "|.txt"
  while (metacharacters.size() < 2000) metacharacters += L"a*b?c.d+e(f)g{2}h[i]j^k$l\\m|";
  metacharacters += L".txt";
  // A folder whose path fills the root box: 259 units and the terminator.
  const std::wstring full = base.Path + L"\\" + std::wstring(258 - base.Path.size(), L'L');
  CreateDirectoryW(full.c_str(), nullptr);
  WriteBytes(full + L"\\keep.txt", "x");
  using Names = std::set<std::wstring>;
  const Names both = {L"keep.txt", L"old.txt"}, all = {L"keep.txt", L"old.txt", L"drop.dat"};
  const struct {
    std::wstring Pattern, Age, Root, Log;
    Names Listed;  // none: the scan is refused
    bool Refused;
  } cases[] = {
      {metacharacters, L"0", root, log, both, false}, {std::wstring(2048, L'*'), L"0", root, log, all, false},
      {std::wstring(2048, L'?'), L"0", root, log, all, false}, {std::wstring(2048, L'('), L"0", root, log, {}, false},
      {std::wstring(2048, L'|'), L"0", root, log, all, false}, {L".txt", L"", root, log, both, false},
      {L".txt", L"-1", root, log, {}, false}, {L".txt", L"1e12", root, log, both, false},
      {L".txt", L"  12abc", root, log, {L"keep.txt"}, false}, {L".txt", std::wstring(260, L'9'), root, log, both, false},
      {L".txt", L"0", root + L"\\\\\\", log, both, false}, {L".txt", L"0", L"", log, {}, true},
      {L".txt", L"0", full, log, {L"keep.txt"}, false}, {L".txt", L"0", full + L"\\beyond the box", log, {L"keep.txt"}, false},
      {L".txt", L"0", root, base / L"a<b>|c?.txt", {}, true}, {L".txt", L"0", root, L"", {}, true},
      {L".txt", L"0", root, base.Path + L"\\" + std::wstring(2047 - base.Path.size(), L'n'), {}, true},
  };
  Window w(base.Path);
  for (const auto& c : cases) {
    SCOPED_TRACE(Printable(c.Pattern.substr(0, 30) + L" / " + c.Age.substr(0, 20) + L" / " + c.Root + L" / " + c.Log.substr(0, 80)));
    DeleteFileW(log.c_str());
    w.Type(PatternEditId, c.Pattern);
    w.Type(MaxAgeEditId, c.Age);
    w.Type(RootEditId, c.Root);
    w.Type(LogPathEditId, c.Log);
    w.Click(StartScanButtonId);
    if (c.Refused) {
      HWND box = WaitForMessageBox(w.Program.ProcessId);
      EXPECT_NE(box, nullptr);
      PressBoxButton(box, false);
      ASSERT_TRUE(w.WaitIdle());
      continue;
    }
    companion.Invocation();
    ASSERT_TRUE(w.WaitIdle());
    DeleteFileW((companion.Folder / L"invocation.txt").c_str());
    const std::wstring text = LogText(log);
    EXPECT_NE(text.find(L"\tFile name pattern to search: " + c.Pattern.substr(0, 2047) + L"\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"\tMax file age: " + c.Age.substr(0, 259) + L" days."), std::wstring::npos);
    EXPECT_EQ(Listed(text), c.Listed);
    EXPECT_NE(text.find(L"files matched.\r\n\r\n\t############### End of the Fendrel results log ###############"),
              std::wstring::npos);
  }
}

#ifdef _WIN64
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
  const std::wstring native = sys + L"\\fnxprobe_native.dat", signedPe = sys + L"\\fnxprobe_signed.exe";
  const std::wstring folder = sys + L"\\fnxprobe_folder", inner = folder + L"\\inner.dat";
  const std::wstring onlyWow = L"C:\\Windows\\SysWOW64\\fnxprobe_wow.dat";
  struct Planted {
    ~Planted() {
      for (const wchar_t* p : {L"C:\\Windows\\System32\\fnxprobe_folder\\inner.dat", L"C:\\Windows\\System32\\fnxprobe_native.dat",
                               L"C:\\Windows\\System32\\fnxprobe_signed.exe", L"C:\\Windows\\SysWOW64\\fnxprobe_wow.dat"}) {
        DeleteFileW(p);
      }
      RemoveDirectoryW(L"C:\\Windows\\System32\\fnxprobe_folder");
    }
  } planted;
  ASSERT_TRUE(WriteBytes(native, "only the 64-bit system folder has this"));
  ASSERT_TRUE(CopyFileW(FixturePath(L"signed.exe").c_str(), signedPe.c_str(), FALSE));
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(inner, "inside"));
  ASSERT_TRUE(WriteBytes(onlyWow, "only the 32-bit system folder has this"));
  TempFolder logs;
  std::map<std::wstring, std::wstring> text;  // build -> its log, times masked
  for (const std::wstring build : {L"i686", L"x86_64"}) {
    Window w(logs.Path, BuildFolder() + L"\\..\\" + build + L"\\Fendrel.exe");
    const std::wstring log = logs / (build + L".txt");
    w.Type(RootEditId, sys);
    w.Type(LogPathEditId, log);
    w.Type(PatternEditId, L"kernel32.dll|fnxprobe*");
    w.Type(MaxAgeEditId, L"0");
    w.Check(VerifySignaturesCheckId, true);
    w.Click(StartScanButtonId);
    ASSERT_TRUE(w.WaitIdle());
    text[build] = MaskTimes(LogText(log));
    if (build == L"i686") {  // a root that exists only in the 64-bit system folder is accepted and walked
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
  EXPECT_NE(LineOf(log, sys + L"\\kernel32.dll").find(L" | " + HostMd5(sys + L"\\kernel32.dll") + L" | "), std::wstring::npos);
  EXPECT_EQ(log.find(L"fnxprobe_wow"), std::wstring::npos) << Printable(log);
  EXPECT_NE(log.find(L"<RecentFolder> | " + TodayUtcText() + L" | " + folder + L"\r\n"), std::wstring::npos);
}
#endif

}  // namespace
