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
  wchar_t Literal = 0;        // folded character; unused when AnyCharacter
  bool AnyCharacter = false;  // ".": every code unit but the line terminators
  bool Repeat = false;        // followed by "*"
  bool Optional = false;      // followed by "?"
};

// The alternatives of an expression, each as its items; Anchored tells whether it ends in "$".
std::vector<std::vector<PatternItem>> ParseExpression(std::wstring_view expression, bool& anchored);

struct PatternMatcher {
  std::wstring Expression;
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

// Compiles an expression of the form PatternExpression produces.
PatternMatcher CompileExpression(std::wstring_view expression);

// Whether the expression is found in the name, ending at its end. A null name never matches.
bool MatchesPattern(const PatternMatcher& matcher, const wchar_t* name);
bool MatchesPattern(const PatternMatcher& matcher, std::wstring_view name);

// Case folding as file names are compared: ordinal upper case (A-Z for a-z, and beyond ASCII the
// system's locale-independent upper-casing).
wchar_t FoldCase(wchar_t c);
