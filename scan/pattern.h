// The keyword pattern: "|"-separated keywords with "*" and "?", turned into an expression in
// the ECMAScript grammar that ignores letter case and is searched against a file name, ending
// at its end. The expression is run by an automaton whose cost is linear in the name's length
// times the expression's, since a backtracking engine is exponential on patterns with several
// wildcards and the scan runs on the window's thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct PatternMatcher {
  std::wstring Expression;  // such as "(\.exe|\.dll)$"; ".*" for an empty keyword text
  // The automaton reads the name backwards from its end, where the expression is anchored.
  // Alternative a owns the states Base(a) + j, j = 0..k: j of its k items matched so far.
  bool Anchored = true;            // false only for an expression without the final "$"
  uint32_t WordCount = 0;          // 64-bit words per state set
  std::vector<uint64_t> Start;     // every alternative with nothing matched, closed over skips
  std::vector<uint64_t> Accept;    // every alternative with all its items matched
  std::vector<uint64_t> Repeat;    // states whose next item may match again ("*")
  std::vector<uint64_t> AnyMask;   // states whose next item is "."
  std::vector<std::vector<uint64_t>> SkipLevels;  // [L]: states from which 2^L items can be skipped
  std::vector<wchar_t> Literals;   // sorted folded literal characters beyond ASCII
  std::vector<uint64_t> LiteralMasks;  // WordCount words per entry of Literals
  std::vector<uint64_t> AsciiMatch;    // WordCount words per folded ASCII code unit: states it advances
  mutable std::vector<uint64_t> Scratch;  // state sets of one call; the scan has one thread
};

// Builds the matcher for a keyword text. Every keyword text compiles.
PatternMatcher CompilePattern(std::wstring_view keywords);

// Whether the expression is found in the name, ending at its end, letter case folded as file
// names are compared. A null name never matches.
bool MatchesPattern(const PatternMatcher& matcher, const wchar_t* name);
bool MatchesPattern(const PatternMatcher& matcher, std::wstring_view name);
