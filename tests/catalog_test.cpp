// Signatures through the system's catalogs: a catalog made by the build is installed in the
// catalog store for one scan and taken out again, and the whole log is compared with the one
// the rules give. A file the catalog lists reads "Signed :  " only while the catalog's own
// signature holds; a signed claim to be Microsoft's leaves the file out.
#include <gtest/gtest.h>

#include "platform/scope_guard.h"
#include "scan/scan_run.h"
#include "support/expected_log.h"

namespace {

const wchar_t kSigned[] = L"Signed :  ", kUnsigned[] = L"Unsigned :  ";
const wchar_t kNoPublisher[] = L"No publisher", kMicrosoft[] = L"Microsoft Corporation";

// The store the catalog lookup reads (the 32-bit build's System32 is not redirected there),
// and this build's name in it, so that the two builds never take out each other's catalog.
std::wstring InstalledCatalogPath() {
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  const std::wstring root = std::wstring(system) + L"\\catroot";
  CreateDirectoryW(root.c_str(), nullptr);
  const std::wstring store = root + L"\\{f750e6c3-38ee-11d1-85e5-00c04fc295ee}";
  CreateDirectoryW(store.c_str(), nullptr);
  return store + (sizeof(void*) == 8 ? L"\\fendrel_test_x86_64.cat" : L"\\fendrel_test_i686.cat");
}

std::wstring CatalogFixture(const wchar_t* name) { return FixturePath(std::wstring(L"catalog\\") + name); }

// One file put in the scanned folder: a fixture's bytes, or those with one byte changed, and
// the company column its line must show (null: the file is left out).
struct Placed {
  const wchar_t* Name;
  std::wstring Source;
  bool ChangeOneByte;
  const wchar_t* Verdict;
  const wchar_t* Company;
};

TEST(CatalogSignature, ListedFilesReadSignedOnlyThroughAnIntactCatalog) {
  const std::wstring listedExe = CatalogFixture(L"listed.exe"), listedBat = CatalogFixture(L"listed.bat");
  const std::wstring microsoft = CatalogFixture(L"microsoft.exe");
  const std::wstring unlistedExe = FixturePath(L"no_version.exe"), unlistedMicrosoft = FixturePath(L"company_full.exe");
  struct Case {
    const char* Name;
    const wchar_t* Catalog;
    std::vector<Placed> Files;
  } cases[] = {
      {"an intact catalog: its members are signed, a signed Microsoft claim is left out", L"good.cat",
       {{L"listed.exe", listedExe, false, kSigned, kNoPublisher},
        {L"listed.bat", listedBat, false, kSigned, kNoPublisher},
        {L"unlisted.exe", unlistedExe, false, kUnsigned, kNoPublisher},
        {L"changed.exe", listedExe, true, kUnsigned, kNoPublisher},
        {L"changed.bat", listedBat, true, kUnsigned, kNoPublisher},
        {L"microsoft.exe", microsoft, false, nullptr, nullptr},
        {L"claims microsoft.exe", unlistedMicrosoft, false, kUnsigned, kMicrosoft}}},
      // Wine reports the broken signature as the certificate's, a failure without words of its own.
      {"a catalog whose signature is broken vouches for nothing", L"broken.cat",
       {{L"listed.exe", listedExe, false, kUnsigned, kNoPublisher},
        {L"listed.bat", listedBat, false, kUnsigned, kNoPublisher},
        {L"microsoft.exe", microsoft, false, kUnsigned, kMicrosoft}}},
      {"the size limit of the catalog check: a listed file at it is signed, one byte more keeps its own verdict",
       L"good.cat",
       {{L"at limit.bat", CatalogFixture(L"at_limit.bat"), false, kSigned, kNoPublisher},
        {L"over limit.bat", CatalogFixture(L"over_limit.bat"), false, kUnsigned, kNoPublisher}}},
  };
  const std::wstring installed = InstalledCatalogPath(), today = TodayUtcText();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TempFolder folder, logs;
    Expectation expected;
    for (const Placed& file : c.Files) {
      std::string bytes = ReadBytes(file.Source);
      ASSERT_FALSE(bytes.empty()) << Printable(file.Source);
      if (file.ChangeOneByte) bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x20);
      ASSERT_TRUE(WriteBytes(folder / file.Name, bytes)) << Printable(file.Name);
      if (file.Verdict == nullptr) continue;
      expected.Files.emplace_back(file.Name, today);
      expected.Publishers[file.Name] = std::wstring(file.Verdict) + file.Company;
    }
    ScanOptions o = BareOptions(folder.Path, logs / L"log.txt", L".exe|.bat", L"0");
    o.IncludeCompanyName = o.VerifySignatures = true;
    {
      ASSERT_TRUE(CopyFileW(CatalogFixture(c.Catalog).c_str(), installed.c_str(), FALSE)) << Printable(installed);
      const auto uninstall = OnScopeExit([&] { DeleteFileW(installed.c_str()); });
      ScanSession session;
      const ScanResult result = RunScan(o, session);
      ASSERT_EQ(result.Start, ScanStart::Started);
      EXPECT_TRUE(result.Completed);
    }
    EXPECT_EQ(GetFileAttributesW(installed.c_str()), INVALID_FILE_ATTRIBUTES) << "the catalog stayed installed";
    const Listing listing = ListTree(folder.Path, false);
    expected.Analyzed = listing.Count;
    ExpectLog(o.LogPath, ExpectedLog(o, folder.Path, listing, expected));
  }
}

}  // namespace
