// Single string values of a file's version resource ("CompanyName", "FileDescription"), each
// with a default text for when the value cannot be had.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

constexpr DWORD kVersionDataBytes = 4000;

// One per file being evaluated; reused for all its queries.
struct VersionInfoBlock {
  unsigned char VersionData[kVersionDataBytes];  // the start of the file's version resource
  wchar_t QueryPath[512];
  uint32_t TranslationSize = 0;                  // bytes
  const WORD* Translation = nullptr;             // language, code page pairs inside VersionData
  bool Loaded = false;                           // resource read and translation table found
};

// Reads the start of the version resource of the open file (OpenListedFile; null: none).
void LoadVersionInfo(HANDLE file, VersionInfoBlock& block);

// The value under the last translation pair, or the default text. An existing empty value
// gives an empty text.
std::wstring QueryVersionString(VersionInfoBlock& block, const wchar_t* key, const wchar_t* defaultText);
