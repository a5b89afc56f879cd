#include "facts/signature_check.h"

#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>
#include <mscat.h>
#include <softpub.h>
#include <wintrust.h>

#include <cstddef>
#include <vector>

#include "facts/hex_text.h"
#include "platform/message_drains.h"
#include "platform/scope_guard.h"

namespace {

constexpr uint32_t kStatusUnopenable = 0xFEFEFEFE;  // no file on disk can be opened under the path
constexpr uint64_t kCatalogCheckLimit = 52428800;   // larger files keep their embedded verdict

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

// Since Windows 8 many system catalogs list their members by SHA-256, which only the second
// generation of the catalog calls (absent before Windows 8, so looked up at run time) can ask
// for. The record WinVerifyTrust reads then carries the context that made the hash.
using AcquireContext2Call = BOOL(WINAPI*)(HCATADMIN*, const GUID*, PCWSTR, PCCERT_STRONG_SIGN_PARA, DWORD);
using CalcHash2Call = BOOL(WINAPI*)(HCATADMIN, HANDLE, DWORD*, BYTE*, DWORD);
struct CatalogCalls2 {
  AcquireContext2Call Acquire = nullptr;
  CalcHash2Call CalcHash = nullptr;
};
struct CatalogMemberInfo {
  WINTRUST_CATALOG_INFO Info;
  HCATADMIN Admin;  // the Windows 8 member of the record
};

const CatalogCalls2& SecondCatalogCalls() {
  static const CatalogCalls2 calls = [] {
    CatalogCalls2 found;
    if (HMODULE wintrust = GetModuleHandleW(L"wintrust.dll")) {
      found.Acquire = reinterpret_cast<AcquireContext2Call>(
          reinterpret_cast<void*>(GetProcAddress(wintrust, "CryptCATAdminAcquireContext2")));
      found.CalcHash = reinterpret_cast<CalcHash2Call>(
          reinterpret_cast<void*>(GetProcAddress(wintrust, "CryptCATAdminCalcHashFromFileHandle2")));
    }
    if (found.Acquire == nullptr || found.CalcHash == nullptr) found = CatalogCalls2{};
    return found;
  }();
  return calls;
}

// The file's member hash under one algorithm (null: the first generation's SHA-1), and the
// context that made it.
bool CatalogHash(const wchar_t* algorithm, HANDLE file, HCATADMIN& admin, std::vector<BYTE>& hash) {
  const CatalogCalls2& calls = SecondCatalogCalls();
  const bool second = algorithm != nullptr;
  if (second ? !calls.Acquire(&admin, &catalogSubsystem, algorithm, nullptr, 0)
             : !CryptCATAdminAcquireContext(&admin, &catalogSubsystem, 0)) {
    admin = nullptr;
    return false;
  }
  DWORD hashBytes = 0;
  RewindFile(file);
  second ? calls.CalcHash(admin, file, &hashBytes, nullptr, 0) : CryptCATAdminCalcHashFromFileHandle(file, &hashBytes, nullptr, 0);
  if (hashBytes == 0) return false;
  hash.assign(hashBytes, 0);
  RewindFile(file);
  if (second ? !calls.CalcHash(admin, file, &hashBytes, hash.data(), 0)
             : !CryptCATAdminCalcHashFromFileHandle(file, &hashBytes, hash.data(), 0)) {
    return false;
  }
  hash.resize(hashBytes);
  return true;
}

// Checks the file through the first catalog that lists its hash under the algorithm. False when
// no catalog lists it; then status is untouched.
bool CheckThroughCatalogOf(const wchar_t* algorithm, HANDLE file, const wchar_t* path, WINTRUST_DATA& data,
                           uint32_t& status) {
  HCATADMIN admin = nullptr;
  std::vector<BYTE> hash;
  const bool hashed = CatalogHash(algorithm, file, admin, hash);
  const auto releaseAdmin = OnScopeExit([&] {
    if (admin != nullptr) CryptCATAdminReleaseContext(admin, 0);
  });
  if (!hashed) return false;
  // Catalogs list their members by the hash as upper-case hex.
  const std::wstring tag = HexText(hash.data(), hash.size());

  HCATINFO catalog =
      CryptCATAdminEnumCatalogFromHash(admin, hash.data(), static_cast<DWORD>(hash.size()), 0, nullptr);
  if (catalog == nullptr) return false;
  const auto releaseCatalog = OnScopeExit([&] { CryptCATAdminReleaseCatalogContext(admin, catalog, 0); });

  CATALOG_INFO info{};
  info.cbStruct = sizeof info;
  if (!CryptCATCatalogInfoFromContext(catalog, &info, 0)) return false;

  CatalogMemberInfo member{};
  member.Info.cbStruct = algorithm != nullptr ? sizeof member : sizeof member.Info;
  member.Info.dwCatalogVersion = 0;
  member.Info.pcwszCatalogFilePath = info.wszCatalogFile;
  member.Info.pcwszMemberTag = tag.c_str();
  member.Info.pcwszMemberFilePath = path;
  member.Info.hMemberFile = file;
  member.Admin = admin;
  RewindFile(file);
  data.dwUnionChoice = WTD_CHOICE_CATALOG;
  data.pCatalog = &member.Info;
  // A verdict must come from a verification: the cache actions only release state, and Wine
  // answers them with success without looking at the catalog's signature. The state a
  // verification keeps is released by a closing call on the same record, on every path.
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  const auto closeState = OnScopeExit([&] {
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    CheckTrust(data);
    data.hWVTStateData = nullptr;
  });
  status = CheckTrust(data);
  DrainMessageQueue();
  return true;
}

// One catalog lookup: by SHA-256 where Windows can, then by SHA-1. False when no catalog could
// be consulted; then status is untouched and the embedded verdict stands.
bool CheckThroughCatalog(HANDLE file, const wchar_t* path, WINTRUST_DATA& data, uint32_t& status) {
  if (SecondCatalogCalls().Acquire != nullptr &&
      CheckThroughCatalogOf(BCRYPT_SHA256_ALGORITHM, file, path, data, status)) {
    return true;
  }
  return CheckThroughCatalogOf(nullptr, file, path, data, status);
}

// Whether a file of this size gets the catalog check after a failed embedded check.
bool CatalogCheckApplies(uint64_t fileSize) { return fileSize <= kCatalogCheckLimit; }

}  // namespace

uint32_t VerifyFileSignature(HANDLE file, const wchar_t* path) {
  // Both checks read the file through the line's handle, opened on the file system as it is:
  // the verdict is about the bytes that the walk listed and that the hash reads, not about a
  // redirected copy or a file the path names now, and the trust machinery (which loads its
  // modules lazily) runs with redirection on.
  if (file == nullptr) return kStatusUnopenable;

  WINTRUST_FILE_INFO fileInfo{};
  fileInfo.cbStruct = sizeof fileInfo;
  fileInfo.pcwszFilePath = path;
  fileInfo.hFile = file;
  WINTRUST_DATA data{};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &fileInfo;
  data.dwStateAction = WTD_STATEACTION_IGNORE;
  RewindFile(file);
  uint32_t status = CheckTrust(data);
  if (status == 0) return status;
  DrainMessageQueue();

  // Hashing a huge file for the catalog lookup would stall the scan; such files keep their
  // embedded verdict.
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || !CatalogCheckApplies(static_cast<uint64_t>(size.QuadPart))) return status;
  CheckThroughCatalog(file, path, data, status);
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
  const bool microsoft = status == 0 && IsMicrosoftCompany(company);
  company.insert(0, SignatureVerdictText(status));
  return microsoft;
}
