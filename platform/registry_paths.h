// Registry values named by a textual path such as "HKLM\Software\QLV - Qelvar", and the lookup
// of the companion product's install folder, whose log viewer opens a finished log.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/scope_guard.h"

// Splits a textual path into its root key and, in place, its subkey. Root names with 64 or 32
// at the end add the registry view bit to `access` (when given). Zero for an unknown root,
// the text and the access bits then unchanged.
HKEY ParseRegistryPath(std::wstring& path, REGSAM* access);

// The companion product's key in the 64-bit view, opened for reading; null when absent.
UniqueRegKey OpenCompanionKey();

// A value's bytes as read, with its size and type; Type is 0xFFFFFFFF when nothing was read.
struct RegistryValue {
  std::vector<unsigned char> Data;  // always followed by a NUL code unit beyond Size
  uint32_t Size = 0;
  uint32_t Type = 0xFFFFFFFF;
  // The data as a NUL-terminated text.
  std::wstring Text() const;
};

// "InstallDir" of the key (none gives nothing). A multi-string reads as its strings joined by
// line feeds; a value stored without its terminating NUL ends after its last code unit.
RegistryValue ReadInstallDir(HKEY key);

// The joining of a multi-string's code units, in place: each NUL followed by a non-NUL unit
// becomes a line feed, the last unit excepted, and the last unit becomes NUL.
void JoinMultiString(wchar_t* units, size_t count);
