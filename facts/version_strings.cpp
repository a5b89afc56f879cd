#include "facts/version_strings.h"

#include <cwchar>
#include <cstring>

#include "facts/pe_version_resource.h"

namespace {

// Layout of one node of a VS_VERSIONINFO tree: wLength, wValueLength, wType, then the key as a
// NUL-terminated UTF-16 text, the value and the children, each starting on a 4-byte boundary.
constexpr size_t kNodeHeaderBytes = 6;

size_t AlignFour(size_t offset) { return (offset + 3) & ~static_cast<size_t>(3); }

WORD ReadWord(const unsigned char* data, size_t offset) {
  return static_cast<WORD>(data[offset] | (data[offset + 1] << 8));
}

void WriteWord(unsigned char* data, size_t offset, size_t value) {
  data[offset] = static_cast<unsigned char>(value & 0xFF);
  data[offset + 1] = static_cast<unsigned char>((value >> 8) & 0xFF);
}

// Makes the node at offset, and everything under it, end by limit. VerQueryValueW trusts the
// stored lengths and knows nothing of the 4000 bytes we kept, so a resource cut at that size
// (or a damaged one) would send it reading past the buffer. A child cut off by the end of the
// bytes read, or otherwise unusable, is dropped with all the siblings after it (they lie beyond
// it). False when the node itself is unusable.
bool ClipNode(unsigned char* data, size_t offset, size_t limit, int depth) {
  // A real tree is four levels deep; anything much deeper is damage.
  if (depth > 16 || offset + kNodeHeaderBytes > limit) return false;
  size_t length = ReadWord(data, offset);
  if (length < kNodeHeaderBytes) return false;
  const bool cut = offset + length > limit;
  if (cut) {
    length = limit - offset;
    WriteWord(data, offset, length);
  }
  const size_t end = offset + length;

  size_t keyEnd = offset + kNodeHeaderBytes;
  while (keyEnd + 2 <= end && ReadWord(data, keyEnd) != 0) keyEnd += 2;
  if (keyEnd + 2 > end) return false;

  const size_t valueStart = AlignFour(keyEnd + 2);
  const size_t unitBytes = ReadWord(data, offset + 4) != 0 ? 2u : 1u;
  size_t valueBytes = ReadWord(data, offset + 2) * unitBytes;
  if (valueBytes > 0 && valueStart + valueBytes > end) {
    // A value cut off with the bytes that were read is not there at all.
    if (cut) return false;
    // Some resource compilers store a text's length in bytes, twice its length in characters:
    // the value is clipped to its whole node, and read up to its NUL, as the platform's own
    // lookup gives it, instead of losing it and every sibling after it.
    valueBytes = valueStart < end ? (end - valueStart) / unitBytes * unitBytes : 0;
    WriteWord(data, offset + 2, valueBytes / unitBytes);
  }

  size_t child = AlignFour(valueStart + valueBytes);
  while (child < end) {
    if (!ClipNode(data, child, end, depth + 1)) {
      WriteWord(data, offset, child - offset);
      break;
    }
    child = AlignFour(child + ReadWord(data, child));
  }
  return true;
}

// The root of a 32-bit version resource, clipped to the bytes read.
bool ClipVersionTree(unsigned char* data, size_t size) {
  static const wchar_t kRootKey[] = L"VS_VERSION_INFO";
  if (size < kNodeHeaderBytes + sizeof kRootKey) return false;
  // A low byte of 0x20 or more in the type field is how VerQueryValueW tells the 16-bit
  // layout, which a PE file never carries.
  if (ReadWord(data, 4) > 1) return false;
  for (size_t i = 0; i < sizeof kRootKey / sizeof kRootKey[0]; ++i) {
    if (ReadWord(data, kNodeHeaderBytes + 2 * i) != static_cast<WORD>(kRootKey[i])) return false;
  }
  return ClipNode(data, 0, size, 0);
}

// Whether [value, value + bytes) lies inside the version data that was read.
bool InsideBlock(const VersionInfoBlock& block, const void* value, size_t bytes) {
  const auto* begin = block.VersionData;
  const auto* at = static_cast<const unsigned char*>(value);
  return at >= begin && at <= begin + kVersionDataBytes && bytes <= static_cast<size_t>(begin + kVersionDataBytes - at);
}

// The version resource is read from the file's own bytes, through the handle on exactly the file
// the walk listed: the platform's lookup opens the file again by its path, which may name
// another file (an ordinary form trims a trailing dot; a name without an extension gets ".dll"),
// reads it at another moment, and follows the tree's offsets unchecked, so one planted file
// could end the scan. Only a PE file holds the 32-bit layout read here; 16-bit programs store
// the 16-bit layout, whose texts are not read.
bool ReadVersionData(HANDLE file, unsigned char* data) {
  return file != nullptr && ReadPeVersionResource(file, data, kVersionDataBytes);
}

}  // namespace

void LoadVersionInfo(HANDLE file, VersionInfoBlock& block) {
  block.Loaded = false;
  block.Translation = nullptr;
  block.TranslationSize = 0;
  std::memset(block.VersionData, 0, sizeof block.VersionData);

  // A fixed size and no GetFileVersionInfoSizeW: a larger resource is cut to its first bytes.
  if (!ReadVersionData(file, block.VersionData)) return;
  if (!ClipVersionTree(block.VersionData, kVersionDataBytes)) return;

  void* table = nullptr;
  UINT tableBytes = 0;
  if (!VerQueryValueW(block.VersionData, L"\\VarFileInfo\\Translation", &table, &tableBytes)) return;
  if (!InsideBlock(block, table, tableBytes)) return;
  block.Translation = static_cast<const WORD*>(table);
  block.TranslationSize = tableBytes;
  block.Loaded = true;
}

std::wstring QueryVersionString(VersionInfoBlock& block, const wchar_t* key, const wchar_t* defaultText) {
  if (!block.Loaded) return defaultText;
  const uint32_t pairs = block.TranslationSize / 4;
  if (pairs == 0) return defaultText;

  // The last pair's string table is the one reported; earlier pairs are never tried, so a key
  // that only an earlier table holds gives the default text.
  const WORD language = block.Translation[2 * (pairs - 1)];
  const WORD codePage = block.Translation[2 * (pairs - 1) + 1];
  const int written = swprintf(block.QueryPath, sizeof block.QueryPath / sizeof block.QueryPath[0],
                               L"\\StringFileInfo\\%04x%04x\\%ls", language, codePage, key);
  if (written < 0) return defaultText;

  void* value = nullptr;
  UINT units = 0;
  if (!VerQueryValueW(block.VersionData, block.QueryPath, &value, &units)) return defaultText;
  if (!InsideBlock(block, value, static_cast<size_t>(units) * sizeof(wchar_t))) return defaultText;

  // The stored length counts the terminating NUL; the text ends at the first one.
  const auto* chars = static_cast<const wchar_t*>(value);
  return std::wstring(chars, wcsnlen(chars, units));
}
