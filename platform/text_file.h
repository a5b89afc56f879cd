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

// The two flag words the tool opens its files with: kTextUtf16Le to read one back, and
// kTextWrite | kTextUtf16Le to create or truncate one.
constexpr uint32_t kTextWrite = 0x02;
constexpr uint32_t kTextUtf16Le = 0x20;
// The one encoding ReadWholeText reads.
constexpr uint32_t kEncodingUtf16Le = 0x20;

// An open text file: the handle and the code units written but not yet handed to the system, in
// a room of fixed size taken when the file is opened for writing, so that writing takes no
// memory. Windows holds its texts in UTF-16LE, the files' own encoding: units go out as they are.
// A write that fails or comes up short (a full disk, a vanished share) is remembered: the file is
// cut back to the end of its last whole line, and nothing more is written to it, so that what is
// on disk is whole lines in the order they were written, with none missing between them.
struct TextFile {
  static constexpr size_t kRoomUnits = 128 * 1024;  // flushed when a text would not fit
  HANDLE Handle = INVALID_HANDLE_VALUE;
  std::unique_ptr<wchar_t[]> Pending;
  size_t PendingUnits = 0;
  uint64_t FileBytes = 0;   // bytes handed to the system and written
  uint64_t WholeBytes = 0;  // of those, the bytes up to the end of the last whole line (or the mark)
  bool Lost = false;        // a write failed or came up short; later texts are dropped
};

void CloseTextFile(TextFile* file);
struct TextFileCloser {
  void operator()(TextFile* file) const { CloseTextFile(file); }
};
using UniqueTextFile = std::unique_ptr<TextFile, TextFileCloser>;

// Opens path as the flag word says; a file opened for writing starts with the byte-order mark.
// False when the open is refused, the file to write is read-only, or what opened is no file on
// disk (a device such as NUL, a console, a pipe); the file reference then holds nothing.
bool OpenTextFile(const uint32_t* flags, UniqueTextFile& file, const std::wstring& path);

// Appends the texts' code units, one text after the other, as the text of their concatenation;
// dropped once a write of the file was lost (file->Lost tells). A line made of pieces is written
// without being put together first.
void WriteTexts(const std::wstring_view* texts, size_t count, TextFile* file);
inline void WriteText(std::wstring_view text, TextFile* file) { WriteTexts(&text, 1, file); }

// Writes the text and hands it to the system at once, even after a lost write: the closing
// lines that say what became of the scan land if the room a cut-back freed can take them. True
// when all of it landed; a closing text that does not fit is cut back to its whole lines.
bool WriteClosingText(std::wstring_view text, TextFile* file);

// Hands buffered bytes to the system; true when all of them were written. A failed or short
// write marks the file lost and cuts it back to its last whole line.
bool FlushTextFile(TextFile* file);

// The whole file (open) from its first byte, without its mark, in the encoding kEncodingUtf16Le
// names.
std::wstring ReadWholeText(TextFile* file, uint32_t encoding);
