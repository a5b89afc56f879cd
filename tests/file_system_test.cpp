// The form in which the file system is handed a path: the path itself below MAX_PATH units,
// the extended-length form of its full path from there on.
#include <gtest/gtest.h>

#include <string>

#include "platform/file_system.h"
#include "temp_folder.h"

namespace {

TEST(FileSystemPath, LongPathsTakeTheExtendedLengthForm) {
  const std::wstring deep = L"C:\\" + std::wstring(255, L'd') + L"\\x";  // 260 units
  const std::wstring share = L"\\\\server\\share\\" + std::wstring(250, L's');
  struct Case {
    std::wstring Path, Given;
  } cases[] = {
      {L"C:\\" + std::wstring(256, L'd'), L"C:\\" + std::wstring(256, L'd')},  // 259 units: as it is
      {deep, L"\\\\?\\" + deep},
      {share, L"\\\\?\\UNC\\server\\share\\" + std::wstring(250, L's')},
      {L"\\\\?\\" + deep, L"\\\\?\\" + deep},  // already extended
      {L"C:\\" + std::wstring(255, L'd') + L"\\.\\x\\..\\x", L"\\\\?\\" + deep},  // taken literally there
      {L"C:/" + std::wstring(255, L'd') + L"/x", L"\\\\?\\" + deep},
  };
  for (const Case& c : cases) EXPECT_EQ(Printable(FileSystemPath(c.Path)), Printable(c.Given)) << c.Path.size();
  EXPECT_EQ(Printable(ExtendedLengthPath(L"C:\\a")), Printable(L"\\\\?\\C:\\a"));
}

TEST(FileSystemPath, RelativeLongPathsAreMadeFull) {
  TempFolder folder;
  wchar_t previous[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(folder.Path.c_str()));
  const std::wstring relative = std::wstring(300, L'r');
  const std::wstring given = FileSystemPath(relative);
  SetCurrentDirectoryW(previous);
  EXPECT_EQ(Printable(given), Printable(L"\\\\?\\" + folder.Path + L"\\" + relative));
}

}  // namespace
