// The MD5 digest of a file's whole contents, from CryptoAPI, as 32 upper-case hex digits.
// The message queue is drained after every 512 KiB chunk so the window stays alive on big files.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstdint>

constexpr DWORD kMd5ChunkBytes = 524288;

// Acquires the AES provider (falling back to its prototype name) and an MD5 hash object.
// On false nothing is left open.
bool OpenMd5Hash(HCRYPTPROV& provider, HCRYPTHASH& hash);

// The same with the two provider names given, for systems that know only one of them.
bool OpenMd5HashFrom(const wchar_t* firstProvider, const wchar_t* secondProvider, HCRYPTPROV& provider,
                     HCRYPTHASH& hash);

// Writes the 32 digits and a NUL into text (at least 33 units) and 32 into count. False, with
// text untouched, when the file cannot be opened or read to its end or the digest fails.
bool ComputeFileMd5(const wchar_t* path, wchar_t* text, uint32_t& count);
