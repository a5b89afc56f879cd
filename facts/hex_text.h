// Bytes as upper-case hexadecimal text, as digests and catalog member tags are written.
#pragma once

#include <cstddef>
#include <string>

// Two digits a byte ("%02X"), in the bytes' own order, without separators.
std::wstring HexText(const unsigned char* bytes, size_t count);
