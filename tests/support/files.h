// Scratch folders and files for the tests, the build's fixtures, file dates, and waiting for a
// condition.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/scope_guard.h"

// A fresh folder under the temporary folder, removed with everything in it at the end.
struct TempFolder {
  std::wstring Path;  // no trailing backslash
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::wstring operator/(const std::wstring& name) const { return Path + L"\\" + name; }
};

inline bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream file(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  return static_cast<bool>(file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush());
}
// The whole file, or nothing when it cannot be read; other programs may hold it open.
inline std::string ReadBytes(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline std::string Printable(const std::wstring& text) { return testing::PrintToString(text); }

// Whether `done` came true within the limit, asked every 20 ms.
template <typename Done>
bool Eventually(DWORD limitMs, Done done) {
  for (const ULONGLONG end = GetTickCount64() + limitMs; !done(); Sleep(20)) {
    if (GetTickCount64() >= end) return false;
  }
  return true;
}

inline SYSTEMTIME Date(int year, int month, int day, int hour = 12, int minute = 0, int second = 0) {
  return {static_cast<WORD>(year), static_cast<WORD>(month), 0, static_cast<WORD>(day), static_cast<WORD>(hour),
          static_cast<WORD>(minute), static_cast<WORD>(second), 0};
}

// Today's UTC date as the log writes a file's date: year-month-day, month and day in two digits.
inline std::wstring TodayUtcText() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  wchar_t text[32];
  swprintf(text, 32, L"%u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
  return text;
}

// The file's or folder's times set to noon of the day, but its last access to now when it was
// `readNow`.
inline bool SetFileDate(const std::wstring& path, int year, int month, int day, bool readNow = false) {
  const SYSTEMTIME noon = Date(year, month, day);
  FILETIME date, now;
  GetSystemTimeAsFileTime(&now);
  const UniqueFileHandle h = AdoptFileHandle(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return SystemTimeToFileTime(&noon, &date) && h && SetFileTime(h.get(), &date, readNow ? &now : &date, &date);
}

// <build> (the folder above this program's) and a file the build made among the fixtures.
inline std::wstring BuildFolder() {
  std::vector<wchar_t> buffer(32768, L'\0');
  std::wstring path(buffer.data(), GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size())));
  path.resize(path.find_last_of(L'\\'));
  return path.substr(0, path.find_last_of(L'\\'));
}
inline std::wstring FixturePath(const std::wstring& name) { return BuildFolder() + L"\\tests\\facts_fixtures\\" + name; }
