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

// Replaces every non-overlapping occurrence of a non-empty find text, scanning left to right.
std::wstring ReplaceAll(std::wstring_view text, std::wstring_view find, std::wstring_view replacement);

// The expression text a keyword text compiles to, such as "(\.exe|\.dll)$"; ".*" when empty.
std::wstring PatternExpression(std::wstring_view keywords);

// One step of an alternative, in the order the expression writes them.
struct PatternItem {
  wchar_t Literal;  // folded character; unused when AnyCharacter
  bool AnyCharacter;  // "." : every code unit but CR and LF
  bool Repeat;        // followed by "*"
  bool Optional;      // followed by "?"
};

struct PatternMatcher {
  std::wstring Expression;
  // States are numbered per alternative from the end of the name backwards: bit base+0 waits
  // for the alternative's last item, bit base+k has matched all k items.
  uint32_t StateCount = 0;
  uint32_t WordCount = 0;
  std::vector<uint64_t> Start;        // every alternative before its last item, closed over skips
  std::vector<uint64_t> Accept;       // every alternative fully matched
  std::vector<uint64_t> Repeat;       // states whose item may match again
  std::vector<uint64_t> AnyMask;      // states whose item is "."
  std::vector<std::vector<uint64_t>> SkipLevels;  // states from which 1, 2, 4 ... items can be skipped
  std::vector<wchar_t> Literals;      // sorted folded literal characters
  std::vector<std::vector<uint64_t>> LiteralMasks;  // states whose item is that literal
  std::vector<uint16_t> AsciiClass;   // folded ASCII code unit -> index into LiteralMasks + 1, 0 none
  bool MatchesEverything = false;     // the start already accepts
  mutable std::vector<uint64_t> Scratch;
};

// Builds the matcher for a keyword text. Every keyword text compiles.
PatternMatcher CompilePattern(std::wstring_view keywords);

// Compiles an expression of the form PatternExpression produces.
PatternMatcher CompileExpression(std::wstring_view expression);

// Whether the expression is found in the name, ending at its end. A null name never matches.
bool MatchesPattern(const PatternMatcher& matcher, const wchar_t* name);
bool MatchesPattern(const PatternMatcher& matcher, std::wstring_view name);

// Case folding as file names are compared: ordinal upper case (A-Z for a-z, and beyond ASCII the
// system's locale-independent upper-casing).
wchar_t FoldCase(wchar_t c);
