#include "facts/pe_version_resource.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t kVersionType = 16;  // RT_VERSION
// The languages the platform tries first on an English system, before the first one listed.
constexpr uint32_t kNeutralLanguage = 0x0000;
constexpr uint32_t kUsEnglish = 0x0409;
constexpr uint32_t kSubdirectory = 0x80000000u;
constexpr uint32_t kDirectoryBytes = 16;
constexpr uint32_t kEntryBytes = 8;
constexpr uint32_t kDataEntryBytes = 16;
// No real resource tree has more entries on one level than this; more is damage.
constexpr uint32_t kMostEntries = 4096;

constexpr DWORD kHeadBytes = 4096;  // the headers and section table of every ordinary image
constexpr DWORD kTreeBytes = 8192;  // the directories of an ordinary resource tree

// The file's bytes as the reader asks for them. Every read is a call to the system, which costs
// far more than parsing what it gives (and more again under WOW64), so the file's first bytes
// and the start of its resource tree are each read once and kept, and each piece that lies in
// them is taken from there; anything else is read where it lies.
struct FileBytes {
  explicit FileBytes(HANDLE file) : File(file) {}
  HANDLE File;
  std::vector<unsigned char> Kept[2];  // the head, and the start of the tree
  uint64_t KeptAt[2] = {0, 0};

  // How many of `bytes` bytes at `offset` the file holds, read into `into`.
  DWORD ReadUpTo(uint64_t offset, void* into, DWORD bytes) const {
    for (int i = 0; i < 2; ++i) {
      if (offset >= KeptAt[i] && offset - KeptAt[i] <= Kept[i].size() && bytes <= Kept[i].size() - (offset - KeptAt[i])) {
        std::memcpy(into, Kept[i].data() + (offset - KeptAt[i]), bytes);
        return bytes;
      }
    }
    // A seek and a plain read: a read with an offset of its own (OVERLAPPED) costs Wine a round
    // trip to its server, twenty times the pair.
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    DWORD got = 0;
    return offset < (1ull << 62) && SetFilePointerEx(File, at, nullptr, FILE_BEGIN) && ReadFile(File, into, bytes, &got, nullptr)
               ? got
               : 0;
  }
  bool ReadAt(uint64_t offset, void* into, DWORD bytes) const { return ReadUpTo(offset, into, bytes) == bytes; }
  void Keep(int slot, uint64_t offset, DWORD bytes) {
    std::vector<unsigned char> read(bytes);
    read.resize(ReadUpTo(offset, read.data(), bytes));
    Kept[slot] = std::move(read);
    KeptAt[slot] = offset;
  }
};

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
  const FileBytes* File;
  uint64_t Offset;
  uint32_t Bytes;
};

// The entries of the directory at `at` (an offset in the tree): `named` entries by name, then
// those by number. False when the directory does not lie inside the tree.
bool ReadDirectory(const Tree& tree, uint32_t at, std::vector<unsigned char>& entries, uint32_t& named) {
  unsigned char header[kDirectoryBytes];
  if (at > tree.Bytes || tree.Bytes - at < kDirectoryBytes || !tree.File->ReadAt(tree.Offset + at, header, kDirectoryBytes)) {
    return false;
  }
  named = Word(header + 12);
  const uint32_t count = named + Word(header + 14);
  if (count == 0 || count > kMostEntries || tree.Bytes - at - kDirectoryBytes < count * kEntryBytes) return false;
  entries.resize(static_cast<size_t>(count) * kEntryBytes);
  return tree.File->ReadAt(tree.Offset + at + kDirectoryBytes, entries.data(), static_cast<DWORD>(entries.size()));
}

