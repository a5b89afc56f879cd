// The real Fendrel.exe driven from outside: its window and its ending, whole scans from the
// click to the opened log (read back byte for byte), the stop flow with the log on disk while a
// file is hashed and at each drain, the refusals, the companion viewer and its fall-backs, and
// input of any text.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/scope_guard.h"
#include "support/companion.h"
#include "support/expected_log.h"
#include "support/gui_driver.h"
#include "support/wine_host.h"

namespace {

// The shell's handler for text files, registered for the test. (This prefix has none.)
struct TextHandler : StandIn {
  TextHandler() {
    Set(L"Software\\Classes\\.txt", L"FendrelTestText");
    Set(L"Software\\Classes\\FendrelTestText\\shell\\open\\command", L"\"" + Folder / L"Dunmere.exe" + L"\" \"%1\"");
  }
  ~TextHandler() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\FendrelTestText");
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.txt");
  }
  static void Set(const wchar_t* key, const std::wstring& value) {
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, nullptr, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * 2));
  }
};

// With its defaults, the program scans the tree into a log that the companion viewer opens;
// a second start restores its window and ends with 0, and so does the close glyph.
TEST(Program, OneInstanceWhoseDefaultScanLogsTheTreeForTheViewer) {
  Tree tree;
  Companion companion;
  Window w(tree.Base.Path);
  EXPECT_EQ(SendWithTimeout(w.Program.Window, WM_USER, 0, 0), 0x534B0020);
  EXPECT_EQ(w.Text(RootEditId), std::wstring(_wgetenv(L"SystemRoot")).substr(0, 3));
  EXPECT_EQ(w.Text(LogPathEditId), tree.Base / L"FNXResults.txt");
  const std::wstring log = tree.Base / L"results log.txt";
  w.Scan(tree.Root, log);
  const auto [commandLine, folder] = companion.Invocation();
  ASSERT_TRUE(w.WaitIdle());
  EXPECT_EQ(w.Text(FolderLineId), L"");
  const Listing listing = ListTree(tree.Root, true);
  ExpectLog(log, ExpectedLog(DefaultOptions(tree.Root, log), tree.Root, listing,
                             {Dated(kTreeMatches, TodayUtcText()), Dated(kTreeFolders, TodayUtcText()), true, listing.Count}));
  // The viewer gets the quoted log path as its only parameter, in its install folder.
  const std::wstring quoted = L"\"" + log + L"\"";
  EXPECT_EQ(commandLine.substr(commandLine.size() - std::min(commandLine.size(), quoted.size())), quoted) << Printable(commandLine);
  EXPECT_NE(commandLine.find(L"Dunmere.exe"), std::wstring::npos) << Printable(commandLine);
  EXPECT_EQ(CompareStringOrdinal(folder.c_str(), -1, companion.Folder.Path.c_str(), -1, TRUE), CSTR_EQUAL) << Printable(folder);
  ASSERT_TRUE(PostClick(w[MinimizeGlyphId]));
  ASSERT_TRUE(Eventually(Allowed(10000), [&] { return IsIconic(w.Program.Window); }));
  RunningProgram second;
  DWORD code = 1234;
  ASSERT_TRUE(StartProgram(second, tree.Base.Path) && WaitForExit(second, 20000, code) && code == 0) << "the second instance: " << code;
  LetProgramSettle(w.Program.Window, 0);
  EXPECT_FALSE(IsIconic(w.Program.Window)) << "the first window was not restored";
  ASSERT_TRUE(PostClick(w[CloseGlyphId]));
  EXPECT_TRUE(WaitForExit(w.Program, 10000, code) && code == 0) << code;
}

