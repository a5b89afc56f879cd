#include "platform/text_file.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/file_system.h"

namespace {

static_assert(sizeof(wchar_t) == 2, "UTF-16 code units");

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
  // A log named after a device (nul.txt, aux, a console) would open the device: whatever the
  // scan wrote would vanish or go elsewhere while the scan said it was logged.
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    return false;
  }
  file.reset(new TextFile);
  file->Handle = handle;
  if (write) {
    file->Pending.reset(new wchar_t[TextFile::kRoomUnits]);
    file->Pending[file->PendingUnits++] = 0xFEFF;
  }
  return true;
}

namespace {

// Copies units into the room, a CR before every LF (text mode); the room must hold twice as many.
wchar_t* CopyInTextMode(const wchar_t* unit, const wchar_t* end, wchar_t* out) {
  for (; unit != end; ++unit) {
    if (*unit == L'\n') *out++ = L'\r';
    *out++ = *unit;
  }
  return out;
}

}  // namespace

void WriteTexts(const std::wstring_view* texts, size_t count, TextFile* file) {
  if (file == nullptr || file->Handle == INVALID_HANDLE_VALUE || !file->Pending || file->Lost) return;
  size_t total = 0;
  for (size_t i = 0; i < count; ++i) total += texts[i].size();
  // Each unit takes at most two places. Texts that fit the room go to the system in one write
  // together, so that a line is on disk whole or not at all.
  if (2 * total > TextFile::kRoomUnits - file->PendingUnits) FlushTextFile(file);
  for (size_t i = 0; i < count; ++i) {
    const wchar_t* unit = texts[i].data();
    const wchar_t* const end = unit + texts[i].size();
    while (unit != end && !file->Lost) {
      // A text larger than the room goes out in parts; once one part is lost no later one is
      // written, so the parts on disk are never apart.
      const size_t part = std::min<size_t>(static_cast<size_t>(end - unit), TextFile::kRoomUnits / 2);
      if (2 * part > TextFile::kRoomUnits - file->PendingUnits) FlushTextFile(file);
      wchar_t* const room = file->Pending.get();
      file->PendingUnits = static_cast<size_t>(CopyInTextMode(unit, unit + part, room + file->PendingUnits) - room);
      unit += part;
    }
  }
}

bool WriteClosingText(std::wstring_view text, TextFile* file) {
  file->Lost = false;
  WriteText(text, file);
  return FlushTextFile(file);
}

namespace {

// How many of the first `units` units make whole lines: up to the last line feed, or the
// byte-order mark alone when the units start the file.
size_t WholeLineUnits(const wchar_t* room, size_t units, bool startOfFile) {
  for (size_t i = units; i > 0; --i) {
    if (room[i - 1] == L'\n') return i;
  }
  return startOfFile && units > 0 && room[0] == 0xFEFF ? 1 : 0;
}

}  // namespace

bool FlushTextFile(TextFile* file) {
  if (file == nullptr || file->Handle == INVALID_HANDLE_VALUE) return false;
  const size_t units = file->PendingUnits;
  file->PendingUnits = 0;
  if (file->Lost) return false;
  const wchar_t* const room = file->Pending.get();
  const char* bytes = reinterpret_cast<const char*>(room);
  const size_t total = units * sizeof(wchar_t);
  size_t done = 0;
  while (done < total) {
    DWORD written = 0;
    const DWORD ask = static_cast<DWORD>(std::min<size_t>(total - done, 1u << 24));
    const bool wrote = WriteFile(file->Handle, bytes + done, ask, &written, nullptr) != FALSE;
    done += wrote ? written : 0;
    // A short write is as lost as a failed one: a full disk may take part of a write, say it
    // succeeded, and fail the next.
    if (!wrote || written < ask) break;
  }
  const bool startOfFile = file->FileBytes == 0;
  const size_t whole = WholeLineUnits(room, done / sizeof(wchar_t), startOfFile);
  if (whole > 0) file->WholeBytes = file->FileBytes + whole * sizeof(wchar_t);
  if (done == total) {
    file->FileBytes += total;
    return true;
  }
  // The part of a line that landed goes again, so the file ends with its last whole line.
  file->Lost = true;
  LARGE_INTEGER cut;
  cut.QuadPart = static_cast<LONGLONG>(file->WholeBytes);
  if (SetFilePointerEx(file->Handle, cut, nullptr, FILE_BEGIN)) SetEndOfFile(file->Handle);
  file->FileBytes = file->WholeBytes;
  return false;
}

void CloseTextFile(TextFile* file) {
  if (file == nullptr) return;
  FlushTextFile(file);
  if (file->Handle != INVALID_HANDLE_VALUE) CloseHandle(file->Handle);
  delete file;
}

std::wstring ReadWholeText(TextFile* file, uint32_t /*encoding: kEncodingUtf16Le*/) {
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
