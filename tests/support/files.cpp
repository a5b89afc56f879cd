#include "support/files.h"

#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/scope_guard.h"

TempFolder::TempFolder() {
  static unsigned long long made = 0;
  wchar_t temp[MAX_PATH + 1] = {}, name[64];
  GetTempPathW(MAX_PATH, temp);
  do {
    swprintf(name, 64, L"fnx-test-%lu-%llu", GetCurrentProcessId(), ++made);
    Path = temp + std::wstring(name);
  } while (!CreateDirectoryW(Path.c_str(), nullptr));
}

TempFolder::~TempFolder() { RemoveTree(Path); }

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
  for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &data)) {
    const std::wstring name = data.cFileName, child = path + L"\\" + name;
    if (name == L"." || name == L"..") continue;
    SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
    const DWORD a = data.dwFileAttributes;
    if ((a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT)) RemoveTree(child);
    (a & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(child.c_str()) : DeleteFileW(child.c_str());
  }
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
  RemoveDirectoryW(path.c_str());
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream file(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  return static_cast<bool>(file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush());
}

std::string ReadBytes(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

SYSTEMTIME Date(int year, int month, int day, int hour, int minute, int second) {
  return {static_cast<WORD>(year), static_cast<WORD>(month), 0, static_cast<WORD>(day), static_cast<WORD>(hour),
          static_cast<WORD>(minute), static_cast<WORD>(second), 0};
}

std::wstring TodayUtcText() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  wchar_t text[32];
  swprintf(text, 32, L"%u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
  return text;
}

bool SetFileDate(const std::wstring& path, int year, int month, int day, bool readNow) {
  const SYSTEMTIME noon = Date(year, month, day);
  FILETIME date, now;
  GetSystemTimeAsFileTime(&now);
  const UniqueFileHandle h = AdoptFileHandle(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return SystemTimeToFileTime(&noon, &date) && h && SetFileTime(h.get(), &date, readNow ? &now : &date, &date);
}

std::wstring BuildFolder() {
  std::vector<wchar_t> buffer(32768, L'\0');
  std::wstring path(buffer.data(), GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size())));
  path.resize(path.find_last_of(L'\\'));
  return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring FixturePath(const std::wstring& name) { return BuildFolder() + L"\\tests\\facts_fixtures\\" + name; }
