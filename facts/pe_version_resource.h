// The version resource of a PE file, found in the file's own bytes as the loader finds it: the
// resource tree where the loader looks for it (an address below the size of the headers is an
// offset in the file, any other is mapped through the section table), type 16 and name 1 found
// by halves among the numbered entries as the loader searches them (else the first name), the
// neutral language, else US English, else the first. The platform's lookup maps the file and
// follows the tree's offsets without checking them, so a hostile file whose tree points outside
// itself can end the process that asks; this reader checks every offset and size against the
// file and is the answer for every PE file.
#pragma once

#include <windows.h>

// Reads the version resource of the open file into `data`: its first `bytes` bytes, as many as it
// has. True only for a PE file where every entry on the way (the type, name and language
// directories, the chosen data entry, and the bytes of the resource that are read) lies inside
// the resource tree and the file; false for anything else (no program image, an image of another
// format such as a 16-bit program, no version resource, a way that leaves the file). The rest of
// `data` is left as it is.
bool ReadPeVersionResource(HANDLE file, unsigned char* data, DWORD bytes);
