// Text files in the log's byte format: UTF-16LE with a byte-order mark, written and read in
// text mode (a CR before every LF on writing, CR LF back to LF on reading, U+001A ends the data).
// The format is produced here rather than by the C runtime so that it is the same everywhere.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// TextOpenFlags bits.
constexpr uint32_t kTextAppend = 0x01;
constexpr uint32_t kTextWrite = 0x02;        // create or truncate; wins over kTextAppend
constexpr uint32_t kTextCreateFolder = 0x08;
constexpr uint32_t kTextBinary = 0x10;
constexpr uint32_t kTextUtf16Le = 0x20;
constexpr uint32_t kTextUnicode = 0x40;
constexpr uint32_t kTextUtf8 = 0x80;
constexpr uint32_t kTextUnicodeAlone = 0x100;  // only when the whole word equals it
constexpr uint32_t kTextDeepGuess = 0x4000;

// Encoding values, as DetectTextEncoding gives them and ReadWholeText takes them.
constexpr uint32_t kEncodingUtf16Le = 0x20;
constexpr uint32_t kEncodingUtf16Be = 0x40;
constexpr uint32_t kEncodingUtf8 = 0x80;
constexpr uint32_t kEncodingUnicodeNoMark = 0x100;
constexpr uint32_t kEncodingSingleByte = 0;
constexpr uint32_t kEncodingUnreadable = 0xFFFFFFFF;

// How the stream turns code units into bytes.
enum class StreamEncoding { Bytes, Utf16Le, Utf8 };

// An open text file: the handle, the stream's encoding and mode, and the write buffer.
struct TextFile {
  HANDLE Handle = INVALID_HANDLE_VALUE;
  StreamEncoding Encoding = StreamEncoding::Bytes;
  bool TextMode = true;
  bool Append = false;
  std::vector<char> Pending;  // bytes written but not yet handed to the system
};

void CloseTextFile(TextFile* file);
struct TextFileCloser {
  void operator()(TextFile* file) const { CloseTextFile(file); }
};
using UniqueTextFile = std::unique_ptr<TextFile, TextFileCloser>;

// The mode string the flag word names, such as "w+,ccs=UTF-16LE" (empty suffix when no
// encoding bit is set).
std::wstring TextModeString(uint32_t flags);

// Opens path as the flag word says. With no encoding bit the encoding is guessed and the guess
// replaces the flags. False when the folder cannot be made or the open is refused; the file
// reference then holds nothing.
bool OpenTextFile(uint32_t* flags, UniqueTextFile& file, const std::wstring& path);

// Appends the text's code units; write errors are not reported.
void WriteText(std::wstring_view text, TextFile* file);

// Hands buffered bytes to the system; true when all of them were written.
bool FlushTextFile(TextFile* file);

// The whole file from its first byte, decoded by the encoding value.
std::wstring ReadWholeText(TextFile* file, uint32_t encoding);

uint32_t DetectTextEncoding(const std::wstring& path, bool deep);
