// The log's byte format through the text-file layer, checked on the bytes on disk.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text_file.h"
#include "temp_folder.h"

namespace {

std::vector<unsigned char> Bytes(std::initializer_list<int> values) {
  std::vector<unsigned char> bytes;
  for (int v : values) bytes.push_back(static_cast<unsigned char>(v));
  return bytes;
}

std::vector<unsigned char> Concat(std::vector<unsigned char> a, const std::vector<unsigned char>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::wstring WriteThenReadBack(const std::wstring& path, const std::vector<std::wstring>& texts) {
  UniqueTextFile file;
  uint32_t flags = 0x22;
  EXPECT_TRUE(OpenTextFile(&flags, file, path));
  for (const std::wstring& text : texts) WriteText(text, file.get());
  file.reset();
  flags = 0x20;
  EXPECT_TRUE(OpenTextFile(&flags, file, path));
  return ReadWholeText(file.get(), 0x20);
}

TEST(TextModeString, NamesModeAndEncodingFromTheFlagWord) {
  const struct {
    uint32_t Flags;
    const wchar_t* Mode;
  } cases[] = {
      {0x22, L"w+,ccs=UTF-16LE"}, {0x20, L"r,ccs=UTF-16LE"}, {0x00, L"r"},        {0x01, L"a+"},
      {0x03, L"w+"},              {0x11, L"a+b"},            {0x12, L"w+b"},      {0x10, L"rb"},
      {0x42, L"w+,ccs=UNICODE"},  {0x100, L"r,ccs=UNICODE"}, {0x101, L"a+"},      {0x82, L"w+,ccs=UTF-8"},
      {0xE0, L"r,ccs=UTF-16LE"},  {0xC0, L"r,ccs=UNICODE"},
  };
  for (const auto& c : cases) EXPECT_EQ(TextModeString(c.Flags), c.Mode) << std::hex << c.Flags;
}

TEST(TextFile, NewLogStartsWithMarkAndDoublesCarriageReturns) {
  TempFolder folder;
  const std::wstring path = folder / L"log.txt";
  UniqueTextFile file;
  uint32_t flags = 0x22;
  ASSERT_TRUE(OpenTextFile(&flags, file, path));
  WriteText(L"A\r\n", file.get());
  WriteText(L"B\n", file.get());
  file.reset();
  EXPECT_EQ(ReadBytes(path), Bytes({0xFF, 0xFE, 'A', 0, '\r', 0, '\r', 0, '\n', 0, 'B', 0, '\r', 0, '\n', 0}));
}

TEST(TextFile, ReadsBackExactlyWhatWasWritten) {
  TempFolder folder;
  const std::vector<std::wstring> texts = {L"\t### header ###\r\n\r\n", L"<RecentFiles> | x", L"\r\n",
                                           L"emoji \xD83D\xDE00 and \x4E2D\x6587\r\n", L"no line end"};
  std::wstring all;
  for (const std::wstring& t : texts) all += t;
  EXPECT_EQ(WriteThenReadBack(folder / L"round.txt", texts), all);
}

TEST(TextFile, OpeningForWritingTruncatesAndWritesAFreshMark) {
  TempFolder folder;
  const std::wstring path = folder / L"log.txt";
  WriteThenReadBack(path, {std::wstring(5000, L'x')});
  UniqueTextFile file;
  uint32_t flags = 0x22;
  ASSERT_TRUE(OpenTextFile(&flags, file, path));
  WriteText(L"y", file.get());
  file.reset();
  EXPECT_EQ(ReadBytes(path), Bytes({0xFF, 0xFE, 'y', 0}));
}

TEST(TextFile, NothingBufferedIsLostOnClose) {
  TempFolder folder;
  const std::wstring path = folder / L"big.txt";
  std::vector<std::wstring> lines;
  std::wstring expected;
  for (int i = 0; i < 200000; ++i) {
    lines.push_back(L"<RecentFiles> | line " + std::to_wstring(i) + L"\r\n");
    expected += lines.back();
  }
  lines.push_back(std::wstring(300000, L'z'));  // one text larger than the write buffer
  expected += lines.back();
  EXPECT_EQ(WriteThenReadBack(path, lines), expected);
  // Every LF got its extra CR on disk: mark + units + one CR per line.
  EXPECT_EQ(ReadBytes(path).size(), 2 + 2 * (expected.size() + 200000));
}

TEST(TextFile, ReadingStopsAtSubstituteCharacter) {
  TempFolder folder;
  const std::wstring path = folder / L"eof.txt";
  ASSERT_TRUE(WriteBytes(path, Concat(Bytes({0xFF, 0xFE}), Utf16Bytes(L"ab\r\ncd\x1A" L"ef"))));
  UniqueTextFile file;
  uint32_t flags = 0x20;
  ASSERT_TRUE(OpenTextFile(&flags, file, path));
  EXPECT_EQ(ReadWholeText(file.get(), 0x20), L"ab\ncd");
}

TEST(TextFile, MarksDecideTheEncodingAtTheOpen) {
  TempFolder folder;
  UniqueTextFile file;
  uint32_t flags = 0x20;
  const std::wstring bigEndian = folder / L"be.txt";
  ASSERT_TRUE(WriteBytes(bigEndian, Bytes({0xFE, 0xFF, 0, 'a'})));
  EXPECT_FALSE(OpenTextFile(&flags, file, bigEndian));
  EXPECT_EQ(file, nullptr);

  const std::wstring utf8 = folder / L"utf8.txt";
  ASSERT_TRUE(WriteBytes(utf8, std::string("\xEF\xBB\xBF" "caf\xC3\xA9\r\nx")));
  flags = 0x20;
  ASSERT_TRUE(OpenTextFile(&flags, file, utf8));
  EXPECT_EQ(ReadWholeText(file.get(), 0x20), L"caf\x00E9\nx");

  flags = 0x80;
  ASSERT_TRUE(OpenTextFile(&flags, file, utf8));
  EXPECT_EQ(ReadWholeText(file.get(), 0x80), L"caf\x00E9\nx");
}

TEST(TextFile, DecodesEachEncodingValue) {
  TempFolder folder;
  UniqueTextFile file;
  const std::wstring be = folder / L"be.bin";
  ASSERT_TRUE(WriteBytes(be, Bytes({0xFE, 0xFF, 0, 'h', 0, 'i'})));
  uint32_t flags = 0x10;  // binary, encoding guessed
  ASSERT_TRUE(OpenTextFile(&flags, file, be));
  EXPECT_EQ(flags, kEncodingUtf16Be);
  EXPECT_EQ(ReadWholeText(file.get(), flags), L"hi");

  const std::wstring ansi = folder / L"ansi.txt";
  ASSERT_TRUE(WriteBytes(ansi, std::string("plain\r\ntext")));
  flags = 0;
  ASSERT_TRUE(OpenTextFile(&flags, file, ansi));
  EXPECT_EQ(flags, kEncodingSingleByte);
  EXPECT_EQ(ReadWholeText(file.get(), flags), L"plain\ntext");
}

TEST(TextFile, CreatesOneMissingFolderOnlyWhenAsked) {
  TempFolder folder;
  UniqueTextFile file;
  uint32_t flags = 0x22;
  EXPECT_FALSE(OpenTextFile(&flags, file, folder / L"missing\\log.txt"));
  EXPECT_EQ(GetFileAttributesW((folder / L"missing").c_str()), INVALID_FILE_ATTRIBUTES);

  flags = 0x2A;
  EXPECT_TRUE(OpenTextFile(&flags, file, folder / L"missing\\log.txt"));
  file.reset();
  EXPECT_NE(GetFileAttributesW((folder / L"missing\\log.txt").c_str()), INVALID_FILE_ATTRIBUTES);

  flags = 0x2A;
  EXPECT_FALSE(OpenTextFile(&flags, file, folder / L"a\\b\\log.txt"));  // parents are never made
  flags = 0x2A;
  EXPECT_FALSE(OpenTextFile(&flags, file, L"bare-name.txt"));
  EXPECT_EQ(GetFileAttributesW(L"bare-name.txt"), INVALID_FILE_ATTRIBUTES);
}

TEST(TextFile, RefusesWhatCannotBeOpened) {
  TempFolder folder;
  UniqueTextFile file;
  uint32_t flags = 0x20;
  EXPECT_FALSE(OpenTextFile(&flags, file, folder / L"absent.txt"));
  flags = 0x22;
  EXPECT_FALSE(OpenTextFile(&flags, file, folder.Path));  // a folder
  const std::wstring readOnly = folder / L"ro.txt";
  ASSERT_TRUE(WriteBytes(readOnly, std::string("x")));
  ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
  flags = 0x22;
  EXPECT_FALSE(OpenTextFile(&flags, file, readOnly));
  EXPECT_EQ(file, nullptr);
  WriteText(L"ignored", nullptr);  // writing to no file is harmless
  EXPECT_EQ(ReadWholeText(nullptr, 0x20), L"");
}

TEST(DetectTextEncoding, TellsTheEncodingFromTheFirstBytes) {
  TempFolder folder;
  const struct {
    const wchar_t* Name;
    std::vector<unsigned char> Content;
    uint32_t Expected;
  } cases[] = {
      {L"empty", {}, kEncodingUnreadable},
      {L"le", Bytes({0xFF, 0xFE, 'a', 0}), kEncodingUtf16Le},
      {L"be", Bytes({0xFE, 0xFF, 0, 'a'}), kEncodingUtf16Be},
      {L"utf8", Bytes({0xEF, 0xBB, 0xBF, 'a'}), kEncodingUtf8},
      {L"ascii", Bytes({'p', 'l', 'a', 'i', 'n', ' ', 't', 'e', 'x', 't'}), kEncodingSingleByte},
      {L"unmarked", Utf16Bytes(L"unmarked utf-16 text here"), kEncodingUnicodeNoMark},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(WriteBytes(folder / c.Name, c.Content));
    EXPECT_EQ(DetectTextEncoding(folder / c.Name, false), c.Expected) << Printable(c.Name);
  }
  EXPECT_EQ(DetectTextEncoding(folder / L"absent", false), kEncodingUnreadable);
}

}  // namespace
