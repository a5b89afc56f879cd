#include "facts/signature_check.h"

#include <windows.h>
#include <wincrypt.h>
#include <mscat.h>
#include <softpub.h>
#include <wintrust.h>

#include <cstddef>
#include <vector>

#include "facts/facts_drain.h"
#include "platform/file_system.h"
#include "platform/scope_guard.h"

namespace {

// The policy both checks ask for: Authenticode, chain to a trusted root.
GUID verifyAction = WINTRUST_ACTION_GENERIC_VERIFY_V2;
// The catalog subsystem that holds the system's own signed catalogs.
GUID catalogSubsystem = DRIVER_ACTION_VERIFY;

// One row of the verdict table: which status gives which words in front of the company name.
struct SignatureVerdict {
  uint32_t Status;
  const wchar_t* Text;
};

const SignatureVerdict kVerdicts[] = {
    {0, L"Signed :  "},
    {kStatusDirectory, L"Directory"},
    {static_cast<uint32_t>(TRUST_E_PROVIDER_UNKNOWN), L"Unknown :  "},
    {static_cast<uint32_t>(TRUST_E_SUBJECT_NOT_TRUSTED), L"Untrusted :  "},
    {static_cast<uint32_t>(TRUST_E_EXPLICIT_DISTRUST), L"Untrusted :  "},
    {static_cast<uint32_t>(CERT_E_UNTRUSTEDROOT), L"Untrusted :  "},
    {static_cast<uint32_t>(TRUST_E_BAD_DIGEST), L"Bad signature :  "},
    {static_cast<uint32_t>(CERT_E_REVOKED), L"Revoked :  "},
};
const wchar_t kUnsignedText[] = L"Unsigned :  ";

// The trust check and the catalog hash each read the shared handle from where it stands.
void RewindFile(HANDLE file) {
  LARGE_INTEGER start{};
  SetFilePointerEx(file, start, nullptr, FILE_BEGIN);
}

uint32_t CheckTrust(WINTRUST_DATA& data) {
  // No interactive user: the check never shows a window.
  const LONG status = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &verifyAction, &data);
  return static_cast<uint32_t>(status);
}

// The file's catalog hash as upper-case hex, the form catalogs list their members by.
std::wstring MemberTag(const std::vector<BYTE>& hash) {
  std::wstring tag(2 * hash.size() + 1, L'\0');
  for (size_t i = 0; i < hash.size(); ++i) wsprintfW(&tag[2 * i], L"%02X", hash[i]);
  tag.resize(2 * hash.size());
  return tag;
}

// Checks the file through the first catalog that lists its hash. False when no catalog could
// be consulted; then status is untouched and the embedded verdict stands.
bool CheckThroughCatalog(HANDLE file, const wchar_t* path, WINTRUST_DATA& data, uint32_t& status) {
  HCATADMIN admin = nullptr;
  if (!CryptCATAdminAcquireContext(&admin, &catalogSubsystem, 0)) return false;
  const auto releaseAdmin = OnScopeExit([&] { CryptCATAdminReleaseContext(admin, 0); });

  DWORD hashBytes = 0;
  RewindFile(file);
  CryptCATAdminCalcHashFromFileHandle(file, &hashBytes, nullptr, 0);
  if (hashBytes == 0) return false;
  std::vector<BYTE> hash(hashBytes);
  if (!CryptCATAdminCalcHashFromFileHandle(file, &hashBytes, hash.data(), 0)) return false;
  hash.resize(hashBytes);
  const std::wstring tag = MemberTag(hash);

  HCATINFO catalog = CryptCATAdminEnumCatalogFromHash(admin, hash.data(), hashBytes, 0, nullptr);
  if (catalog == nullptr) return false;
  const auto releaseCatalog = OnScopeExit([&] { CryptCATAdminReleaseCatalogContext(admin, catalog, 0); });

  CATALOG_INFO info{};
  info.cbStruct = sizeof info;
  if (!CryptCATCatalogInfoFromContext(catalog, &info, 0)) return false;

  WINTRUST_CATALOG_INFO member{};
  member.cbStruct = sizeof member;
  member.dwCatalogVersion = 0;
  member.pcwszCatalogFilePath = info.wszCatalogFile;
  member.pcwszMemberTag = tag.c_str();
  member.pcwszMemberFilePath = path;
  member.hMemberFile = file;
  RewindFile(file);
  data.dwUnionChoice = WTD_CHOICE_CATALOG;
  data.pCatalog = &member;
  data.dwStateAction = WTD_STATEACTION_AUTO_CACHE_FLUSH;
  status = CheckTrust(data);
  DrainFactsQueue();
  return true;
}

}  // namespace

bool CatalogCheckApplies(uint64_t fileSize) { return fileSize <= kCatalogCheckLimit; }

uint32_t VerifyFileSignature(const wchar_t* path) {
  const DWORD attributes = FileAttributesAsItIs(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return kStatusUnopenable;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return kStatusDirectory;

  // Both checks read the file through this handle, opened on the file system as it is: the
  // verdict is about the bytes that the path names and that the hash reads, not about a
  // redirected copy, and the trust machinery (which loads its modules lazily) runs with
  // redirection on. Other writers and deleters are allowed: the scan only reads, and must not
  // stand in the way of the programs that own the file.
  const UniqueFileHandle file = AdoptFileHandle(OpenFileAsItIs(
      path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, 0));
  if (!file) return kStatusUnopenable;

  WINTRUST_FILE_INFO fileInfo{};
  fileInfo.cbStruct = sizeof fileInfo;
  fileInfo.pcwszFilePath = path;
  fileInfo.hFile = file.get();
  WINTRUST_DATA data{};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &fileInfo;
  data.dwStateAction = WTD_STATEACTION_IGNORE;
  uint32_t status = CheckTrust(data);
  if (status == 0) return status;
  DrainFactsQueue();

  // Hashing a huge file for the catalog lookup would stall the scan; such files keep their
  // embedded verdict.
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || !CatalogCheckApplies(static_cast<uint64_t>(size.QuadPart))) return status;
  CheckThroughCatalog(file.get(), path, data, status);
  return status;
}

const wchar_t* SignatureVerdictText(uint32_t status) {
  for (const SignatureVerdict& verdict : kVerdicts) {
    if (verdict.Status == status) return verdict.Text;
  }
  return kUnsignedText;
}

bool IsMicrosoftCompany(const std::wstring& company) {
  static const wchar_t kPrefix[] = L"Microsoft Corp";
  return company.compare(0, sizeof kPrefix / sizeof kPrefix[0] - 1, kPrefix) == 0;
}

bool ApplySignatureVerdict(uint32_t status, std::wstring& company) {
  if (status == kStatusDirectory) {
    company = SignatureVerdictText(status);
    return false;
  }
  const bool microsoft = status == 0 && IsMicrosoftCompany(company);
  company.insert(0, SignatureVerdictText(status));
  return microsoft;
}