// The offset field of the entry numbered `id`. The loader takes the numbered entries (they follow
// those by name) for sorted and halves them: among several entries of one number in a damaged
// file it lands on the one that halving reaches, and so does this.
bool FindEntry(const std::vector<unsigned char>& entries, uint32_t named, uint32_t id, uint32_t& target) {
  size_t low = named, high = entries.size() / kEntryBytes;
  while (low < high) {
    const size_t middle = low + (high - 1 - low) / 2;
    const uint32_t number = Word(&entries[kEntryBytes * middle]);
    if (number == id) {
      target = Dword(&entries[kEntryBytes * middle + 4]);
      return true;
    }
    if (number > id) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  return false;
}

// The entry numbered by the first of `ids` that the directory holds, else its first entry.
uint32_t ChooseEntry(const std::vector<unsigned char>& entries, uint32_t named, std::initializer_list<uint32_t> ids) {
  uint32_t target = 0;
  for (const uint32_t id : ids) {
    if (FindEntry(entries, named, id, target)) return target;
  }
  return Dword(&entries[4]);
}

// The file offset and size of the resource bytes that a language entry leads to, as far as
// `wanted` bytes of them are read; false when any of it lies outside the tree or the file.
bool LeafData(const Tree& tree, const std::vector<Section>& sections, uint64_t fileSize, uint32_t leaf, DWORD wanted,
              uint64_t& offset, DWORD& bytes) {
  unsigned char entry[kDataEntryBytes];
  if ((leaf & kSubdirectory) || leaf > tree.Bytes || tree.Bytes - leaf < kDataEntryBytes ||
      !tree.File->ReadAt(tree.Offset + leaf, entry, sizeof entry)) {
    return false;
  }
  const uint32_t size = Dword(entry + 4);
  bytes = size < wanted ? size : wanted;
  return bytes > 0 && FileOffsetOf(sections, fileSize, Dword(entry), bytes, offset);
}

}  // namespace

bool ReadPeVersionResource(HANDLE handle, unsigned char* data, DWORD bytes) {
  FileBytes file(handle);
  file.Keep(0, 0, kHeadBytes);
  unsigned char dos[64];
  if (!file.ReadAt(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
  const uint32_t pe = Dword(dos + 0x3C);
  unsigned char headers[24 + 112 + 8 * 3];  // signature, file header, optional header to the resources
  if (!file.ReadAt(pe, headers, sizeof headers) || Dword(headers) != 0x00004550u) return false;
  const unsigned char* optional = headers + 24;
  const bool plus = Word(optional) == 0x20B;
  if (!plus && Word(optional) != 0x10B) return false;

  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle, &size)) return false;
  const uint64_t fileSize = static_cast<uint64_t>(size.QuadPart);
  const uint32_t sectionCount = Word(headers + 6);
  const uint32_t optionalBytes = Word(headers + 20);
  const uint32_t directories = Dword(optional + (plus ? 108 : 92));
  const unsigned char* resources = optional + (plus ? 112 : 96) + 2 * 8;
  if (directories < 3 || optionalBytes < (plus ? 112u : 96u) + 3 * 8) return false;
  const uint32_t treeAddress = Dword(resources);
  const uint32_t headerBytes = Dword(optional + 60);
  if (treeAddress == 0 || sectionCount == 0 || sectionCount > 96) return false;

  std::vector<unsigned char> table(static_cast<size_t>(sectionCount) * 40);
  if (!file.ReadAt(static_cast<uint64_t>(pe) + 24 + optionalBytes, table.data(), static_cast<DWORD>(table.size()))) {
    return false;
  }
  std::vector<Section> sections;
  for (uint32_t i = 0; i < sectionCount; ++i) {
    const unsigned char* s = &table[40 * i];
    sections.push_back({Dword(s + 12), Dword(s + 20), Dword(s + 16)});
  }
  // The loader takes an address within the headers as an offset in the file, which holds the
  // headers from its first byte; any other address is where its section stores it. The tree is
  // whatever the file holds from there on (within that section).
  Tree tree{&file, 0, 0};
  uint64_t treeBytes = 0;
  if (treeAddress < headerBytes) {
    tree.Offset = treeAddress;
    treeBytes = fileSize > treeAddress ? fileSize - treeAddress : 0;
  } else if (!StoredAt(sections, fileSize, treeAddress, tree.Offset, treeBytes)) {
    return false;
  }
  tree.Bytes = static_cast<uint32_t>(treeBytes < UINT32_MAX ? treeBytes : UINT32_MAX);
  file.Keep(1, tree.Offset, tree.Bytes < kTreeBytes ? tree.Bytes : kTreeBytes);

  std::vector<unsigned char> entries;
  uint32_t named = 0, names = 0;
  if (!ReadDirectory(tree, 0, entries, named) || !FindEntry(entries, named, kVersionType, names) ||
      !(names & kSubdirectory) || !ReadDirectory(tree, names & ~kSubdirectory, entries, named)) {
    return false;
  }
  const uint32_t languages = ChooseEntry(entries, named, {1});
  if (!(languages & kSubdirectory) || !ReadDirectory(tree, languages & ~kSubdirectory, entries, named)) {
    return false;
  }
  uint64_t offset = 0;
  DWORD wanted = 0;
  const uint32_t leaf = ChooseEntry(entries, named, {kNeutralLanguage, kUsEnglish});
  if (!LeafData(tree, sections, fileSize, leaf, bytes, offset, wanted)) return false;
  return file.ReadAt(offset, data, wanted);
}
