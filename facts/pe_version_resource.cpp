#include "facts/pe_version_resource.h"

#include <cstdint>
#include <vector>

namespace {

constexpr uint32_t kVersionType = 16;  // RT_VERSION
constexpr uint32_t kSubdirectory = 0x80000000u;
constexpr uint32_t kDirectoryBytes = 16;
constexpr uint32_t kEntryBytes = 8;
constexpr uint32_t kDataEntryBytes = 16;
// No real resource tree has more entries on one level than this; more is damage.
constexpr uint32_t kMostEntries = 4096;

// How many of `bytes` bytes at `offset` were read into `into` (fewer where the file ends).
DWORD ReadUpTo(HANDLE file, uint64_t offset, void* into, DWORD bytes) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  DWORD got = 0;
  const bool read = offset < (1ull << 62) && SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
                    ReadFile(file, into, bytes, &got, nullptr);
  return read ? got : 0;
}

bool ReadAt(HANDLE file, uint64_t offset, void* into, DWORD bytes) { return ReadUpTo(file, offset, into, bytes) == bytes; }

uint32_t Word(const unsigned char* p) { return static_cast<uint32_t>(p[0] | p[1] << 8); }
uint32_t Dword(const unsigned char* p) { return Word(p) | Word(p + 2) << 16; }

struct Section {
  uint32_t Address, FileOffset, FileSize;
};

// The file offset of an address of the image, and how many bytes from there the file holds in
// the same section; false when no section stores that address in the file.
bool StoredAt(const std::vector<Section>& sections, uint64_t fileSize, uint32_t address, uint64_t& offset,
              uint64_t& stored) {
  for (const Section& s : sections) {
    if (address < s.Address || address - s.Address >= s.FileSize) continue;
    offset = static_cast<uint64_t>(s.FileOffset) + (address - s.Address);
    const uint64_t inSection = s.FileSize - (address - s.Address);
    stored = offset >= fileSize ? 0 : (fileSize - offset < inSection ? fileSize - offset : inSection);
    return true;
  }
  return false;
}

// The file offset of `bytes` bytes at an address of the image, all of them stored in the file.
bool FileOffsetOf(const std::vector<Section>& sections, uint64_t fileSize, uint32_t address, uint32_t bytes,
                  uint64_t& offset) {
  uint64_t stored = 0;
  return StoredAt(sections, fileSize, address, offset, stored) && bytes <= stored;
}

// The resource tree: where it starts in the file and how many of its bytes the file holds.
struct Tree {
  HANDLE File;
  uint64_t Offset;
  uint32_t Bytes;
};

// The entries of the directory at `at` (an offset in the tree): `named` entries by name, then
// those by number. False when the directory does not lie inside the tree.
bool ReadDirectory(const Tree& tree, uint32_t at, std::vector<unsigned char>& entries, uint32_t& named) {
  unsigned char header[kDirectoryBytes];
  if (at > tree.Bytes || tree.Bytes - at < kDirectoryBytes || !ReadAt(tree.File, tree.Offset + at, header, kDirectoryBytes)) {
    return false;
  }
  named = Word(header + 12);
  const uint32_t count = named + Word(header + 14);
  if (count == 0 || count > kMostEntries || tree.Bytes - at - kDirectoryBytes < count * kEntryBytes) return false;
  entries.resize(static_cast<size_t>(count) * kEntryBytes);
  return ReadAt(tree.File, tree.Offset + at + kDirectoryBytes, entries.data(), static_cast<DWORD>(entries.size()));
}

// The offset field of the entry numbered `id`, or with `firstIfNone` of the first entry.
bool FindEntry(const std::vector<unsigned char>& entries, uint32_t named, uint32_t id, bool firstIfNone, uint32_t& target) {
  for (size_t i = named; i < entries.size() / kEntryBytes; ++i) {  // entries by number follow those by name
    if (Dword(&entries[kEntryBytes * i]) == id) {
      target = Dword(&entries[kEntryBytes * i + 4]);
      return true;
    }
  }
  if (!firstIfNone) return false;
  target = Dword(&entries[4]);
  return true;
}

