// The companion product's registry key, whose "InstallDir" names the folder of the log viewer
// that opens a finished log.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/scope_guard.h"

// HKLM\Software\QLV - Qelvar in the 64-bit view, opened for reading; null when absent.
UniqueRegKey OpenCompanionKey();

// A value's bytes as read, with its type; Type is 0xFFFFFFFF when nothing was read.
struct RegistryValue {
  std::vector<unsigned char> Data;  // always followed by a NUL code unit beyond what was read
  uint32_t Type = 0xFFFFFFFF;
  // The data as a NUL-terminated text.
  std::wstring Text() const;
};

// "InstallDir" of the key (none gives nothing); a value stored without its terminating NUL
// ends after its last code unit.
RegistryValue ReadInstallDir(HKEY key);
