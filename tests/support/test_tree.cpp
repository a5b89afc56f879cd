#include "support/test_tree.h"

#include <iterator>

#include "support/wine_host.h"

namespace {

struct Entry {
  const wchar_t* Path;
  const char* Content;   // null for a folder
  int Year, Month, Day;  // 0: made now
  DWORD Attributes;
};

const Entry kTree[] = {
    {L"empty", nullptr, 0, 0, 0, 0},           {L"..old", nullptr, 0, 0, 0, 0},
    {L"...", nullptr, 0, 0, 0, 0},             {L".. ", nullptr, 0, 0, 0, 0},
    {L".old", nullptr, 0, 0, 0, 0},            {L"aged", nullptr, 2003, 3, 3, 0},
    {L"aged\\fresh", nullptr, 0, 0, 0, 0},     {L"aged\\aged2", nullptr, 2003, 3, 4, 0},
    {L"recent", nullptr, 0, 0, 0, 0},          {L"recent\\sub", nullptr, 2002, 2, 2, 0},
    {L"alpha.exe", "alpha", 0, 0, 0, 0},       {L"old.dll", "bravo", 2001, 5, 5, 0},
    {L"notes.txt", "charlie", 0, 0, 0, 0},     {L"Hidden.SYS", "delta", 0, 0, 0, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
    {L"..old\\hid.exe", "echo", 0, 0, 0, 0},   {L".old\\dot.bat", "foxtrot", 0, 0, 0, 0},
    {L"...\\three.bat", "juliet", 0, 0, 0, 0}, {L".. \\blank.cmd", "kilo", 0, 0, 0, 0},
    {L"aged\\fresh\\deep.cmd", "golf", 0, 0, 0, 0},
    {L"aged\\aged2\\ancient.vbs", "hotel", 2002, 1, 1, 0},
    {L"recent\\sub\\x.scr", "india", 0, 0, 0, FILE_ATTRIBUTE_READONLY},
};

}  // namespace

const std::vector<const wchar_t*> kTreeMatches = {L"alpha.exe",        L"Hidden.SYS",          L"..old\\hid.exe",
                                                  L"...\\three.bat",   L".. \\blank.cmd",       L".old\\dot.bat",
                                                  L"aged\\fresh\\deep.cmd", L"recent\\sub\\x.scr"};
const std::vector<const wchar_t*> kTreeFolders = {L"empty", L"..old", L"...", L".. ", L".old", L"aged\\fresh", L"recent"};

Tree::Tree() {
  CreateDirectoryW(Root.c_str(), nullptr);
  // Through the extended-length form: "..." and ".. " are names of their own there.
  const auto literal = [this](const wchar_t* relative) { return L"\\\\?\\" + Path(relative); };
  for (const Entry& e : kTree) {
    e.Content ? WriteBytes(literal(e.Path), e.Content) : CreateDirectoryW(literal(e.Path).c_str(), nullptr);
    if (e.Content && e.Year) SetFileDate(Path(e.Path), e.Year, e.Month, e.Day);
    if (e.Attributes) SetFileAttributesW(Path(e.Path).c_str(), e.Attributes);
  }
  // Folders last, deepest first: making their content touched their dates.
  for (size_t i = std::size(kTree); i-- > 0;) {
    if (!kTree[i].Content && kTree[i].Year) SetFileDate(Path(kTree[i].Path), kTree[i].Year, kTree[i].Month, kTree[i].Day);
  }
  // Wine fakes success for CreateSymbolicLinkW: the host makes the link.
  EXPECT_NE(RunHost("ln -s '" + UnixPath(Path(L"recent")) + "' '" + UnixPath(Root) + "/link'"), "failed");
}

Listing& Listing::Add(const std::wstring& folder, bool recurse) {
  WIN32_FIND_DATAW data;
  const UniqueFindHandle find(FindFirstFileW((L"\\\\?\\" + folder + L"\\*").c_str(), &data));
  for (bool more = find.get() != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find.get(), &data)) {
    const std::wstring name = data.cFileName, path = folder + L"\\" + name;
    Position[path] = ++Count;
    if (recurse && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && name != L"." && name != L"..") {
      Add(path, recurse);
    }
  }
  return *this;
}
