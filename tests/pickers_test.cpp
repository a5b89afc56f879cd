// The two pickers: what they ask the platform for, and the save picker answered from another
// thread as a user would (typing a name, confirming or cancelling).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>

#include "gui_driver.h"
#include "ui/painted_surfaces.h"
#include "ui/pickers.h"

namespace {

TEST(Pickers, FolderRequestCoversTheWholeShellWithAnEditBox) {
  HWND owner = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
  const BROWSEINFOW r = RootFolderRequest(owner);
  EXPECT_EQ(r.hwndOwner, owner);
  EXPECT_EQ(r.pidlRoot, nullptr);
  EXPECT_EQ(r.pszDisplayName, nullptr);
  EXPECT_EQ(Narrow(r.lpszTitle), "Select the root folder or drive for the scan");
  EXPECT_EQ(r.ulFlags, 0x0450u);
  EXPECT_EQ(r.lpfn, nullptr) << "nothing preselected";
}

TEST(Pickers, SaveRequestProposesTextFilesWithoutAnOverwriteQuestion) {
  wchar_t buffer[2049] = {};
  HWND owner = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
  const OPENFILENAMEW r = LogFileRequest(owner, buffer);
  EXPECT_EQ(r.lStructSize, sizeof(OPENFILENAMEW));
  EXPECT_EQ(r.hwndOwner, owner);
  ASSERT_NE(r.lpstrFilter, nullptr);
  // One pair, then the empty pair that ends the list.
  const std::wstring filter(r.lpstrFilter, 10 + 1 + 5 + 1 + 1);
  EXPECT_EQ(Narrow(filter), Narrow(std::wstring(L"Text files\0*.txt\0\0", 18)));
  EXPECT_EQ(r.lpstrCustomFilter, nullptr);
  EXPECT_EQ(r.nFilterIndex, 0u);
  EXPECT_EQ(r.lpstrFile, buffer);
  EXPECT_EQ(r.nMaxFile, 2048u);
  EXPECT_EQ(r.lpstrFileTitle, nullptr);
  EXPECT_EQ(r.lpstrInitialDir, nullptr);
  EXPECT_EQ(Narrow(r.lpstrTitle), "Select the path and name for the log");
  EXPECT_EQ(r.Flags, 0x0080000Cu);
  EXPECT_FALSE(r.Flags & OFN_OVERWRITEPROMPT);
  EXPECT_EQ(Narrow(r.lpstrDefExt), "txt");
}

// The file-name box of the platform's save dialog: a combo box's edit or a plain edit.
HWND FileNameBox(HWND dialog) {
  if (HWND combo = GetDlgItem(dialog, 0x47C)) {
    if (HWND edit = FindWindowExW(combo, nullptr, L"Edit", nullptr)) return edit;
    return combo;
  }
  return GetDlgItem(dialog, 0x480);
}

struct DialogAnswer {
  std::wstring Proposed;  // what the name box held when the dialog opened
  bool Found = false;
};

// Waits for the save dialog of this process, notes the proposed name, types `name` (unless
// null) and confirms, or cancels when `name` is null.
DialogAnswer AnswerSaveDialog(const wchar_t* name) {
  DialogAnswer answer;
  HWND dialog =
      WaitForProcessWindow(GetCurrentProcessId(), L"#32770", L"Select the path and name for the log", 15000);
  if (dialog == nullptr) return answer;
  Sleep(300);
  answer.Found = true;
  HWND box = FileNameBox(dialog);
  answer.Proposed = WindowText(box);
  if (name == nullptr) {
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
  } else {
    SetWindowTextRemote(box, name);
    PostMessageW(dialog, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  }
  return answer;
}

TEST(Pickers, SaveDialogAddsTheDefaultExtensionOnlyWhenNoneIsTyped) {
  const struct {
    const wchar_t* Typed;
    const char* EndsWith;
  } cases[] = {{L"fnxlog_a", "\\fnxlog_a.txt"}, {L"fnxlog_b.log", "\\fnxlog_b.log"}};
  for (const auto& c : cases) {
    DialogAnswer answer;
    std::thread user([&] { answer = AnswerSaveDialog(c.Typed); });
    std::wstring path = L"untouched";
    const bool chosen = BrowseForLogFile(path);
    user.join();
    ASSERT_TRUE(answer.Found) << "the save dialog did not appear";
    EXPECT_EQ(Narrow(answer.Proposed), "FnxResults");
    EXPECT_TRUE(chosen);
    const std::string got = Narrow(path);
    const std::string tail = c.EndsWith;
    EXPECT_TRUE(got.size() > tail.size() && got.compare(got.size() - tail.size(), tail.size(), tail) == 0)
        << "expected a full path ending in " << tail << ", got " << got;
    EXPECT_NE(got.find(':'), std::string::npos) << "a full path, got " << got;
  }
}

TEST(Pickers, CancelledSaveDialogChoosesNothing) {
  wchar_t before[MAX_PATH] = {}, after[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, before);
  DialogAnswer answer;
  std::thread user([&] { answer = AnswerSaveDialog(nullptr); });
  std::wstring path = L"untouched";
  EXPECT_FALSE(BrowseForLogFile(path));
  user.join();
  EXPECT_TRUE(answer.Found);
  GetCurrentDirectoryW(MAX_PATH, after);
  EXPECT_EQ(Narrow(after), Narrow(before)) << "the working directory must not change";
}

TEST(Pickers, CancelledFolderDialogLeavesThePathUntouched) {
  CoInitialize(nullptr);
  std::thread user([] {
    HWND dialog = WaitForProcessWindow(GetCurrentProcessId(), L"#32770", nullptr, 15000);
    if (dialog == nullptr) return;
    Sleep(300);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
  });
  std::wstring path = L"untouched";
  EXPECT_FALSE(BrowseForRootFolder(path));
  user.join();
  EXPECT_EQ(Narrow(path), "untouched");
  CoUninitialize();
}

}  // namespace