// The file offset and size of the resource bytes that a language entry leads to, as far as
// `wanted` bytes of them are read; false when any of it lies outside the tree or the file.
bool LeafData(const Tree& tree, const std::vector<Section>& sections, uint64_t fileSize, uint32_t leaf, DWORD wanted,
              uint64_t& offset, DWORD& bytes) {
  unsigned char entry[kDataEntryBytes];
  if ((leaf & kSubdirectory) || leaf > tree.Bytes || tree.Bytes - leaf < kDataEntryBytes ||
      !ReadAt(tree.File, tree.Offset + leaf, entry, sizeof entry)) {
    return false;
  }
  const uint32_t size = Dword(entry + 4);
  bytes = size < wanted ? size : wanted;
  return bytes > 0 && FileOffsetOf(sections, fileSize, Dword(entry), bytes, offset);
}

}  // namespace

PeVersionResource ReadPeVersionResource(HANDLE file, unsigned char* data, DWORD bytes) {
  unsigned char dos[64];
  const DWORD dosBytes = ReadUpTo(file, 0, dos, sizeof dos);
  if (dosBytes < 2 || dos[0] != 'M' || dos[1] != 'Z') return PeVersionResource::NoImage;
  if (dosBytes < sizeof dos) return PeVersionResource::NotPe;
  const uint32_t pe = Dword(dos + 0x3C);
  unsigned char headers[24 + 112 + 8 * 3];  // signature, file header, optional header to the resources
  if (!ReadAt(file, pe, headers, sizeof headers) || Dword(headers) != 0x00004550u) return PeVersionResource::NotPe;
  const unsigned char* optional = headers + 24;
  const bool plus = Word(optional) == 0x20B;
  if (!plus && Word(optional) != 0x10B) return PeVersionResource::NotPe;

  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) return PeVersionResource::NotFound;
  const uint64_t fileSize = static_cast<uint64_t>(size.QuadPart);
  const uint32_t sectionCount = Word(headers + 6);
  const uint32_t optionalBytes = Word(headers + 20);
  const uint32_t directories = Dword(optional + (plus ? 108 : 92));
  const unsigned char* resources = optional + (plus ? 112 : 96) + 2 * 8;
  if (directories < 3 || optionalBytes < (plus ? 112u : 96u) + 3 * 8) return PeVersionResource::NotFound;
  const uint32_t treeAddress = Dword(resources);
  if (treeAddress == 0 || sectionCount == 0 || sectionCount > 96) return PeVersionResource::NotFound;

  std::vector<unsigned char> table(static_cast<size_t>(sectionCount) * 40);
  if (!ReadAt(file, static_cast<uint64_t>(pe) + 24 + optionalBytes, table.data(), static_cast<DWORD>(table.size()))) {
    return PeVersionResource::NotFound;
  }
  std::vector<Section> sections;
  for (uint32_t i = 0; i < sectionCount; ++i) {
    const unsigned char* s = &table[40 * i];
    sections.push_back({Dword(s + 12), Dword(s + 20), Dword(s + 16)});
  }
  // The tree is whatever its section holds in the file from its start on.
  Tree tree{file, 0, 0};
  uint64_t treeBytes = 0;
  if (!StoredAt(sections, fileSize, treeAddress, tree.Offset, treeBytes)) return PeVersionResource::NotFound;
  tree.Bytes = static_cast<uint32_t>(treeBytes);

  std::vector<unsigned char> entries;
  uint32_t named = 0, names = 0, languages = 0;
  if (!ReadDirectory(tree, 0, entries, named) || !FindEntry(entries, named, kVersionType, false, names) ||
      !(names & kSubdirectory)) {
    return PeVersionResource::NotFound;
  }
  if (!ReadDirectory(tree, names & ~kSubdirectory, entries, named) || !FindEntry(entries, named, 1, true, languages) ||
      !(languages & kSubdirectory) || !ReadDirectory(tree, languages & ~kSubdirectory, entries, named)) {
    return PeVersionResource::NotFound;
  }
  // The loader may take another language than the first: every one must stay inside the file.
  // The first, checked last, is the one read.
  uint64_t offset = 0;
  DWORD wanted = 0;
  for (size_t i = entries.size() / kEntryBytes; i-- > 0;) {
    if (!LeafData(tree, sections, fileSize, Dword(&entries[kEntryBytes * i + 4]), bytes, offset, wanted)) {
      return PeVersionResource::NotFound;
    }
  }
  return ReadAt(file, offset, data, wanted) ? PeVersionResource::Found : PeVersionResource::NotFound;
}