// While the big file is hashed (seconds long), the disk already holds the mark, the header and
// the whole lines of the files before it, so a scan killed now loses nothing it found; so it
// does at every drain of a scan without hashes. A close request asks as "Stop scan" does: "No"
// goes on with the scan in its window, and clicks while the question is open add nothing.
// "Yes" stops it, and a second click says so.
TEST(StopFlow, TheDiskHoldsWhatWasFoundAndOnlyYesStopsTheScan) {
  TempFolder base;
  const std::wstring root = base / L"slow", log = base / L"log.txt", big = root + L"\\big.bin";
  Companion viewer;
  CreateDirectoryW(root.c_str(), nullptr);
  for (int i = 0; i < 12; ++i) WriteBytes(root + L"\\a" + std::to_wstring(i) + L".exe", "");
  // The big file after some small ones: by its name where listings are sorted, by making it
  // last where they keep the order of making.
  for (int round = 0; round < 2 && ListTree(root, false).Position[big] <= 3; ++round) {
    DeleteFileW(big.c_str());
    EXPECT_NE(RunHost("truncate -s 6G '" + UnixPath(big) + "'"), "failed");  // sparse: made at once
  }
  const Listing entries = ListTree(root, false);
  Expectation before{{}, {}, false, entries.Position.at(big)};  // the files before the big one, whose hash is stopped
  for (const auto& [path, position] : entries.Position) {
    if (position < before.Analyzed && path.compare(path.size() - 4, 4, L".exe") == 0) {
      before.Files.emplace_back(path.substr(root.size() + 1), TodayUtcText());
    }
  }
  EXPECT_FALSE(before.Files.empty());
  ScanOptions o = BareOptions(root + L"\\\\", log, L"*", L"30.5");  // the root shown as typed, walked without them
  o.IncludeMicrosoftFiles = o.Recurse = o.IncludeMd5 = o.IncludeAttributes = true;
  const auto found = [](const std::wstring& text) { return text.substr(0, text.find(L"\r\n   The FNX scan")); };
  const std::wstring expected = ExpectedLog(o, root, entries, before);
  Window w(L"C:\\");
  for (const ControlId id : {RecentFoldersCheckId, DescriptionCheckId, CompanyCheckId, SizeCheckId, BlankLineCheckId}) w.Check(id, false);
  w.Check(AttributesCheckId, true);
  w.Scan(o.Root, log, o.Pattern, o.MaxAge);
  EXPECT_TRUE(w.WaitForText(FolderLineId, root));  // the walk is in the folder
  Eventually(Allowed(10000), [&] { return MaskTimes(LogText(log)) == found(expected); });
  ExpectLog(log, found(expected));
  const auto askToStop = [&w](bool byClose) {
    byClose ? PostMessageW(w.Program.Window, WM_CLOSE, 0, 0) : PostClick(w[StartScanButtonId]);
    HWND box = WaitForMessageBox(w.Program.ProcessId);
    EXPECT_EQ(MessageBoxText(box), L"Are you sure you want to cancel the scan?");
    return box;
  };
  HWND box = askToStop(true);
  EXPECT_EQ(SendWithTimeout(box, WM_USER, 0, 0), 0x534B0031);
  for (int i = 0; i < 4; ++i) w.Click(StartScanButtonId);
  LetProgramSettle(box, 200);
  EXPECT_EQ(ProcessWindows(w.Program.ProcessId, L"FNX_MsgBox").size(), 1u);
  PostMessageW(box, WM_CLOSE, 0, 0);  // closing the box answers as "No" does
  LetProgramSettle(w.Program.Window);
  EXPECT_TRUE(IsWindow(w.Program.Window));
  EXPECT_EQ(w.Text(StartScanButtonId), L"Stop scan");
  EXPECT_TRUE(PressBoxButton(askToStop(false), true));  // "Yes"
  EXPECT_TRUE(w.WaitForText(StatusLineId, L"Stopping the scan, please wait:", 10000));
  w.Click(StartScanButtonId);
  HWND notice = WaitForMessageBox(w.Program.ProcessId);
  EXPECT_EQ(MessageBoxText(notice).rfind(L"FNX is already stopping the scan.\r\n", 0), 0u) << Printable(MessageBoxText(notice));
  EXPECT_EQ(GetDlgItem(notice, kBoxLeftButtonId), nullptr) << "a notice has one button";
  PressBoxButton(notice, false);
  viewer.Invocation();
  ASSERT_TRUE(w.WaitIdle());
  ExpectLog(log, expected);
  // Without a hash, only the drains flush: a stop request already waiting is taken at the first
  // due drain, and while it asks, the disk holds every line found before.
  // Enough files that the walk outlasts several drain intervals, however fast a line is made;
  // the host makes them in a moment.
  ASSERT_NE(RunHost("cd '" + UnixPath(root) + "' && seq -f 'many%.0f.exe' 0 19999 | xargs touch"), "failed");
  w.Check(Md5CheckId, false);
  w.Scan(root, log);
  w.Click(StartScanButtonId);
  HWND question = WaitForMessageBox(w.Program.ProcessId);
  const std::wstring onDisk = MaskTimes(LogText(log));
  PressBoxButton(question, true);
  viewer.Invocation();
  ASSERT_TRUE(w.WaitIdle());
  EXPECT_NE(onDisk.find(L"<RecentFiles>"), std::wstring::npos);
  EXPECT_EQ(Printable(onDisk), Printable(found(MaskTimes(LogText(log)))));
}

