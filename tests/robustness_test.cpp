// Whole scans through the real window under bad input and faults: every box given what a user
// or a broken clipboard could put there, trees that change during the walk, that are huge,
// deep, wide or oddly named, folders that cannot be listed, and fifty scans in one process.
// Each case must end in the program's own message or in a log the strict checker accepts, with
// the program alive, back at rest and no temporary file left in its temporary folder.
#include <gtest/gtest.h>
#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window_controls.h"
#include "gui_driver.h"
#include "host_shell.h"
#include "log_checker.h"
#include "platform/scope_guard.h"
#include "temp_folder.h"

namespace {

constexpr DWORD kScanTimeoutMs = 300000;
const std::wstring kRootMissing =
    L"The selected root path does not exist.\r\n\r\nPlease select a valid folder or drive for the root of the scan.";
const std::wstring kLogUnopenable =
    L"The selected log file could not be opened.\r\n\r\nMaybe you don't have enough access rights? Try choosing "
    L"another file.";
const std::wstring kScanned = L"";  // the outcome of a scan that wrote its log and opened it

std::vector<std::wstring> EntriesOf(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(data.cFileName);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return names;
}

bool MakeFile(const std::wstring& path, const std::string& content = "abc") { return WriteBytes(path, content); }

// The listed files, relative to the folder the scan walked.
std::set<std::wstring> Listed(const CheckedLog& log) {
  std::wstring root = log.Root;
  while (!root.empty() && root.back() == L'\\') root.pop_back();
  std::set<std::wstring> names;
  for (const CheckedFileLine& file : log.Files) names.insert(file.Path.substr(root.size() + 1));
  return names;
}

std::wstring Join(const std::set<std::wstring>& names) {
  std::wstring text;
  for (const std::wstring& name : names) text += name + L"; ";
  return text;
}

// Fendrel with a temporary folder of its own and the companion stand-in, whose start tells
// that a scan has written its log.
struct Fendrel {
  TempFolder Temp;
  TempFolder ViewerFolder;
  RunningProgram Program;
  std::wstring TempPath;  // the program's temporary folder: Temp, or a folder in it of a chosen length
  std::set<std::wstring> TempEntries = {L".", L".."};  // what the temporary folder may hold
  explicit Fendrel(size_t tempLength = 0) : TempPath(Temp.Path) {
    while (TempPath.size() < tempLength) {
      TempPath += L"\\" + std::wstring(std::min<size_t>(200, tempLength - TempPath.size() - 1), L't');
      CreateDirectoryW((L"\\\\?\\" + TempPath).c_str(), nullptr);
    }
    CopyFileW((BuildFolder() + L"\\tests\\dunmere_standin.exe").c_str(), (ViewerFolder / L"Dunmere.exe").c_str(), FALSE);
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\QLV - Qelvar", 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                    &key, nullptr);
    RegSetValueExW(key, L"InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(ViewerFolder.Path.c_str()),
                   static_cast<DWORD>((ViewerFolder.Path.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    wchar_t saved[2][1024] = {};
    const wchar_t* names[] = {L"TMP", L"TEMP"};
    for (int i = 0; i < 2; ++i) {
      GetEnvironmentVariableW(names[i], saved[i], 1024);
      SetEnvironmentVariableW(names[i], TempPath.c_str());  // the program inherits them
    }
    EXPECT_TRUE(StartProgram(Program, Temp.Path));
    for (int i = 0; i < 2; ++i) SetEnvironmentVariableW(names[i], saved[i][0] ? saved[i] : nullptr);
    EXPECT_TRUE(WaitForMainWindow(Program));
  }
  ~Fendrel() { RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"Software\\QLV - Qelvar", KEY_WOW64_64KEY, 0); }
  HWND operator[](ControlId id) const { return GetDlgItem(Program.Window, id); }
  void Type(ControlId id, const std::wstring& text) const { EXPECT_TRUE(SetWindowTextRemote((*this)[id], text)); }
  void Check(ControlId id, bool on) const { SendWithTimeout((*this)[id], BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }
  // Pattern, age, root and log, with only the file facts asked for.
  void Options(const std::wstring& pattern, const std::wstring& age, const std::wstring& root, const std::wstring& log,
               bool md5 = true, bool versionFacts = true) const {
    Type(PatternEditId, pattern);
    Type(MaxAgeEditId, age);
    Type(RootEditId, root);
    Type(LogPathEditId, log);
    Check(Md5CheckId, md5);
    for (ControlId id : {DescriptionCheckId, CompanyCheckId}) Check(id, versionFacts);
  }
  // Presses "Start scan" and gives the text of the box that came instead (answered), or
  // kScanned once the log has been handed to the viewer and the window is at rest again.
  std::wstring Scan() {
    const std::wstring record = ViewerFolder / L"invocation.txt";
    DeleteFileW(record.c_str());
    EXPECT_TRUE(PostClick((*this)[StartScanButtonId]));
    std::wstring outcome = L"<no outcome>";
    for (DWORD waited = 0; waited < kScanTimeoutMs; waited += 50) {
      if (WaitForSingleObject(Program.Process, 0) == WAIT_OBJECT_0) {
        ADD_FAILURE() << "the program ended";
        return L"<ended>";
      }
      if (HWND box = WaitForProcessWindow(Program.ProcessId, L"FNX_MsgBox", nullptr, 0)) {
        LetProgramSettle(box, 0);
        outcome = MessageBoxText(box);
        EXPECT_TRUE(PressBoxButton(box, false) || PressBoxButton(box, true));
        break;
      }
      if (GetFileAttributesW(record.c_str()) != INVALID_FILE_ATTRIBUTES) {
        outcome = kScanned;
        break;
      }
      Sleep(50);
    }
    for (DWORD waited = 0; waited < 20000 && !AtRest(); waited += 50) Sleep(50);
    EXPECT_TRUE(AtRest()) << "the window did not come back to rest";
    for (const std::wstring& name : EntriesOf(L"\\\\?\\" + TempPath)) {
      EXPECT_EQ(TempEntries.count(name), 1u) << "left in the temporary folder: " << Narrow(name);
    }
    return outcome;
  }
  bool AtRest() const {
    return WindowText((*this)[StartScanButtonId]) == L"Start scan" &&
           WindowText((*this)[StatusLineId]) == L"Waiting for Start scan..." && !FindWindowW(L"FNX_MsgBox", nullptr);
  }
};

// A small tree: two files that match ".txt" (one of today, one of 2001) and one that does not.
struct SmallTree {
  TempFolder Base;
  std::wstring Root = Base / L"small";
  SmallTree() {
    CreateDirectoryW(Root.c_str(), nullptr);
    MakeFile(Root + L"\\keep.txt");
    MakeFile(Root + L"\\old.txt");
    SetFileDate(Root + L"\\old.txt", 2001, 5, 5);
    MakeFile(Root + L"\\drop.dat");
  }
};

const std::set<std::wstring> kBoth = {L"keep.txt", L"old.txt"};
const std::set<std::wstring> kRecent = {L"keep.txt"};
const std::set<std::wstring> kAll = {L"keep.txt", L"old.txt", L"drop.dat"};

// 2048 units: alternatives made of every metacharacter (each holding a backslash, so none
// matches a name), then "|.txt" and one unit more, which the box's limit cuts off.
std::wstring MetacharacterPattern() {
  const std::wstring unit = L"a*b?c.d+e(f)g{2}h[i]j^k$l\\m|";
  std::wstring pattern;
  while (pattern.size() + unit.size() < 2048 - 7) pattern += unit;
  pattern += std::wstring(2048 - 6 - pattern.size(), L'Z');
  return pattern + L"|.txtX";
}

TEST(Robustness, PatternsAndAgesOfAnyTextGiveWellFormedLogs) {
  SmallTree tree;
  Fendrel f;
  const std::wstring log = tree.Base / L"log.txt";
  const struct {
    std::wstring Pattern, Age;
    std::set<std::wstring> Expected;
  } cases[] = {
      {MetacharacterPattern(), L"0", kBoth},
      {std::wstring(2048, L'*'), L"0", kAll},
      {std::wstring(2048, L'?'), L"0", kAll},
      {std::wstring(2048, L')'), L"0", kAll},      // each a literal ")" repeated any number of times
      {std::wstring(2048, L'('), L"0", {}},
      {std::wstring(2048, L'|'), L"0", kAll},      // empty alternatives
      {std::wstring(2048, L'\\'), L"0", {}},
      {L".txt", L"", kBoth},                       // no number: 0 days, any date
      {L".txt", L"-1", {}},                        // all 32 bits set: only dates after today
      {L".txt", L"1e12", kBoth},                   // low half 0xD4A51000 days
      {L".txt", L"nan", kBoth},                    // x86 gives 0x8000000000000000: low half 0
      {L".txt", L"  12abc", kRecent},              // blanks skipped, 12 taken
      {L".txt", std::wstring(260, L'9'), kBoth},   // beyond 64 bits, as nan
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.Pattern.substr(0, 40)) + " / " + Narrow(c.Age.substr(0, 20)));
    f.Options(c.Pattern, c.Age, tree.Root, log);
    ASSERT_EQ(f.Scan(), kScanned);
    const CheckedLog checked = CheckLogFile(log);
    EXPECT_EQ(checked.Error, "");
    EXPECT_EQ(checked.Pattern, c.Pattern.substr(0, 2047));
    EXPECT_EQ(checked.MaxAge, c.Age.substr(0, 259));
    EXPECT_EQ(Join(Listed(checked)), Join(c.Expected));
  }
}

// A drive letter for a folder, made as Wine keeps them: a link in the prefix's dosdevices.
struct Drive {
  std::string Link;
  std::wstring Letter;
  explicit Drive(const std::wstring& folder) {
    for (wchar_t l = L'P'; l < L'Y' && Letter.empty(); ++l) {
      if (GetFileAttributesW((std::wstring(1, l) + L":\\").c_str()) == INVALID_FILE_ATTRIBUTES) Letter = std::wstring(1, l);
    }
    std::string devices = UnixPath(L"C:\\");
    devices = devices.substr(0, devices.rfind("/c:"));
    Link = devices + "/" + std::string(1, static_cast<char>(towlower(Letter[0]))) + ":";
    EXPECT_TRUE(RunHost("ln -sfn '" + UnixPath(folder) + "' '" + Link + "'"));
  }
  ~Drive() { RunHost("rm -f '" + Link + "'"); }
};

TEST(Robustness, RootsOfAnyTextGiveTheMessageOrAWellFormedLog) {
  SmallTree tree;
  Fendrel f;
  const Drive drive(tree.Root);
  // A folder whose path fills the root box: 259 units and the terminator.
  const std::wstring full = tree.Base.Path + L"\\" + std::wstring(258 - tree.Base.Path.size(), L'L');
  ASSERT_EQ(full.size(), 259u);
  ASSERT_TRUE(CreateDirectoryW(full.c_str(), nullptr));
  MakeFile(full + L"\\keep.txt");
  const std::wstring log = tree.Base / L"log.txt";
  const struct {
    std::wstring Root, Outcome;
    std::set<std::wstring> Expected;
    uint64_t Analyzed;  // a drive's root lists no "." and ".."
  } cases[] = {
      {tree.Root + L"\\\\\\", kScanned, kBoth, 5},
      {drive.Letter + L":", kScanned, kBoth, 3},
      {drive.Letter + L":\\", kScanned, kBoth, 3},
      {drive.Letter + L":\\\\", kScanned, kBoth, 3},
      {full, kScanned, kRecent, 3},
      {full + L"\\beyond the box", kScanned, kRecent, 3},  // cut to the folder
      {tree.Root + L"\\keep.txt", kRootMissing, {}, 0},
      {tree.Root + L"\\missing", kRootMissing, {}, 0},
      {L"", kRootMissing, {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.Root));
    DeleteFileW(log.c_str());
    f.Options(L".txt", L"0", c.Root, log);
    ASSERT_EQ(Narrow(f.Scan()), Narrow(c.Outcome));
    if (c.Outcome != kScanned) {
      EXPECT_EQ(GetFileAttributesW(log.c_str()), INVALID_FILE_ATTRIBUTES) << "the log was touched";
      continue;
    }
    const CheckedLog checked = CheckLogFile(log);
    EXPECT_EQ(checked.Error, "");
    EXPECT_EQ(checked.Root, c.Root.substr(0, 259));
    EXPECT_EQ(Join(Listed(checked)), Join(c.Expected));
    EXPECT_EQ(checked.Analyzed, c.Analyzed);
  }
}

TEST(Robustness, LogPathsOfAnyTextGiveTheMessageOrAWellFormedLog) {
  SmallTree tree;
  Fendrel f;
  const std::wstring readOnly = tree.Base / L"read-only.txt";
  MakeFile(readOnly, "kept");
  SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  const struct {
    std::wstring Log;
    bool MayScan;  // a device may take the log and lose it; a file of that name must not appear
  } cases[] = {
      {tree.Base / L"a<b>|c?.txt", false},
      {tree.Base / L"CON", true},
      {tree.Base / L"NUL", true},
      {tree.Base.Path, false},
      {tree.Base.Path + L"\\" + std::wstring(2048 - tree.Base.Path.size() - 1, L'n'), false},
      {readOnly, false},
      {L"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.Log.substr(0, 80)));
    f.Options(L".txt", L"0", tree.Root, c.Log);
    const std::wstring outcome = f.Scan();
    if (!(c.MayScan && outcome == kScanned)) {
      EXPECT_EQ(Narrow(outcome), Narrow(kLogUnopenable));
    }
  }
  EXPECT_EQ(ReadBytes(readOnly), std::vector<unsigned char>({'k', 'e', 'p', 't'}));
  const std::vector<std::wstring> left = EntriesOf(tree.Base.Path);
  EXPECT_EQ(std::set<std::wstring>(left.begin(), left.end()),
            std::set<std::wstring>({L".", L"..", L"small", L"read-only.txt"}));
}

TEST(Robustness, TreeChangedByAnotherThreadDuringTheWalk) {
  TempFolder base;
  const std::wstring root = base / L"busy";
  CreateDirectoryW(root.c_str(), nullptr);
  constexpr int kFolders = 40, kFiles = 100;
  for (int d = 0; d < kFolders; ++d) {
    CreateDirectoryW((root + L"\\d" + std::to_wstring(d)).c_str(), nullptr);
    for (int i = 0; i < kFiles; ++i) MakeFile(root + L"\\d" + std::to_wstring(d) + L"\\f" + std::to_wstring(i) + L".txt");
  }
  Fendrel f;
  const std::wstring log = base / L"log.txt";
  f.Options(L"*", L"0", root, log);
  // Creates, deletes and renames files and folders all over the tree until the scan ends, at
  // a pace that leaves the file system to the walk most of the time.
  std::atomic<bool> stop{false};
  std::atomic<int> operations{0};
  std::thread changer([&] {
    for (unsigned n = 1; !stop && n < 20000; ++n, Sleep(1)) {
      const std::wstring folder = root + L"\\d" + std::to_wstring(n * 7 % kFolders);
      const std::wstring file = folder + L"\\f" + std::to_wstring(n * 13 % kFiles) + L".txt";
      switch (n % 5) {
        case 0: MakeFile(folder + L"\\new" + std::to_wstring(n) + L".txt"); break;
        case 1: DeleteFileW(file.c_str()); break;
        case 2: MoveFileW(file.c_str(), (folder + L"\\ren" + std::to_wstring(n) + L".txt").c_str()); break;
        case 3: CreateDirectoryW((folder + L"\\newdir" + std::to_wstring(n)).c_str(), nullptr);
                MakeFile(folder + L"\\newdir" + std::to_wstring(n) + L"\\inside.txt"); break;
        case 4: MoveFileW(folder.c_str(), (root + L"\\moved" + std::to_wstring(n)).c_str());
                MoveFileW((root + L"\\moved" + std::to_wstring(n)).c_str(), folder.c_str()); break;
      }
      ++operations;
    }
  });
  const std::wstring outcome = f.Scan();
  const int during = operations;
  stop = true;
  changer.join();
  printf("changes made while the walk ran: %d\n", during);
  ASSERT_EQ(outcome, kScanned);
  const CheckedLog checked = CheckLogFile(log);
  EXPECT_EQ(checked.Error, "");
  EXPECT_TRUE(checked.Completed);
  EXPECT_GT(during, 0);
  for (const std::wstring& name : Listed(checked)) {
    const std::wstring leaf = name.substr(name.rfind(L'\\') + 1);
    EXPECT_TRUE(leaf[0] == L'f' || leaf.rfind(L"new", 0) == 0 || leaf.rfind(L"ren", 0) == 0 || leaf == L"inside.txt")
        << Narrow(name);
  }
}

TEST(Robustness, SparseFileBeyondFourGibibytesIsHashedWhole) {
  TempFolder base;
  const std::wstring root = base / L"sparse";
  CreateDirectoryW(root.c_str(), nullptr);
  const HANDLE big = CreateFileW((root + L"\\big.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  LARGE_INTEGER size;
  size.QuadPart = (4ll << 30) + 4097;  // both halves of the size in use
  SetFilePointerEx(big, size, nullptr, FILE_BEGIN);
  SetEndOfFile(big);
  CloseHandle(big);
  Fendrel f;
  const std::wstring log = base / L"log.txt";
  f.Options(L"*", L"0", root, log);
  ASSERT_EQ(f.Scan(), kScanned);
  const CheckedLog checked = CheckLogFile(log);
  EXPECT_EQ(checked.Error, "");
  ASSERT_EQ(checked.Files.size(), 1u);
  // head -c 4294971393 /dev/zero | md5sum
  EXPECT_EQ(checked.Files[0].Hash, L"FA97B817F0731586E69634AB4DA6CC03");
  EXPECT_EQ(checked.Files[0].Size, L"4.00 GB");  // StrFormatByteSize's three significant digits
}

// Two chains of folders with a file in each, made by the host: one of short names that goes
// past MAX_PATH, one of 250-unit names that goes past the host's own limit on a path, whose
// last folders cannot be listed. Beside them, links that lead nowhere or in a loop (Wine
// shows neither) and a folder after them. (A chain of one-letter names to the host's limit,
// two thousand levels, takes minutes under Wine: robustness_bench walks it.)
TEST(Robustness, TreesNestedPastThePathLimitsAndFoldersThatCannotBeListed) {
  TempFolder base;
  const std::wstring root = base / L"deep";
  CreateDirectoryW(root.c_str(), nullptr);
  CreateDirectoryW((root + L"\\after").c_str(), nullptr);
  MakeFile(root + L"\\after\\after.txt");
  const std::string unixRoot = UnixPath(root);
  const auto removeChains = OnScopeExit([&] { RunHost("rm -rf '" + unixRoot + "'"); });  // beyond what Win32 can delete
  const std::wstring longName(250, L'L');
  const struct {
    std::wstring First;
    size_t Levels;
  } chains[] = {{L"d", (300 - root.size()) / 2}, {longName, (4096 - unixRoot.size()) / 251 + 2}};
  for (const auto& chain : chains) {
    const std::string name(chain.First.begin(), chain.First.end());
    ASSERT_TRUE(RunHost("cd '" + unixRoot + "' && for i in $(seq " + std::to_string(chain.Levels) + "); do mkdir " + name +
                        " && cd -P " + name + " && : > f.txt || exit 1; done"));
  }
  ASSERT_TRUE(RunHost("cd '" + unixRoot + "' && ln -s nowhere dangling && ln -s loopb loopa && ln -s loopa loopb"));
  // What a walk can see: the entries of every level that can be listed.
  uint64_t entries = EntriesOf(root).size() + EntriesOf(root + L"\\after").size();
  std::set<std::wstring> expected = {L"after\\after.txt"};
  for (const auto& chain : chains) {
    size_t listable = 0;
    for (std::wstring level = root + L"\\" + chain.First;; level += L"\\" + chain.First, ++listable) {
      const std::vector<std::wstring> names = EntriesOf(level);
      if (names.empty()) break;
      entries += names.size();
      if (std::count(names.begin(), names.end(), L"f.txt")) expected.insert(level.substr(root.size() + 1) + L"\\f.txt");
    }
    printf("%zu levels of %zu-unit names, %zu listable, the deepest path %zu units\n", chain.Levels, chain.First.size(),
           listable, root.size() + chain.Levels * (chain.First.size() + 1));
    EXPECT_GT(root.size() + listable * (chain.First.size() + 1), static_cast<size_t>(MAX_PATH));
  }
  EXPECT_LT(expected.size(), 1 + chains[0].Levels + chains[1].Levels) << "no folder is beyond the host's limit";
  Fendrel f;
  const std::wstring log = base / L"log.txt";
  f.Options(L"*", L"0", root, log, false, false);
  ASSERT_EQ(f.Scan(), kScanned);
  const CheckedLog checked = CheckLogFile(log);
  EXPECT_EQ(checked.Error, "");
  EXPECT_EQ(checked.Analyzed, entries);
  EXPECT_EQ(Listed(checked), expected);
}

TEST(Robustness, HundredThousandFilesInOneFolder) {
  constexpr int kCount = 100000;
  TempFolder base;
  const std::wstring root = base / L"wide";
  CreateDirectoryW(root.c_str(), nullptr);
  const auto removeFiles = OnScopeExit([&] { RunHost("rm -rf '" + UnixPath(root) + "'"); });  // faster than Win32
  ASSERT_TRUE(RunHost("cd '" + UnixPath(root) + "' && seq -f 'f%06.0f.txt' 1 " + std::to_string(kCount) + " | xargs touch"));
  Fendrel f;
  const std::wstring log = base / L"log.txt";
  f.Options(L".txt", L"0", root, log, false, false);
  ASSERT_EQ(f.Scan(), kScanned);
  const CheckedLog checked = CheckLogFile(log);
  EXPECT_EQ(checked.Error, "");
  EXPECT_EQ(checked.Analyzed, kCount + 2u);
  const std::set<std::wstring> listed = Listed(checked);
  EXPECT_EQ(listed.size(), static_cast<size_t>(kCount));
  wchar_t name[32];
  for (int i = 1; i <= kCount; i += 9973) {
    swprintf(name, 32, L"f%06d.txt", i);
    EXPECT_EQ(listed.count(name), 1u) << Narrow(name);
  }
}

TEST(Robustness, NamesOutsideTheBasicPlaneAndUnusualNames) {
  TempFolder base;
  const std::wstring root = base / L"names";
  CreateDirectoryW(root.c_str(), nullptr);
  CreateDirectoryW((root + L"\\f\xF6lder \xD83D\xDE00").c_str(), nullptr);
  const std::wstring names[] = {
      L" leading space.txt",          L"   three",
      L"\xFC" L"n\xEF" L"c\xF6" L"d\xE9 \x20AC.txt",  L"\x65E5\x672C\x8A9E\x306E\x30D5\x30A1\x30A4\x30EB.txt",
      L"\xD83D\xDE00 emoji \xD83C\xDF89", L"\xD800\xDC00 first astral",
      L"RTL \x05D0\x05D1\x05D2.txt",   L"combining e\x0301",
      L"; , = + [ ] { } ( ) ' ` ~ ! @ # $ % ^ &", L"a.b.c.d",
      L"..two leading dots",          L".hidden",
      std::wstring(250, L'x') + L".txt", L"f\xF6lder \xD83D\xDE00\\inner \xD83D\xDC4D",
  };
  std::set<std::wstring> expected;
  for (const std::wstring& name : names) {
    ASSERT_TRUE(MakeFile(root + L"\\" + name)) << Narrow(name);
    expected.insert(name);
  }
  // One more file, held open without sharing by this process while the scan runs.
  const std::wstring locked = L"locked by another process.txt";
  const HANDLE lock = CreateFileW((root + L"\\" + locked).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  const auto unlock = OnScopeExit([&] { CloseHandle(lock); });
  expected.insert(locked);
  Fendrel f;
  const std::wstring log = base / L"log.txt";
  f.Options(L"*", L"0", root, log);
  ASSERT_EQ(f.Scan(), kScanned);
  const CheckedLog checked = CheckLogFile(log);
  EXPECT_EQ(checked.Error, "");
  EXPECT_EQ(Narrow(Join(Listed(checked))), Narrow(Join(expected)));
  for (const CheckedFileLine& file : checked.Files) {
    const bool isLocked = file.Path == root + L"\\" + locked;
    // MD5 of "abc" from RFC 1321; a file that cannot be read gives the error text.
    EXPECT_EQ(file.Hash, isLocked ? L"Hash error: Unknown" : L"900150983CD24FB0D6963F7D28E17F72") << Narrow(file.Path);
  }
}

// A temporary folder whose path leaves no room for the recent-folders list within MAX_PATH,
// and one longer than the 1024 units the program asks for: the list cannot be made, or is
// made where the platform allows it; either way the log is whole and nothing is left behind.
TEST(Robustness, LongTemporaryFolderPaths) {
  SmallTree tree;
  CreateDirectoryW((tree.Root + L"\\recent").c_str(), nullptr);
  for (const size_t length : {size_t{250}, size_t{1100}}) {
    SCOPED_TRACE(length);
    Fendrel f(length);
    const std::wstring log = tree.Base / L"log.txt";
    f.Options(L".txt", L"0", tree.Root, log);
    ASSERT_EQ(f.Scan(), kScanned);
    const CheckedLog checked = CheckLogFile(log);
    EXPECT_EQ(checked.Error, "");
    EXPECT_EQ(Join(Listed(checked)), Join(kBoth));
    printf("temporary folder of %zu units: %zu recent folder lines\n", length, checked.Folders.size());
    if (length > 1024) {
      EXPECT_EQ(checked.Folders.size(), 0u) << "a list under a path longer than the program asks for";
    }
  }
}

// The scan's own files inside the tree it walks: the log being written, and the temporary
// recent-folders list (the program's temporary folder as the root).
TEST(Robustness, OwnFilesInsideTheWalkedTree) {
  SmallTree tree;
  Fendrel f;
  CreateDirectoryW((f.Temp / L"recent").c_str(), nullptr);
  f.TempEntries.insert(L"recent");
  const struct {
    std::wstring Root, Log, Own;
  } cases[] = {{tree.Root, tree.Root + L"\\log.txt", L"log.txt"},
               {f.Temp.Path, tree.Base / L"log.txt", L"FNX_FolderResults.txt"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.Own));
    f.Options(L"*", L"0", c.Root, c.Log);
    ASSERT_EQ(f.Scan(), kScanned);
    const CheckedLog checked = CheckLogFile(c.Log);
    EXPECT_EQ(checked.Error, "");
    EXPECT_EQ(checked.Folders.size(), c.Root == f.Temp.Path ? 1u : 0u);
    EXPECT_EQ(Listed(checked).count(c.Own), 1u) << Narrow(Join(Listed(checked)));
  }
  RemoveDirectoryW((f.Temp / L"recent").c_str());
}

// The 64-bit build alone: a 32-bit test program under WOW64 cannot read the GDI table of
// another process.
#ifdef _WIN64
// /proc files report no size: read until the end.
std::string ReadProcFile(const std::wstring& path) {
  std::string text;
  const HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return text;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got > 0) text.append(chunk, got);
  CloseHandle(h);
  return text;
}

// The Wine process behind a Windows process id: the host process whose command line names
// this build's program (only one runs at a time: it refuses a second instance).
std::wstring UnixProcessFolder() {
  const std::string program = Narrow(ProgramPath());
  for (const std::wstring& pid : EntriesOf(L"Z:\\proc")) {
    if (pid[0] < L'0' || pid[0] > L'9') continue;
    if (ReadProcFile(L"Z:\\proc\\" + pid + L"\\cmdline").find(program) != std::string::npos) return L"Z:\\proc\\" + pid;
  }
  return L"";
}

long long StatusKb(const std::string& status, const char* field) {
  const size_t at = status.find(field);
  return at == std::string::npos ? -1 : std::atoll(status.c_str() + at + strlen(field) + 1);
}

// The handle table's size as Wine's server reports it for a process (it grows in steps of 32):
// GetProcessHandleCount answers 0 under Wine.
unsigned long HandleTableSize(DWORD processId) {
  std::vector<unsigned char> buffer(1 << 20);
  ULONG length = 0;
  if (NtQuerySystemInformation(SystemProcessInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &length) != 0) return 0;
  for (size_t at = 0;;) {
    const auto* info = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + at);
    if (HandleToUlong(info->UniqueProcessId) == processId) return info->HandleCount;
    if (info->NextEntryOffset == 0) return 0;
    at += info->NextEntryOffset;
  }
}

// The process environment block up to the address of the GDI handle table, as the platform
// lays it out (the SDK's PEB hides these fields).
struct PebHead {
  BYTE Flags[4];
  PVOID Mutant, ImageBase, Ldr, ProcessParameters, SubSystemData, ProcessHeap, FastPebLock, AtlThunkSListPtr, IfeoKey;
  ULONG CrossProcessFlags;
  PVOID KernelCallbackTable;
  ULONG SystemReserved, AtlThunkSListPtr32;
  PVOID ApiSetMap;
  ULONG TlsExpansionCounter;
  PVOID TlsBitmap;
  ULONG TlsBitmapBits[2];
  PVOID ReadOnlySharedMemoryBase, SharedData, ReadOnlyStaticServerData, AnsiCodePageData, OemCodePageData, CaseTableData;
  ULONG NumberOfProcessors, NtGlobalFlag;
  LARGE_INTEGER CriticalSectionTimeout;
  SIZE_T HeapSegmentReserve, HeapSegmentCommit, HeapDeCommitTotalFreeThreshold, HeapDeCommitFreeBlockThreshold;
  ULONG NumberOfHeaps, MaximumNumberOfHeaps;
  PVOID ProcessHeaps, GdiSharedHandleTable;
};
// An entry of the GDI handle table as Wine keeps it, one table of 65536 per process; a free
// entry has type 0.
struct GdiHandleEntry {
  UINT64 Object;
  ULONG Owner;
  USHORT Unique;
  UCHAR Type, Flags;
  UINT64 UserPointer;
};

// GDI objects of a process: GetGuiResources where it answers, else the entries in use in
// its handle table, read from outside.
size_t GdiObjects(HANDLE process) {
  if (const DWORD count = GetGuiResources(process, GR_GDIOBJECTS)) return count;
  PROCESS_BASIC_INFORMATION basic{};
  ULONG length = 0;
  PebHead peb{};
  SIZE_T got = 0;
  std::vector<GdiHandleEntry> table(0x10000);
  if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, &length) != 0 ||
      !ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, &got) || peb.GdiSharedHandleTable == nullptr ||
      !ReadProcessMemory(process, peb.GdiSharedHandleTable, table.data(), table.size() * sizeof(GdiHandleEntry), &got)) {
    return 0;
  }
  return std::count_if(table.begin(), table.end(), [](const GdiHandleEntry& e) { return e.Type != 0; });
}

