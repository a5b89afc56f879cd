#include "facts/md5_hash.h"

#include <wincrypt.h>

#include <memory>
#include <new>
#include <string>

#include "facts/hex_text.h"
#include "platform/message_drains.h"
#include "platform/scope_guard.h"

namespace {

// One provider context serves every hash of the process: acquiring a context sets the provider
// up, about as long under Wine as hashing a small file takes, and releasing the last one unloads
// its module. Its module is loaded from the system folder first, so that no copy beside the
// program or in the working folder is ever taken for it. Both stay for the life of the process;
// a context that could not be acquired is asked for again at the next hash.
HCRYPTPROV Md5Provider() {
  static HCRYPTPROV provider = 0;
  static bool moduleLoaded = false;
  if (provider != 0) return provider;
  if (!moduleLoaded) {
    wchar_t system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    moduleLoaded = length > 0 && length < MAX_PATH &&
                   LoadLibraryW((std::wstring(system, length) + L"\\rsaenh.dll").c_str()) != nullptr;
  }
  if (!CryptAcquireContextW(&provider, nullptr, MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) provider = 0;
  return provider;
}

}  // namespace

bool ComputeFileMd5(HANDLE file, wchar_t* text, uint32_t& count) {
  // The other facts of the line read the same handle before: the whole file, from its start.
  LARGE_INTEGER start{};
  if (file == nullptr || !SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return false;

  const HCRYPTPROV provider = Md5Provider();
  HCRYPTHASH hash = 0;
  if (provider == 0 || !CryptCreateHash(provider, CALG_MD5, 0, 0, &hash)) return false;
  const auto destroyHash = OnScopeExit([&] { CryptDestroyHash(hash); });

  // One room for every hash of the process, taken at the first: a room of this size is memory
  // of its own, mapped and zeroed afresh each time it is taken, which cost a tenth of a
  // millisecond a file. Hashes never nest: a scan, the only caller, never starts inside another.
  static const std::unique_ptr<BYTE[]> chunk(new (std::nothrow) BYTE[kMd5ChunkBytes]);
  if (!chunk) return false;
  for (;;) {
    DWORD got = 0;
    // A read that fails part-way (a locked region, a vanished network share) would otherwise
    // pass off the digest of a prefix as the file's.
    if (!ReadFile(file, chunk.get(), kMd5ChunkBytes, &got, nullptr)) return false;
    if (got == 0) break;
    if (!CryptHashData(hash, chunk.get(), got, 0)) return false;
    // After a full chunk more may follow; the last (or only) chunk is followed by the scan's
    // own look at the queue, so a file smaller than a chunk costs no round trip of its own.
    if (got == kMd5ChunkBytes) DrainMessageQueueWhenDue();
  }

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
