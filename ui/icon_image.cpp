#include "ui/icon_image.h"

namespace {

constexpr size_t kDirectoryBytes = 6;  // reserved, type, count
constexpr size_t kEntryBytes = 14;     // width, height, colours, reserved, planes, bits, bytes, id

// A resource's bytes, or null; they live as long as the module.
const BYTE* ResourceBytes(HINSTANCE instance, HRSRC found, DWORD& size) {
  HGLOBAL loaded = found != nullptr ? LoadResource(instance, found) : nullptr;
  size = found != nullptr ? SizeofResource(instance, found) : 0;
  return loaded != nullptr ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
}

}  // namespace

int IconSizeFor(const std::vector<int>& sizes, int wanted) {
  int chosen = 0;
  for (const int size : sizes) {
    const bool enough = size >= wanted, chosenEnough = chosen >= wanted;
    if (chosen == 0 || (enough && (!chosenEnough || size < chosen)) || (!enough && !chosenEnough && size > chosen)) {
      chosen = size;
    }
  }
  return chosen;
}

std::vector<int> IconGroupSizes(const BYTE* group, size_t bytes) {
  std::vector<int> sizes;
  if (group == nullptr || bytes < kDirectoryBytes) return sizes;
  const size_t count = static_cast<size_t>(group[4] | group[5] << 8);
  for (size_t i = 0; i < count && kDirectoryBytes + (i + 1) * kEntryBytes <= bytes; ++i) {
    const BYTE width = group[kDirectoryBytes + i * kEntryBytes];
    sizes.push_back(width == 0 ? 256 : width);
  }
  return sizes;
}

HICON LoadIconAtSize(HINSTANCE instance, int groupId, int pixels) {
  DWORD bytes = 0;
  const BYTE* group = ResourceBytes(instance, FindResourceW(instance, MAKEINTRESOURCEW(groupId), RT_GROUP_ICON), bytes);
  const std::vector<int> sizes = IconGroupSizes(group, bytes);
  const int size = IconSizeFor(sizes, pixels);
  for (size_t i = 0; i < sizes.size(); ++i) {
    if (sizes[i] != size) continue;
    const BYTE* entry = group + kDirectoryBytes + i * kEntryBytes;
    const WORD id = static_cast<WORD>(entry[12] | entry[13] << 8);
    const BYTE* image = ResourceBytes(instance, FindResourceW(instance, MAKEINTRESOURCEW(id), RT_ICON), bytes);
    if (image == nullptr) return nullptr;
    return CreateIconFromResourceEx(const_cast<BYTE*>(image), bytes, TRUE, 0x00030000, pixels, pixels, LR_DEFAULTCOLOR);
  }
  return nullptr;
}
