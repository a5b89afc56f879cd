// An icon of the program's icon groups at a size the display asks for.
#pragma once

#include <windows.h>

#include <vector>

// Which of a group's image sizes (in pixels) makes an icon of `wanted` pixels: the smallest that
// is at least as large, so that an image is only ever made smaller, else the largest.
int IconSizeFor(const std::vector<int>& sizes, int wanted);

// The image sizes (in pixels) that an icon group's directory lists, in its order: each entry's
// width, 0 standing for 256. Entries that do not lie whole within `bytes` are not read.
std::vector<int> IconGroupSizes(const BYTE* group, size_t bytes);

// The icon of group `groupId` at `pixels` square, made from the image IconSizeFor chooses; null
// when the group or its image cannot be read. The caller owns it.
HICON LoadIconAtSize(HINSTANCE instance, int groupId, int pixels);
