// A log read back from disk while the program still writes it: its units, or only the last of
// them (a look at the end of a log of millions of lines), exactly as stored.
#pragma once

#include <windows.h>

#include <string>

#include "platform/scope_guard.h"

// The log's code units after its byte-order mark, or only its last `lastUnits`. Shared for
// writing: the program may still hold it open.
inline std::wstring ReadLogUnits(const std::wstring& path, size_t lastUnits = std::wstring::npos) {
  const UniqueFileHandle h = AdoptFileHandle(CreateFileW(path.c_str(), GENERIC_READ,
                                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                         nullptr, OPEN_EXISTING, 0, nullptr));
  LARGE_INTEGER size{};
  if (!h || !GetFileSizeEx(h.get(), &size)) return std::wstring();
  size_t units = static_cast<size_t>(size.QuadPart) / sizeof(wchar_t);
  LARGE_INTEGER at{};
  if (lastUnits < units) {
    at.QuadPart = static_cast<LONGLONG>((units - lastUnits) * sizeof(wchar_t));
    units = lastUnits;
  }
  std::wstring text(units, L'\0');
  DWORD got = 0;
  if (units != 0 && SetFilePointerEx(h.get(), at, nullptr, FILE_BEGIN)) {
    ReadFile(h.get(), text.data(), static_cast<DWORD>(units * sizeof(wchar_t)), &got, nullptr);
  }
  text.resize(got / sizeof(wchar_t));
  if (at.QuadPart == 0 && !text.empty() && text[0] == 0xFEFF) text.erase(0, 1);
  return text;
}

// Whether the log already ends with its closing banner, from its last bytes alone.
inline bool LogClosed(const std::wstring& path) {
  const std::wstring banner = L"############### End of the Fendrel results log ###############";
  return ReadLogUnits(path, banner.size()) == banner;
}
