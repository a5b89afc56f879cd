#include "support/log_reading.h"

#include <windows.h>
#include <gtest/gtest.h>

#include "platform/scope_guard.h"
#include "support/files.h"

std::wstring ReadLogUnits(const std::wstring& path, size_t lastUnits) {
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

std::wstring LogText(const std::wstring& path) {
  const std::string bytes = ReadBytes(path);
  EXPECT_TRUE(bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') << "no byte-order mark: " << Printable(path);
  std::wstring text;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const wchar_t c = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    if (c == L'\n' && !text.empty() && text.back() == L'\r') text.pop_back();
    text += c;
  }
  return text;
}

bool LogClosed(const std::wstring& path) {
  const std::wstring banner = L"############### End of the Fendrel results log ###############";
  return ReadLogUnits(path, banner.size()) == banner;
}
