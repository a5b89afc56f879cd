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

enum class PeVersionResource {
  NoImage,   // no program image at all (no "MZ" first): no format holds a version resource there
  NotPe,     // an image of another format: the platform knows those (16-bit programs, say)
  NotFound,  // a PE file without a version resource, or one whose way there leaves the file
  Found,     // its first `bytes` bytes (as many as it has) are in `data`
};

// Reads the version resource of the open file. Found only when every entry on the way (the type,
// name and language directories, the chosen data entry, and the bytes of the resource that are
// read) lies inside the resource tree and the file; the rest of `data` is left as it is.
PeVersionResource ReadPeVersionResource(HANDLE file, unsigned char* data, DWORD bytes);
