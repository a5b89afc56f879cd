// Stand-ins for what opens a finished log: a copy of the stand-in viewer in a folder of its own,
// which records how it was started, and the companion product's registry key naming it.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "support/files.h"

struct StandIn {
  TempFolder Folder;
  StandIn() { CopyFileW((BuildFolder() + L"\\tests\\dunmere_standin.exe").c_str(), (Folder / L"Dunmere.exe").c_str(), FALSE); }
  // Where the viewer writes its record (whole or not at all) when it is started.
  std::wstring Record() const { return Folder / L"invocation.txt"; }
  // Its command line and working folder, once it has run (the record is then taken away);
  // empty after the time-out.
  std::pair<std::wstring, std::wstring> Invocation(DWORD timeoutMs = 120000) const;
};

// The companion product's key, in the given registry view, naming the stand-in's folder; removed
// when the record goes away.
struct Companion : StandIn {
  REGSAM View;
  explicit Companion(DWORD type = REG_SZ, REGSAM view = KEY_WOW64_64KEY);
  ~Companion() { RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"Software\\QLV - Qelvar", View, 0); }
};
