// Textual registry paths and the companion product's install folder, on the real registry.
#include <gtest/gtest.h>

#include "platform/registry_paths.h"
#include "temp_folder.h"

namespace {

struct ParseCase {
  const wchar_t* Path;
  HKEY Root;
  const wchar_t* Rest;
  REGSAM AddedBits;
};

TEST(ParseRegistryPath, RecognisesRootNamesAndViews) {
  const ParseCase cases[] = {
      {L"HKLM\\Software\\QLV - Qelvar", HKEY_LOCAL_MACHINE, L"Software\\QLV - Qelvar", 0},
      {L"hkey_local_machine64\\Software", HKEY_LOCAL_MACHINE, L"Software", KEY_WOW64_64KEY},
      {L"HKEY_LOCAL_MACHINE32\\Software", HKEY_LOCAL_MACHINE, L"Software", KEY_WOW64_32KEY},
      {L"HKCR64\\.txt", HKEY_CLASSES_ROOT, L".txt", KEY_WOW64_64KEY},
      {L"HKcr32\\.txt", HKEY_CLASSES_ROOT, L".txt", KEY_WOW64_32KEY},
      {L"HKU\\S-1-5-21-1-2-3-1001", HKEY_USERS, L"S-1-5-21-1-2-3-1001", 0},
      {L"HKU", HKEY_USERS, L"", 0},
      {L"HKCU\\", HKEY_CURRENT_USER, L"", 0},
      {L"HKEY_CURRENT_CONFIG\\System", HKEY_CURRENT_CONFIG, L"System", 0},
      {L"HKCC\\a\\b\\c", HKEY_CURRENT_CONFIG, L"a\\b\\c", 0},
  };
  for (const ParseCase& c : cases) {
    std::wstring path = c.Path;
    REGSAM access = KEY_READ;
    EXPECT_EQ(ParseRegistryPath(path, &access), c.Root) << Printable(c.Path);
    EXPECT_EQ(path, c.Rest) << Printable(c.Path);
    EXPECT_EQ(access, KEY_READ | c.AddedBits) << Printable(c.Path);
  }
  std::wstring noAccess = L"HKLM64\\Software";
  EXPECT_EQ(ParseRegistryPath(noAccess, nullptr), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(noAccess, L"Software");
}

TEST(ParseRegistryPath, LeavesUnknownRootsUntouched) {
  // No view forms for these roots; a backslash before the fourth character is not seen; a
  // root name of 23 or more characters lies beyond the search.
  for (const wchar_t* text : {L"HKCU64\\Software", L"HKU32\\x", L"HK\\LM\\x", L"Software\\x", L"HKLMX",
                              L"HKEY_LOCAL_MACHINE6464\\x", L"HKEY_LOCAL_MACHINE_____\\x"}) {
    std::wstring path = text;
    REGSAM access = KEY_READ;
    EXPECT_EQ(ParseRegistryPath(path, &access), nullptr) << Printable(text);
    EXPECT_EQ(path, text);
    EXPECT_EQ(access, static_cast<REGSAM>(KEY_READ));
  }
  std::wstring empty;
  EXPECT_EQ(ParseRegistryPath(empty, nullptr), nullptr);
}

TEST(JoinMultiString, SeparatesStringsWithLineFeeds) {
  wchar_t two[] = {L'A', 0, L'B', 0, 0};
  JoinMultiString(two, 5);
  EXPECT_EQ(std::wstring(two), L"A\nB");
  wchar_t unterminated[] = {L'A', 0, L'B', L'C'};
  JoinMultiString(unterminated, 4);
  EXPECT_EQ(std::wstring(unterminated), L"A\nB");
  wchar_t emptyOnes[] = {L'A', 0, 0, L'B', 0, 0};
  JoinMultiString(emptyOnes, 6);
  EXPECT_EQ(std::wstring(emptyOnes), std::wstring(L"A"));
  EXPECT_EQ(std::wstring(emptyOnes + 2), L"\nB");
}

// A scratch key under the current user, removed at the end.
struct ScratchKey {
  HKEY Key = nullptr;
  ScratchKey() { RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\FendrelTest", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &Key, nullptr); }
  ~ScratchKey() {
    RegCloseKey(Key);
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\FendrelTest");
  }
  void Set(DWORD type, const void* data, DWORD size) {
    RegSetValueExW(Key, L"InstallDir", 0, type, static_cast<const BYTE*>(data), size);
  }
};

TEST(ReadInstallDir, ReadsTheValueWithItsType) {
  ScratchKey key;
  RegistryValue nothing = ReadInstallDir(key.Key);
  EXPECT_EQ(nothing.Type, 0xFFFFFFFFu);
  EXPECT_EQ(nothing.Size, 0u);
  EXPECT_EQ(ReadInstallDir(nullptr).Type, 0xFFFFFFFFu);

  const wchar_t folder[] = L"C:\\Program Files\\Qelvar";
  key.Set(REG_SZ, folder, sizeof folder);
  RegistryValue plain = ReadInstallDir(key.Key);
  EXPECT_EQ(plain.Type, static_cast<uint32_t>(REG_SZ));
  EXPECT_EQ(plain.Size, sizeof folder);
  EXPECT_EQ(plain.Text(), folder);

  key.Set(REG_EXPAND_SZ, folder, sizeof folder);
  EXPECT_EQ(ReadInstallDir(key.Key).Type, static_cast<uint32_t>(REG_EXPAND_SZ));

  const wchar_t multi[] = {L'A', 0, L'B', 0, 0};
  key.Set(REG_MULTI_SZ, multi, sizeof multi);
  EXPECT_EQ(ReadInstallDir(key.Key).Text(), L"A\nB");
}

TEST(ReadInstallDir, ValueWithoutTerminatorEndsAtItsLastUnit) {
  ScratchKey key;
  // Stored without its NUL, and with an odd byte count.
  const wchar_t text[] = L"C:\\Qelvar";
  key.Set(REG_SZ, text, 9 * sizeof(wchar_t));
  RegistryValue value = ReadInstallDir(key.Key);
  EXPECT_EQ(value.Text(), L"C:\\Qelvar");
  key.Set(REG_SZ, text, 9 * sizeof(wchar_t) - 1);
  EXPECT_EQ(ReadInstallDir(key.Key).Text().substr(0, 8), L"C:\\Qelva");
}

TEST(OpenCompanionKey, FindsTheKeyInThe64BitView) {
  HKEY made = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\QLV - Qelvar", 0, nullptr, 0,
                            KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &made, nullptr),
            ERROR_SUCCESS);
  const wchar_t folder[] = L"C:\\windows";
  RegSetValueExW(made, L"InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder), sizeof folder);
  {
    const UniqueRegKey key = OpenCompanionKey();
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(ReadInstallDir(key.get()).Text(), folder);
  }
  RegCloseKey(made);
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"Software\\QLV - Qelvar", KEY_WOW64_64KEY, 0);
  EXPECT_EQ(OpenCompanionKey(), nullptr);
}

}  // namespace
