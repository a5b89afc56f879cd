#include "facts/md5_hash.h"

#include <wincrypt.h>

#include <memory>
#include <new>
#include <string>
#include <type_traits>

#include "facts/hex_text.h"
#include "platform/file_system.h"
#include "platform/message_drains.h"
#include "platform/scope_guard.h"

namespace {

constexpr DWORD kMd5ChunkBytes = 524288;

struct ModuleFreer {
  void operator()(HMODULE module) const {
    if (module != nullptr) FreeLibrary(module);
  }
};
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFreer>;

// Acquiring the first context loads the provider's module and releasing the last one unloads
// it, so a scan of many small matched files paid a module load per file: milliseconds each
// under Wine, more than the hashing of their bytes. One reference held for the life of the
// process keeps the module mapped; the contexts themselves still come and go with every call.
// The path is the system folder's, so no copy beside the program or in the working folder is
// ever loaded.
void KeepProviderModuleLoaded() {
  static const UniqueModule kept = [] {
    wchar_t system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return UniqueModule();
    return UniqueModule(LoadLibraryW((std::wstring(system, length) + L"\\rsaenh.dll").c_str()));
  }();
}

// Acquires the AES provider and an MD5 hash object; on false nothing is left open.
bool OpenMd5Hash(HCRYPTPROV& provider, HCRYPTHASH& hash) {
  provider = 0;
  hash = 0;
  KeepProviderModuleLoaded();
  if (!CryptAcquireContextW(&provider, nullptr, MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
    provider = 0;
    return false;
  }
  if (!CryptCreateHash(provider, CALG_MD5, 0, 0, &hash)) {
    CryptReleaseContext(provider, 0);
    provider = 0;
    hash = 0;
    return false;
  }
  return true;
}

}  // namespace

bool ComputeFileMd5(const wchar_t* path, wchar_t* text, uint32_t& count) {
  // Read sharing only: a file that someone is still writing gives no digest rather than a
  // digest of bytes that are about to change.
  const UniqueFileHandle file =
      AdoptFileHandle(OpenFileAsItIs(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0));
  if (!file) return false;
  // Only a file on disk is ever read: a device (a serial port behind a name like aux.dll, a
  // console, nul) would give a digest of nothing or block the scan for ever.
  if (GetFileType(file.get()) != FILE_TYPE_DISK) return false;

  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  if (!OpenMd5Hash(provider, hash)) return false;
  // The hash object goes before the provider that made it.
  const auto releaseProvider = OnScopeExit([&] { CryptReleaseContext(provider, 0); });
  const auto destroyHash = OnScopeExit([&] { CryptDestroyHash(hash); });

  std::unique_ptr<BYTE[]> chunk(new (std::nothrow) BYTE[kMd5ChunkBytes]);
  if (!chunk) return false;
  for (;;) {
    DWORD got = 0;
    // A read that fails part-way (a locked region, a vanished network share) would otherwise
    // pass off the digest of a prefix as the file's.
    if (!ReadFile(file.get(), chunk.get(), kMd5ChunkBytes, &got, nullptr)) return false;
    if (got == 0) break;
    if (!CryptHashData(hash, chunk.get(), got, 0)) return false;
    DrainMessageQueue();
  }
  chunk.reset();

  DWORD hashSize = 0;
  DWORD sizeBytes = sizeof hashSize;
  if (!CryptGetHashParam(hash, HP_HASHSIZE, reinterpret_cast<BYTE*>(&hashSize), &sizeBytes, 0)) return false;
  // Two digits per byte and a NUL must fit the 33 units the caller promises.
  if (hashSize == 0 || hashSize > 16) return false;
  BYTE digest[16] = {};
  DWORD digestBytes = hashSize;
  if (!CryptGetHashParam(hash, HP_HASHVAL, digest, &digestBytes, 0)) return false;

  const std::wstring digits = HexText(digest, digestBytes);
  digits.copy(text, digits.size());
  text[digits.size()] = L'\0';
  count = static_cast<uint32_t>(digits.size());
  return true;
}
