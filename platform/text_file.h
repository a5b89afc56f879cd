// The tool's own text files (the log and the recent-folders list): UTF-16LE with a byte-order
// mark, written and read in text mode (a CR before every LF on writing, CR LF back to LF on
// reading, U+001A ends the data). The bytes are produced here rather than by the C runtime so
// that they are the same everywhere.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The two flag words the tool opens its files with: kTextUtf16Le to read one back, and
// kTextWrite | kTextUtf16Le to create or truncate one.
constexpr uint32_t kTextWrite = 0x02;
constexpr uint32_t kTextUtf16Le = 0x20;
// The one encoding ReadWholeText reads.
constexpr uint32_t kEncodingUtf16Le = 0x20;

// An open text file: the handle and the bytes written but not yet handed to the system.
struct TextFile {
  HANDLE Handle = INVALID_HANDLE_VALUE;
  std::vector<char> Pending;
};

void CloseTextFile(TextFile* file);
struct TextFileCloser {
  void operator()(TextFile* file) const { CloseTextFile(file); }
};
using UniqueTextFile = std::unique_ptr<TextFile, TextFileCloser>;

// Opens path as the flag word says; a file opened for writing starts with the byte-order mark.
// False when the open is refused, or the file to write is read-only; the file reference then
// holds nothing.
bool OpenTextFile(const uint32_t* flags, UniqueTextFile& file, const std::wstring& path);

// Appends the text's code units; write errors are not reported.
void WriteText(std::wstring_view text, TextFile* file);

// Hands buffered bytes to the system; true when all of them were written.
bool FlushTextFile(TextFile* file);

// The whole file from its first byte, without its mark, in the encoding kEncodingUtf16Le names.
std::wstring ReadWholeText(TextFile* file, uint32_t encoding);
