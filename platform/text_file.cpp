#include "platform/text_file.h"

#include <algorithm>
#include <cstdint>

#include "platform/file_system.h"

namespace {

constexpr size_t kFlushThreshold = 64 * 1024;

void AppendUtf16(std::vector<char>& out, wchar_t unit) {
  out.push_back(static_cast<char>(unit & 0xFF));
  out.push_back(static_cast<char>((unit >> 8) & 0xFF));
}

std::vector<unsigned char> ReadBytes(HANDLE handle) {
  std::vector<unsigned char> bytes;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle, &size) || size.QuadPart <= 0) return bytes;
  const size_t wanted = static_cast<size_t>(size.QuadPart);
  LARGE_INTEGER zero{};
  if (!SetFilePointerEx(handle, zero, nullptr, FILE_BEGIN)) return bytes;
  bytes.resize(wanted);
  size_t got = 0;
  while (got < wanted) {
    DWORD step = 0;
    const DWORD ask = static_cast<DWORD>(std::min<size_t>(wanted - got, 1u << 24));
    if (!ReadFile(handle, bytes.data() + got, ask, &step, nullptr) || step == 0) break;
    got += step;
  }
  bytes.resize(got);
  return bytes;
}

}  // namespace

bool OpenTextFile(const uint32_t* flags, UniqueTextFile& file, const std::wstring& path) {
  file.reset();
  const bool write = flags != nullptr && (*flags & kTextWrite) != 0;
  if (write) {
    // Windows refuses to write a read-only file; say so here too, so that the answer does not
    // depend on the file system underneath (a POSIX one lets its superuser write anything).
    const DWORD attributes = FileAttributesAsItIs(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
  }
  HANDLE handle = OpenFileAsItIs(path, write ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, write ? CREATE_ALWAYS : OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL);
  if (handle == INVALID_HANDLE_VALUE) return false;
  file.reset(new TextFile);
  file->Handle = handle;
  if (write) AppendUtf16(file->Pending, 0xFEFF);
  return true;
}

void WriteText(std::wstring_view text, TextFile* file) {
  if (file == nullptr || file->Handle == INVALID_HANDLE_VALUE) return;
  std::vector<char>& out = file->Pending;
  out.reserve(out.size() + text.size() * 2 + 16);
  for (const wchar_t unit : text) {
    if (unit == L'\n') AppendUtf16(out, L'\r');
    AppendUtf16(out, unit);
  }
  if (out.size() >= kFlushThreshold) FlushTextFile(file);
}

bool FlushTextFile(TextFile* file) {
  if (file == nullptr || file->Handle == INVALID_HANDLE_VALUE) return false;
  bool complete = true;
  size_t done = 0;
  while (done < file->Pending.size()) {
    DWORD written = 0;
    const DWORD ask = static_cast<DWORD>(std::min<size_t>(file->Pending.size() - done, 1u << 24));
    if (!WriteFile(file->Handle, file->Pending.data() + done, ask, &written, nullptr) || written == 0) {
      complete = false;  // the text is lost, as any write error is: the scan goes on
      break;
    }
    done += written;
  }
  file->Pending.clear();
  return complete;
}

void CloseTextFile(TextFile* file) {
  if (file == nullptr) return;
  FlushTextFile(file);
  if (file->Handle != INVALID_HANDLE_VALUE) CloseHandle(file->Handle);
  delete file;
}

std::wstring ReadWholeText(TextFile* file, uint32_t /*encoding: kEncodingUtf16Le*/) {
  if (file == nullptr || file->Handle == INVALID_HANDLE_VALUE) return std::wstring();
  FlushTextFile(file);
  const std::vector<unsigned char> bytes = ReadBytes(file->Handle);
  std::wstring text;
  text.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const wchar_t c = static_cast<wchar_t>(bytes[i] | bytes[i + 1] << 8);
    if (i == 0 && c == 0xFEFF) continue;
    if (c == 0x1A) break;  // text mode: U+001A ends the data, and CR LF reads as LF
    if (c == L'\n' && !text.empty() && text.back() == L'\r') text.pop_back();
    text.push_back(c);
  }
  return text;
}
