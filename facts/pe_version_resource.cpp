#include "facts/pe_version_resource.h"

#include <cstdint>
#include <vector>

namespace {

constexpr uint32_t kVersionType = 16;  // RT_VERSION
constexpr uint32_t kSubdirectory = 0x80000000u;
// No real resource tree has more entries on one level than this; more is damage.
constexpr uint32_t kMostEntries = 4096;

bool ReadAt(HANDLE file, uint64_t offset, void* into, DWORD bytes) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  DWORD got = 0;
  return offset < (1ull << 62) && SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
         ReadFile(file, into, bytes, &got, nullptr) && got == bytes;
}

uint32_t Word(const unsigned char* p) { return static_cast<uint32_t>(p[0] | p[1] << 8); }
uint32_t Dword(const unsigned char* p) { return Word(p) | Word(p + 2) << 16; }

struct Section {
  uint32_t Address, Size, FileOffset, FileSize;
};

// The file offset of an address of the image, through the section that holds it.
bool FileOffsetOf(const std::vector<Section>& sections, uint32_t address, uint64_t& offset) {
  for (const Section& s : sections) {
    const uint32_t size = s.Size > s.FileSize ? s.Size : s.FileSize;
    if (address >= s.Address && address - s.Address < size) {
      offset = static_cast<uint64_t>(s.FileOffset) + (address - s.Address);
      return true;
    }
  }
  return false;
}

// The entry of one resource directory level: the one with `id`, or with id 0 the first one.
// Gives its offset field (relative to the resource tree) or false.
bool FindEntry(HANDLE file, uint64_t tree, uint32_t directory, uint32_t id, bool firstIfNone, uint32_t& target) {
  unsigned char header[16];
  if (!ReadAt(file, tree + directory, header, sizeof header)) return false;
  const uint32_t named = Word(header + 12);
  const uint32_t count = named + Word(header + 14);
  if (count == 0 || count > kMostEntries) return false;
  std::vector<unsigned char> entries(static_cast<size_t>(count) * 8);
  if (!ReadAt(file, tree + directory + 16, entries.data(), static_cast<DWORD>(entries.size()))) return false;
  for (uint32_t i = named; i < count; ++i) {  // entries by number follow those by name
    if (Dword(&entries[8 * i]) == id) {
      target = Dword(&entries[8 * i + 4]);
      return true;
    }
  }
  if (!firstIfNone) return false;
  target = Dword(&entries[4]);
  return true;
}

}  // namespace

bool ReadPeVersionResource(HANDLE file, unsigned char* data, DWORD bytes) {
  unsigned char dos[64];
  if (!ReadAt(file, 0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
  const uint32_t pe = Dword(dos + 0x3C);
  unsigned char headers[24 + 112 + 8 * 3];  // signature, file header, optional header to the resources
  if (!ReadAt(file, pe, headers, sizeof headers) || Dword(headers) != 0x00004550u) return false;
  const uint32_t sectionCount = Word(headers + 6);
  const uint32_t optionalBytes = Word(headers + 20);
  const unsigned char* optional = headers + 24;
  const bool plus = Word(optional) == 0x20B;
  if (!plus && Word(optional) != 0x10B) return false;
  const uint32_t directories = Dword(optional + (plus ? 108 : 92));
  const unsigned char* resources = optional + (plus ? 112 : 96) + 2 * 8;
  if (directories < 3 || optionalBytes < (plus ? 112u : 96u) + 3 * 8) return false;
  const uint32_t treeAddress = Dword(resources);
  if (treeAddress == 0 || sectionCount == 0 || sectionCount > 96) return false;

  std::vector<unsigned char> table(static_cast<size_t>(sectionCount) * 40);
  if (!ReadAt(file, static_cast<uint64_t>(pe) + 24 + optionalBytes, table.data(), static_cast<DWORD>(table.size()))) {
    return false;
  }
  std::vector<Section> sections;
  for (uint32_t i = 0; i < sectionCount; ++i) {
    const unsigned char* s = &table[40 * i];
    sections.push_back({Dword(s + 12), Dword(s + 8), Dword(s + 20), Dword(s + 16)});
  }
  uint64_t tree = 0;
  if (!FileOffsetOf(sections, treeAddress, tree)) return false;

  uint32_t names = 0, languages = 0, leaf = 0;
  if (!FindEntry(file, tree, 0, kVersionType, false, names) || !(names & kSubdirectory)) return false;
  if (!FindEntry(file, tree, names & ~kSubdirectory, 1, true, languages) || !(languages & kSubdirectory)) return false;
  if (!FindEntry(file, tree, languages & ~kSubdirectory, 0, true, leaf) || (leaf & kSubdirectory)) return false;

  unsigned char entry[8];
  uint64_t offset = 0;
  if (!ReadAt(file, tree + leaf, entry, sizeof entry) || !FileOffsetOf(sections, Dword(entry), offset)) return false;
  const uint32_t size = Dword(entry + 4);
  const DWORD wanted = size < bytes ? size : bytes;
  return wanted > 0 && ReadAt(file, offset, data, wanted);
}