TEST(Robustness, FiftyScansInOneProcessKeepHandlesAndMemoryFlat) {
  Fendrel f;
  TempFolder base;
  const std::wstring root = base / L"tree";
  CreateDirectoryW(root.c_str(), nullptr);
  CreateDirectoryW((root + L"\\recent").c_str(), nullptr);
  for (const wchar_t* name : {L"a.exe", L"b.dll", L"recent\\c.sys"}) MakeFile(root + L"\\" + name);
  const std::wstring log = base / L"log.txt";
  f.Options(L".exe|.dll|.sys", L"0", root, log);
  f.Check(VerifySignaturesCheckId, true);
  f.Check(AttributesCheckId, true);
  const std::wstring proc = UnixProcessFolder();
  ASSERT_FALSE(proc.empty()) << "no host process runs " << Narrow(ProgramPath());
  struct Sample {
    size_t Descriptors;
    unsigned long Handles;
    size_t Gdi;
    long long RssKb, AnonKb;
  };
  std::vector<Sample> samples;
  printf("host process %s: %s\n", Narrow(proc).c_str(), ReadProcFile(proc + L"\\cmdline").c_str());
  printf("scan  descriptors  handle table  GDI objects  VmRSS kB  RssAnon kB\n");
  for (int scan = 1; scan <= 50; ++scan) {
    ASSERT_EQ(f.Scan(), kScanned) << "scan " << scan;
    const CheckedLog checked = CheckLogFile(log);
    ASSERT_EQ(checked.Error, "") << "scan " << scan;
    ASSERT_EQ(checked.Files.size(), 3u);
    ASSERT_EQ(checked.Folders.size(), 1u);
    if (scan != 1 && scan % 10 != 0) continue;
    const std::string status = ReadProcFile(proc + L"\\status");
    samples.push_back({EntriesOf(proc + L"\\fd").size() - 2, HandleTableSize(f.Program.ProcessId),
                       GdiObjects(f.Program.Process), StatusKb(status, "VmRSS:"), StatusKb(status, "RssAnon:")});
    const Sample& s = samples.back();
    printf("%4d  %11zu  %12lu  %11zu  %8lld  %10lld\n", scan, s.Descriptors, s.Handles, s.Gdi, s.RssKb, s.AnonKb);
  }
  // From the tenth scan on, once the first scans have loaded what they load once.
  const Sample& tenth = samples[1];
  EXPECT_LE(samples.back().Descriptors, tenth.Descriptors + 2);
  EXPECT_LE(samples.back().Handles, tenth.Handles);
  EXPECT_GT(tenth.Gdi, 0u) << "GDI objects could not be counted";
  EXPECT_LE(samples.back().Gdi, tenth.Gdi);
  EXPECT_LE(samples.back().AnonKb, tenth.AnonKb + 4096);
}

#endif

}  // namespace