// Any text in the boxes: the refusal's message, after which nothing has changed, or a
// complete log that shows the text as typed (as much as the box holds), counts the files the
// rules match, and is opened by the shell when the companion's key is not usable.
TEST(ScanWindow, InputOfAnyTextGivesTheMessageOrACompleteLog) {
  TempFolder base;
  // No usable companion: an expandable string in the 64-bit view, and a plain one only in the
  // 32-bit view, where a 64-bit product never writes. The shell opens each log.
  const Companion expandable(REG_EXPAND_SZ), otherView(REG_SZ, KEY_WOW64_32KEY);
  const TextHandler shell;
  const std::wstring root = base / L"small", log = base / L"log.txt";
  const std::wstring readOnly = base / L"read-only.txt", previous = base / L"previous.txt";
  CreateDirectoryW(root.c_str(), nullptr);
  for (const wchar_t* name : {L"keep.txt", L"old.txt", L"drop.dat"}) WriteBytes(root + L"\\" + name, "x");
  SetFileDate(root + L"\\old.txt", 2001, 1, 1);
  for (const std::wstring& path : {readOnly, previous}) WriteBytes(path, "kept");
  SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  // A folder whose path fills the root box: 259 units and the terminator.
  const std::wstring full = base.Path + L"\\" + std::wstring(258 - base.Path.size(), L'L');
  CreateDirectoryW(full.c_str(), nullptr);
  WriteBytes(full + L"\\keep.txt", "x");
  const std::wstring noRoot = L"The selected root path does not exist.", noLog = L"The selected log file could not be opened.";
  const struct {
    std::wstring Pattern, Age, Root, Log;
    int Matched;  // of keep.txt, old.txt (from 2001) and drop.dat
    std::wstring Message = L"";  // the message's first line; empty: the scan runs. The refusals come last.
  } cases[] = {
      {L"a*b?c.d+e(f)g{2}h[i]j^k$l\\m|.txt", L"0", root, log, 2}, {std::wstring(2048, L'*'), L"0", root, log, 3},
      {std::wstring(2048, L'('), L"0", root, log, 0}, {L".txt", L"  12abc", root, log, 1},
      {L".txt", std::wstring(260, L'9'), root, log, 2},
      {L".txt", L"0", full, log, 1}, {L".txt", L"0", full + L"\\beyond the box", log, 1},
      {L".txt", L"0", L"", log, 0, noRoot}, {L".txt", L"0", base / L"no such folder", previous, 0, noRoot},
      {L".txt", L"0", previous, previous, 0, noRoot}, {L".txt", L"0", root, base / L"missing\\log.txt", 0, noLog},
      {L".txt", L"0", root, base.Path, 0, noLog}, {L".txt", L"0", root, readOnly, 0, noLog},
      {L".txt", L"0", root, base / L"a<b>|c?.txt", 0, noLog}, {L".txt", L"0", root, L"", 0, noLog},
      {L".txt", L"0", root, base.Path + L"\\" + std::wstring(2047 - base.Path.size(), L'n'), 0, noLog},
      // Devices, whatever their folder or extension: nothing written would land anywhere.
      {L".txt", L"0", root, base / L"Aux.log", 0, noLog}, {L".txt", L"0", root, base / L"missing\\nul.txt", 0, noLog},
  };
  Window w(base.Path);
  for (const auto& c : cases) {
    SCOPED_TRACE(Printable(c.Pattern.substr(0, 30) + L" / " + c.Age.substr(0, 20) + L" / " + c.Root + L" / " + c.Log.substr(0, 80)));
    w.Scan(c.Root, c.Log, c.Pattern, c.Age);
    if (!c.Message.empty()) {
      HWND box = WaitForMessageBox(w.Program.ProcessId);
      EXPECT_EQ(MessageBoxText(box).rfind(c.Message + L"\r\n", 0), 0u) << Printable(MessageBoxText(box));
      if (c.Root.empty()) {  // "Start scan" while a box is open starts nothing, whatever the boxes hold
        DeleteFileW(log.c_str());
        w.Type(RootEditId, root), w.Type(LogPathEditId, log), w.Click(StartScanButtonId);
        LetProgramSettle(box, 500);
        EXPECT_EQ(GetFileAttributesW(log.c_str()), INVALID_FILE_ATTRIBUTES) << "a scan ran inside the box";
      }
      PressBoxButton(box, false);
      ASSERT_TRUE(w.WaitIdle());
      continue;
    }
    EXPECT_NE(shell.Invocation(30000).first.find(L"\"" + log + L"\""), std::wstring::npos);
    ASSERT_TRUE(w.WaitIdle());
    const std::wstring text = LogText(log);
    EXPECT_NE(text.find(L"\tFile name pattern to search: " + c.Pattern.substr(0, 2047) + L"\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"\tMax file age: " + c.Age.substr(0, 259) + L" days."), std::wstring::npos);
    const std::wstring end = L"analyzed. " + std::to_wstring(c.Matched) +
                             L" files matched.\r\n\r\n\t############### End of the Fendrel results log ###############";
    EXPECT_EQ(Printable(text.substr(text.size() - std::min(text.size(), end.size()))), Printable(end));  // nothing older after it
  }
  for (const std::wstring& path : {readOnly, previous}) EXPECT_EQ(ReadBytes(path).size(), 4u) << Printable(path);
  EXPECT_EQ(GetFileAttributesW((base / L"missing").c_str()), INVALID_FILE_ATTRIBUTES);
  for (const StandIn* viewer : std::initializer_list<const StandIn*>{&shell, &expandable, &otherView}) {
    EXPECT_EQ(viewer->Invocation(300).first, L"") << "a refused scan opened a log, or an unusable companion was used";
  }
  // A log whose disk fills: the box says so, and the log, whole lines up to there, is still opened.
  const SmallDisk disk(sizeof(void*) == 8 ? L'T' : L'S', "64k");
  for (int i = 0; i < 1500 && !disk.Root.empty(); ++i) WriteBytes(root + L"\\" + std::wstring(120, L'n') + std::to_wstring(i) + L".txt", "");
  if (!disk.Root.empty()) {
    w.Scan(root, disk.Root + L"log.txt", L".txt", L"1");
    HWND box = WaitForMessageBox(w.Program.ProcessId, 60000);
    EXPECT_EQ(MessageBoxText(box).rfind(L"The log file could not be written completely.\r\n", 0), 0u) << Printable(MessageBoxText(box));
    PressBoxButton(box, false);
    EXPECT_NE(shell.Invocation(30000).first.find(L"\"" + disk.Root + L"log.txt\""), std::wstring::npos);
    ASSERT_TRUE(w.WaitIdle());
  }
  w.Scan(L"", log);  // a quit that arrives while a box is open still ends the program, with 0
  WaitForMessageBox(w.Program.ProcessId);
  w.Click(CloseGlyphId);
  DWORD code = 1;
  EXPECT_TRUE(WaitForExit(w.Program, 10000, code) && code == 0) << code;
}

}  // namespace
