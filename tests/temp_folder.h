// Scratch folders and raw file bytes for tests that work on real files.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A fresh folder under the temporary folder, removed with everything in it at the end.
struct TempFolder {
  std::wstring Path;  // no trailing backslash
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::wstring operator/(const std::wstring& name) const { return Path + L"\\" + name; }
};

void RemoveTree(const std::wstring& path);
bool WriteBytes(const std::wstring& path, const std::vector<unsigned char>& bytes);
bool WriteBytes(const std::wstring& path, const std::string& bytes);
std::vector<unsigned char> ReadBytes(const std::wstring& path);
// Little-endian UTF-16 bytes of a text, as the log stores it.
std::vector<unsigned char> Utf16Bytes(const std::wstring& text);
// Sets all three file times to the given UTC date at noon.
bool SetFileDate(const std::wstring& path, int year, int month, int day, bool folder = false);
// Printable form of a text for failure messages.
std::string Printable(const std::wstring& text);
// A folder symbolic link at `link` to `target`. Under Wine the link is made by the host's ln,
// since Wine reports success for CreateSymbolicLinkW without making one.
bool MakeFolderLink(const std::wstring& link, const std::wstring& target);
// The entries of a folder other than "." and "..".
int CountEntries(const std::wstring& folder);
// The UTC date of today, as year-month-day.
std::wstring TodayUtcText();
