// The rich tree of the whole-scan cases, and the order in which a walk meets its entries.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/files.h"

// Recent and old files, an empty folder, folders named "..old", "...", ".. " and ".old" with a
// file each, a recent folder inside an old one and the other way round, hidden, system and
// read-only files, and a folder link.
struct Tree {
  TempFolder Base;
  std::wstring Root = Base / L"tree";
  std::wstring Path(const std::wstring& relative) const { return Root + L"\\" + relative; }
  Tree();
};

// The files of the tree that the default pattern matches and that are dated today, and the
// outermost folders created today.
extern const std::vector<const wchar_t*> kTreeMatches;
extern const std::vector<const wchar_t*> kTreeFolders;

// Every entry's running count in the order a depth-first walk meets it, "." and ".." included.
struct Listing {
  std::map<std::wstring, uint64_t> Position;  // full path -> running count at the entry
  uint64_t Count = 0;
  Listing& Add(const std::wstring& folder, bool recurse);
};

inline Listing ListTree(const std::wstring& root, bool recurse) { return Listing().Add(root, recurse); }
