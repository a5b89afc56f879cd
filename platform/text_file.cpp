#include "platform/text_file.h"

#include <algorithm>
#include <cstdint>

#include "platform/file_system.h"
#include "platform/scope_guard.h"

namespace {

constexpr size_t kFlushThreshold = 64 * 1024;

std::wstring EncodingSuffix(uint32_t flags) {
  if (flags & kTextUtf16Le) return L",ccs=UTF-16LE";
  if ((flags & kTextUnicode) || flags == kTextUnicodeAlone) return L",ccs=UNICODE";
  if (flags & kTextUtf8) return L",ccs=UTF-8";
  return L"";
}

bool HasEncodingBit(uint32_t flags) {
  return (flags & (kTextUtf16Le | kTextUnicode | kTextUtf8)) != 0 || flags == kTextUnicodeAlone;
}

bool EnsureFolderOf(const std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  if (slash == std::wstring::npos) return false;
  const std::wstring folder = path.substr(0, slash);
  return IsFolderAsItIs(folder) || CreateFolderAsItIs(folder);
}

std::vector<unsigned char> ReadBytes(HANDLE handle, size_t limit) {
  std::vector<unsigned char> bytes;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle, &size) || size.QuadPart <= 0) return bytes;
  size_t wanted = static_cast<size_t>(size.QuadPart);
  if (wanted > limit) wanted = limit;
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

// What the stream's encoding at the open makes of a file's first bytes: the mark decides,
// a big-endian mark is refused.
bool ChooseReadEncoding(HANDLE handle, StreamEncoding requested, StreamEncoding& chosen) {
  const std::vector<unsigned char> head = ReadBytes(handle, 3);
  chosen = requested;
  if (head.size() >= 2 && head[0] == 0xFE && head[1] == 0xFF) return false;
  if (head.size() >= 2 && head[0] == 0xFF && head[1] == 0xFE) chosen = StreamEncoding::Utf16Le;
  if (head.size() >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) chosen = StreamEncoding::Utf8;
  return true;
}

void AppendUtf16(std::vector<char>& out, wchar_t unit) {
  out.push_back(static_cast<char>(unit & 0xFF));
  out.push_back(static_cast<char>((unit >> 8) & 0xFF));
}

std::wstring Widen(const unsigned char* bytes, size_t count, UINT codePage) {
  if (count == 0) return std::wstring();
  const int length = MultiByteToWideChar(codePage, 0, reinterpret_cast<const char*>(bytes),
                                         static_cast<int>(count), nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, reinterpret_cast<const char*>(bytes), static_cast<int>(count),
                      text.data(), length);
  return text;
}

std::wstring Utf16Units(const unsigned char* bytes, size_t count, bool swap) {
  std::wstring text(count / 2, L'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned lo = bytes[2 * i], hi = bytes[2 * i + 1];
    text[i] = static_cast<wchar_t>(swap ? (lo << 8 | hi) : (hi << 8 | lo));
  }
  return text;
}

// Text mode on reading: CR LF becomes LF and U+001A ends the data.
std::wstring UndoTextMode(const std::wstring& raw) {
  std::wstring text;
  text.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    const wchar_t c = raw[i];
    if (c == 0x1A) break;
    if (c == L'\r' && i + 1 < raw.size() && raw[i + 1] == L'\n') continue;
    text.push_back(c);
  }
  return text;
}

}  // namespace

std::wstring TextModeString(uint32_t flags) {
  std::wstring mode;
  if (flags & kTextWrite) {
    mode = L"w+";
  } else if (flags & kTextAppend) {
    mode = L"a+";
  } else {
    mode = L"r";
  }
  if (flags & kTextBinary) mode += L"b";
  return mode + EncodingSuffix(flags);
}

