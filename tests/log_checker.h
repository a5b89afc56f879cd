// A strict reader of finished results logs: it takes a log apart by the layout rules (byte
// format, header, legend, result lines, recent-folders section, footer) and names the first
// place where the bytes depart from them. Every whole-scan test runs it on what it gets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One result line taken apart; a field the legend does not name stays empty.
struct CheckedFileLine {
  std::wstring Date;
  std::wstring Letters;
  std::wstring Path;
  std::wstring Description;
  std::wstring Size;
  std::wstring Hash;
  std::wstring Publisher;
};

// What a log says. Error is empty when the log keeps every rule; otherwise it names the first
// deviation, with the line and what was expected there.
struct CheckedLog {
  std::string Error;
  std::wstring Pattern;  // the header's values, as typed
  std::wstring Root;
  std::wstring MaxAge;
  bool Completed = false;
  uint64_t Analyzed = 0;
  std::vector<CheckedFileLine> Files;
  std::vector<std::wstring> Folders;  // the paths of the folder lines
};

CheckedLog CheckLog(const std::vector<unsigned char>& bytes);
CheckedLog CheckLogFile(const std::wstring& path);
