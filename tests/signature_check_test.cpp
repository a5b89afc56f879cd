// Signature verdicts: the table as data, then real files signed, tampered with and unsigned by
// this build, and the handles a long run leaves behind.
#include "facts/signature_check.h"

#include <windows.h>
#include <wintrust.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "facts/facts_drain.h"
#include "facts/md5_hash.h"
#include "facts/version_strings.h"
#include "facts_fixture.h"
#include "temp_folder.h"

namespace {

// What a scan line would show for a path: the verdict and company text, and the Microsoft answer.
std::string LineCompany(const std::wstring& path, bool& microsoft) {
  VersionInfoBlock block;
  LoadVersionInfo(path.c_str(), block);
  std::wstring company = QueryVersionString(block, L"CompanyName", L"No publisher");
  microsoft = ApplySignatureVerdict(VerifyFileSignature(path.c_str()), company);
  return Printable(company);
}

// Wine answers GetProcessHandleCount with zero, so there the open handles are counted by asking
// about every handle value in turn.
DWORD OpenHandleCount() {
  DWORD count = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0) return count;
  DWORD flags = 0;
  for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

}  // namespace

TEST(ApplySignatureVerdict, PutsTheTableVerdictInFrontAndAnswersMicrosoftOnlyWhenTrusted) {
  const struct { uint32_t Status; const char* Company; bool Microsoft; } kTable[] = {
      {0x00000000, "Signed :  Microsoft Corporation", true},
      {0xDDDDDDDD, "Directory", false},
      {0x800B0001, "Unknown :  Microsoft Corporation", false},
      {0x800B0004, "Untrusted :  Microsoft Corporation", false},
      {0x800B0111, "Untrusted :  Microsoft Corporation", false},
      {0x800B0109, "Untrusted :  Microsoft Corporation", false},
      {0x80096010, "Bad signature :  Microsoft Corporation", false},
      {0x800B010C, "Revoked :  Microsoft Corporation", false},
      {0x800B0100, "Unsigned :  Microsoft Corporation", false},  // no signature
      {0x800B0101, "Unsigned :  Microsoft Corporation", false},  // expired
      {0xFEFEFEFE, "Unsigned :  Microsoft Corporation", false},
      {0x00000001, "Unsigned :  Microsoft Corporation", false},
      {0x800B0002, "Unsigned :  Microsoft Corporation", false},
  };
  for (const auto& row : kTable) {
    std::wstring company = L"Microsoft Corporation";
    EXPECT_EQ(ApplySignatureVerdict(row.Status, company), row.Microsoft) << std::hex << row.Status;
    EXPECT_EQ(Printable(company), row.Company) << std::hex << row.Status;
  }
}

TEST(IsMicrosoftCompany, IsACaseSensitivePrefixTest) {
  const struct { const wchar_t* Company; bool Microsoft; } kNames[] = {
      {L"Microsoft Corporation", true}, {L"Microsoft Corp", true}, {L"Microsoft Corp.", true},
      {L"Microsoft Cor", false}, {L"microsoft corporation", false}, {L"MICROSOFT CORP", false},
      {L"The Microsoft Corp", false}, {L" Microsoft Corp", false}, {L"", false}, {L"No publisher", false},
  };
  for (const auto& name : kNames) {
    EXPECT_EQ(IsMicrosoftCompany(name.Company), name.Microsoft) << Printable(name.Company);
    std::wstring company = name.Company;
    EXPECT_EQ(ApplySignatureVerdict(0, company), name.Microsoft) << Printable(name.Company);
    EXPECT_EQ(Printable(company), "Signed :  " + Printable(name.Company));
  }
}

TEST(CatalogCheckApplies, StopsAboveFiftyMebibytes) {
  EXPECT_TRUE(CatalogCheckApplies(0));
  EXPECT_TRUE(CatalogCheckApplies(52428800));
  EXPECT_FALSE(CatalogCheckApplies(52428801));
  EXPECT_FALSE(CatalogCheckApplies(0x100000000ull));
  EXPECT_FALSE(CatalogCheckApplies(0x100000000ull + 100));
}

