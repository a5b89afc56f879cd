// Scratch folders and files for the tests, the build's fixtures, file dates, and waiting for a
// condition.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <string>

// A fresh folder under the temporary folder, removed with everything in it at the end.
struct TempFolder {
  std::wstring Path;  // no trailing backslash
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::wstring operator/(const std::wstring& name) const { return Path + L"\\" + name; }
};

// Removes a folder and everything in it; links are removed, not followed.
void RemoveTree(const std::wstring& path);

bool WriteBytes(const std::wstring& path, const std::string& bytes);
// The whole file, or nothing when it cannot be read; other programs may hold it open.
std::string ReadBytes(const std::wstring& path);

inline std::string Printable(const std::wstring& text) { return testing::PrintToString(text); }

// Whether `done` came true within the limit, asked every 20 ms.
template <typename Done>
bool Eventually(DWORD limitMs, Done done) {
  for (const ULONGLONG end = GetTickCount64() + limitMs; !done(); Sleep(20)) {
    if (GetTickCount64() >= end) return false;
  }
  return true;
}

SYSTEMTIME Date(int year, int month, int day, int hour = 12, int minute = 0, int second = 0);

// Today's UTC date as the log writes a file's date: year-month-day, month and day in two digits.
std::wstring TodayUtcText();

// The file's or folder's times set to noon of the day, but its last access to now when it was
// `readNow`.
bool SetFileDate(const std::wstring& path, int year, int month, int day, bool readNow = false);

// <build> (the folder above this program's) and a file the build made among the fixtures.
std::wstring BuildFolder();
std::wstring FixturePath(const std::wstring& name);
