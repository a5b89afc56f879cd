// The MD5 digest of a file's whole contents, from CryptoAPI, as 32 upper-case hex digits, read
// from its first byte through a handle the caller opened (OpenListedFile). The message queue is
// drained after a full 512 KiB chunk when a look is due, so the window stays alive on big files.
#pragma once

#include <windows.h>

#include <cstdint>

// The bytes read at a time; a file of more looks at the queue while it is hashed.
constexpr DWORD kMd5ChunkBytes = 524288;

// Writes the 32 digits and a NUL into text (at least 33 units) and 32 into count. False, with
// text untouched, when there is no file (null), it cannot be read to its end or the digest fails.
bool ComputeFileMd5(HANDLE file, wchar_t* text, uint32_t& count);