TEST(VerifyFileSignature, TellsSignedTamperedUnsignedFoldersAndMissingPaths) {
  TempFolder folder;
  const uint32_t badDigest = static_cast<uint32_t>(TRUST_E_BAD_DIGEST);
  const uint32_t noSignature = static_cast<uint32_t>(TRUST_E_NOSIGNATURE);
  // Drains: one after a failed embedded check; Wine has no catalog that lists our files.
  const struct { std::wstring Path; uint32_t Status; int Drains; const char* Company; bool Microsoft; } kFiles[] = {
      {FixturePath(L"signed.exe"), 0, 0, "Signed :  Microsoft Corporation", true},
      {FixturePath(L"bad_signature.exe"), badDigest, 1, "Bad signature :  Microsoft Corporation", false},
      {FixturePath(L"company_full.exe"), noSignature, 1, "Unsigned :  Microsoft Corporation", false},
      {folder.Path, kStatusDirectory, 0, "Directory", false},
      {folder / L"vanished.exe", kStatusUnopenable, 0, "Unsigned :  No publisher", false},
  };
  SetFactsDrain(CountDrain);
  for (const auto& file : kFiles) {
    DrainCalls = 0;
    EXPECT_EQ(VerifyFileSignature(file.Path.c_str()), file.Status) << Printable(file.Path);
    EXPECT_EQ(DrainCalls, file.Drains) << Printable(file.Path);
    bool microsoft = true;
    EXPECT_EQ(LineCompany(file.Path, microsoft), file.Company) << Printable(file.Path);
    EXPECT_EQ(microsoft, file.Microsoft) << Printable(file.Path);
  }
  SetFactsDrain(nullptr);
}

TEST(VerifyFileSignature, CallsDamagedAndLockedFilesUnsigned) {
  TempFolder folder;
  const std::vector<unsigned char> signedPe = ReadBytes(FixturePath(L"signed.exe"));
  ASSERT_GT(signedPe.size(), 4096u);
  ASSERT_TRUE(WriteBytes(folder / L"empty.exe", std::string()));
  ASSERT_TRUE(WriteBytes(folder / L"notes.txt", std::string("not a program\r\n")));
  // Cut inside the certificate table at the end of the file.
  ASSERT_TRUE(WriteBytes(folder / L"truncated.exe", std::string(signedPe.begin(), signedPe.end() - 600)));
  ASSERT_TRUE(WriteBytes(folder / L"locked.exe", signedPe));
  HANDLE owner = CreateFileW((folder / L"locked.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(owner, INVALID_HANDLE_VALUE);
  for (const wchar_t* name : {L"empty.exe", L"notes.txt", L"truncated.exe", L"locked.exe"}) {
    const uint32_t status = VerifyFileSignature((folder / name).c_str());
    std::wstring company = L"No publisher";
    EXPECT_FALSE(ApplySignatureVerdict(status, company));
    EXPECT_EQ(Printable(company), "Unsigned :  No publisher") << Printable(name) << ", status " << std::hex << status;
  }
  CloseHandle(owner);
}

// Every run takes and gives back file handles, providers and trust state; a long scan must
// end with the handle count it began with.
TEST(FileFacts, LeaveNoHandlesBehindOverManyFiles) {
  const std::wstring unsignedPe = FixturePath(L"company_full.exe");
  const std::wstring signedPe = FixturePath(L"signed.exe");
  wchar_t text[129];
  uint32_t count = 0;
  auto round = [&] {
    EXPECT_TRUE(ComputeFileMd5(unsignedPe.c_str(), text, count));
    EXPECT_EQ(VerifyFileSignature(unsignedPe.c_str()), static_cast<uint32_t>(TRUST_E_NOSIGNATURE));
    EXPECT_EQ(VerifyFileSignature(signedPe.c_str()), 0u);
  };
  round();  // first use loads the trust providers and their caches
  const DWORD before = OpenHandleCount();
  for (int i = 0; i < 2000 && !HasFailure(); ++i) round();
  const DWORD after = OpenHandleCount();
  ASSERT_GT(before, 0u);
  EXPECT_LE(after, before) << "handles before " << before << ", after " << after;
}
