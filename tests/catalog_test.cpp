// Signatures through the system's catalogs: a catalog made by the build is installed in the
// catalog store for one scan and taken out again, and the whole log is compared with the one
// the rules give. A file the catalog lists reads "Signed :  " only while the catalog's own
// signature holds; a signed claim to be Microsoft's leaves the file out.
#include <gtest/gtest.h>

#include "platform/scope_guard.h"
#include "scan/scan_run.h"
#include "support/expected_log.h"

namespace {

// The store the catalog lookup reads (the 32-bit build's System32 is not redirected there),
// and this build's name in it, so that the two builds never take out each other's catalog.
std::wstring InstalledCatalogPath() {
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  std::wstring store = std::wstring(system) + L"\\catroot";
  for (const wchar_t* folder : {L"", L"\\{f750e6c3-38ee-11d1-85e5-00c04fc295ee}"}) CreateDirectoryW((store += folder).c_str(), nullptr);
  return store + (sizeof(void*) == 8 ? L"\\fendrel_test_x86_64.cat" : L"\\fendrel_test_i686.cat");
}

std::wstring Catalogs(const wchar_t* name) { return FixturePath(std::wstring(L"catalog\\") + name); }

TEST(CatalogSignature, ListedFilesReadSignedOnlyThroughAnIntactCatalog) {
  const std::wstring listedExe = Catalogs(L"listed.exe"), listedBat = Catalogs(L"listed.bat"), ms = Catalogs(L"microsoft.exe");
  const wchar_t *good = L"Signed :  No publisher", *bad = L"Unsigned :  No publisher";
  struct Placed {
    const wchar_t* Name;
    std::wstring Source;
    bool ChangeOneByte;
    const wchar_t* Company;  // the column its line shows; null: the file is left out
  };
  const struct {
    const char* Name;
    const wchar_t* Catalog;
    std::vector<Placed> Files;
  } cases[] = {
      {"an intact catalog: its members are signed, a signed Microsoft claim is left out", L"good.cat",
       {{L"listed.exe", listedExe, false, good}, {L"listed.bat", listedBat, false, good},
        {L"unlisted.exe", FixturePath(L"no_version.exe"), false, bad}, {L"changed.exe", listedExe, true, bad},
        {L"changed.bat", listedBat, true, bad}, {L"microsoft.exe", ms, false, nullptr},
        {L"claims microsoft.exe", FixturePath(L"company_full.exe"), false, L"Unsigned :  Microsoft Corporation"}}},
      // Wine reports the broken signature as the certificate's, a failure without words of its own.
      {"a catalog whose signature is broken vouches for nothing", L"broken.cat",
       {{L"listed.exe", listedExe, false, bad}, {L"listed.bat", listedBat, false, bad},
        {L"microsoft.exe", ms, false, L"Unsigned :  Microsoft Corporation"}}},
      {"the size limit of the catalog check: a listed file at it is signed, one byte more keeps its own verdict",
       L"good.cat", {{L"at limit.bat", Catalogs(L"at_limit.bat"), false, good}, {L"over limit.bat", Catalogs(L"over_limit.bat"), false, bad}}},
  };
  const std::wstring installed = InstalledCatalogPath();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TempFolder folder, logs;
    Expectation expected;
    for (const Placed& file : c.Files) {
      std::string bytes = ReadBytes(file.Source);
      ASSERT_FALSE(bytes.empty()) << Printable(file.Source);
      if (file.ChangeOneByte) bytes[bytes.size() / 2] ^= 0x20;
      ASSERT_TRUE(WriteBytes(folder / file.Name, bytes)) << Printable(file.Name);
      if (file.Company != nullptr) expected.Files.emplace_back(file.Name, TodayUtcText()), expected.Publishers[file.Name] = file.Company;
    }
    ScanOptions o = BareOptions(folder.Path, logs / L"log.txt", L".exe|.bat", L"0");
    o.IncludeCompanyName = o.VerifySignatures = true;
    {
      ASSERT_TRUE(CopyFileW(Catalogs(c.Catalog).c_str(), installed.c_str(), FALSE)) << Printable(installed);
      const auto uninstall = OnScopeExit([&] { DeleteFileW(installed.c_str()); });
      ScanSession session;
      EXPECT_TRUE(RunScan(o, session).Completed);
    }
    EXPECT_EQ(GetFileAttributesW(installed.c_str()), INVALID_FILE_ATTRIBUTES) << "the catalog stayed installed";
    const Listing listing = ListTree(folder.Path, false);
    expected.Analyzed = listing.Count;
    ExpectLog(o.LogPath, ExpectedLog(o, folder.Path, listing, expected));
  }
}

}  // namespace
