// The MD5 digest of a file's whole contents, from CryptoAPI, as 32 upper-case hex digits.
// The message queue is drained after every full 512 KiB chunk so the window stays alive on big
// files.
#pragma once

#include <windows.h>

#include <cstdint>

// Writes the 32 digits and a NUL into text (at least 33 units) and 32 into count. False, with
// text untouched, when the file cannot be opened or read to its end or the digest fails.
bool ComputeFileMd5(const wchar_t* path, wchar_t* text, uint32_t& count);
