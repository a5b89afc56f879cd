// The version resource of a PE file read from the file's own bytes, for a file the platform's
// version lookup cannot be trusted to name: that lookup takes a path and, under some loaders,
// reads it as an ordinary path, so a name with a trailing dot or blank, or a device name, would
// send it to another file. The resource is found as the loader finds it: type 16, name 1 (else
// the first name), the first language.
#pragma once

#include <windows.h>

// Fills data with the resource's first `bytes` bytes (the rest of data is left as it is). False
// when the file is not a PE file with a version resource. Every offset and size is checked
// against what was read: a damaged or hostile file gives false, never a read out of bounds.
bool ReadPeVersionResource(HANDLE file, unsigned char* data, DWORD bytes);