bool OpenTextFile(uint32_t* flags, UniqueTextFile& file, const std::wstring& path) {
  file.reset();
  uint32_t word = flags != nullptr ? *flags : 0;
  if ((word & kTextCreateFolder) && !EnsureFolderOf(path)) return false;

  StreamEncoding requested = StreamEncoding::Bytes;
  if (word & kTextUtf16Le) {
    requested = StreamEncoding::Utf16Le;
  } else if ((word & kTextUnicode) || word == kTextUnicodeAlone) {
    requested = StreamEncoding::Utf16Le;
  } else if (word & kTextUtf8) {
    requested = StreamEncoding::Utf8;
  }
  const bool hasEncoding = HasEncodingBit(word);
  if (!hasEncoding) {
    const uint32_t guessed = DetectTextEncoding(path, (word & kTextDeepGuess) != 0);
    if (flags != nullptr) *flags = guessed;
  }

  const bool write = (word & kTextWrite) != 0;
  const bool append = !write && (word & kTextAppend) != 0;
  DWORD access = GENERIC_READ;
  DWORD disposition = OPEN_EXISTING;
  if (write) {
    access |= GENERIC_WRITE;
    disposition = CREATE_ALWAYS;
  } else if (append) {
    access |= GENERIC_WRITE;
    disposition = OPEN_ALWAYS;
  }
  if (write || append) {
    // Windows refuses to write a read-only file; say so here too, so that the answer does not
    // depend on the file system underneath (a POSIX one lets its superuser write anything).
    const DWORD attributes = FileAttributesAsItIs(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
  }
  HANDLE handle = OpenFileAsItIs(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, disposition, FILE_ATTRIBUTE_NORMAL);
  if (handle == INVALID_HANDLE_VALUE) return false;
  UniqueTextFile opened(new TextFile);
  opened->Handle = handle;
  opened->TextMode = (word & kTextBinary) == 0;
  opened->Append = append;
  opened->Encoding = requested;

  if (hasEncoding) {
    LARGE_INTEGER size{};
    GetFileSizeEx(handle, &size);
    if (!write && size.QuadPart > 0) {
      // An existing file's own mark wins over the requested encoding.
      StreamEncoding chosen;
      if (!ChooseReadEncoding(handle, requested, chosen)) return false;
      opened->Encoding = chosen;
    } else if (write || append) {
      if (requested == StreamEncoding::Utf16Le) {
        AppendUtf16(opened->Pending, 0xFEFF);
      } else if (requested == StreamEncoding::Utf8) {
        opened->Pending.insert(opened->Pending.end(), {'\xEF', '\xBB', '\xBF'});
      }
    }
  }
  file = std::move(opened);
  return true;
}

void WriteText(std::wstring_view text, TextFile* file) {
  if (file == nullptr || file->Handle == INVALID_HANDLE_VALUE) return;
  std::vector<char>& out = file->Pending;
  if (file->Encoding == StreamEncoding::Utf16Le) {
    out.reserve(out.size() + text.size() * 2 + 16);
    for (const wchar_t unit : text) {
      if (unit == L'\n' && file->TextMode) AppendUtf16(out, L'\r');
      AppendUtf16(out, unit);
    }
  } else {
    std::wstring expanded;
    expanded.reserve(text.size() + 8);
    for (const wchar_t unit : text) {
      if (unit == L'\n' && file->TextMode) expanded.push_back(L'\r');
      expanded.push_back(unit);
    }
    const UINT codePage = file->Encoding == StreamEncoding::Utf8 ? CP_UTF8 : CP_ACP;
    const int length = WideCharToMultiByte(codePage, 0, expanded.data(), static_cast<int>(expanded.size()),
                                           nullptr, 0, nullptr, nullptr);
    if (length > 0) {
      const size_t at = out.size();
      out.resize(at + static_cast<size_t>(length));
      WideCharToMultiByte(codePage, 0, expanded.data(), static_cast<int>(expanded.size()), out.data() + at,
                          length, nullptr, nullptr);
    }
  }
  if (out.size() >= kFlushThreshold) FlushTextFile(file);
}

bool FlushTextFile(TextFile* file) {
  if (file == nullptr || file->Handle == INVALID_HANDLE_VALUE) return false;
  bool complete = true;
  if (!file->Pending.empty()) {
    if (file->Append) {
      LARGE_INTEGER zero{};
      SetFilePointerEx(file->Handle, zero, nullptr, FILE_END);
    }
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
  }
  return complete;
}

void CloseTextFile(TextFile* file) {
  if (file == nullptr) return;
  FlushTextFile(file);
  if (file->Handle != INVALID_HANDLE_VALUE) CloseHandle(file->Handle);
  delete file;
}

std::wstring ReadWholeText(TextFile* file, uint32_t encoding) {
  if (file == nullptr || file->Handle == INVALID_HANDLE_VALUE) return std::wstring();
  FlushTextFile(file);
  const std::vector<unsigned char> bytes = ReadBytes(file->Handle, SIZE_MAX);
  const unsigned char* data = bytes.data();
  const size_t size = bytes.size();
  std::wstring raw;
  const int32_t value = static_cast<int32_t>(encoding);
  if (value == static_cast<int32_t>(kEncodingUtf16Le) && file->Encoding == StreamEncoding::Utf8) {
    // The open found a UTF-8 mark and switched the stream to UTF-8.
    const size_t skip = size >= 3 ? 3 : 0;
    raw = Widen(data + skip, size - skip, CP_UTF8);
  } else if (value == static_cast<int32_t>(kEncodingUtf16Le)) {
    raw = Utf16Units(data, size, false);
    if (!raw.empty() && raw[0] == 0xFEFF) raw.erase(0, 1);
  } else if (value == static_cast<int32_t>(kEncodingUtf16Be)) {
    const size_t skip = size >= 2 ? 2 : 0;
    raw = Utf16Units(data + skip, size - skip, true);
  } else if (value == static_cast<int32_t>(kEncodingUtf8)) {
    const size_t skip = size >= 3 ? 3 : 0;
    raw = Widen(data + skip, size - skip, CP_UTF8);
  } else if (value > static_cast<int32_t>(kEncodingUtf8)) {
    raw = Utf16Units(data, size, false);
  } else {
    raw.assign(data, data + size);
  }
  return file->TextMode ? UndoTextMode(raw) : raw;
}

uint32_t DetectTextEncoding(const std::wstring& path, bool deep) {
  const UniqueFileHandle handle =
      AdoptFileHandle(OpenFileAsItIs(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, 0));
  if (!handle) return kEncodingUnreadable;
  std::vector<unsigned char> head(deep ? 3072 : 20);
  DWORD got = 0;
  if (!ReadFile(handle.get(), head.data(), static_cast<DWORD>(head.size()), &got, nullptr) || got == 0) {
    return kEncodingUnreadable;
  }
  if (got >= 2 && head[0] == 0xFF && head[1] == 0xFE) return kEncodingUtf16Le;
  if (got >= 2 && head[0] == 0xFE && head[1] == 0xFF) return kEncodingUtf16Be;
  if (got >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) return kEncodingUtf8;
  return IsTextUnicode(head.data(), static_cast<int>(got), nullptr) ? kEncodingUnicodeNoMark : kEncodingSingleByte;
}
