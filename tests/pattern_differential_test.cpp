// The pattern automaton against the standard library's regular expressions on the same
// expression text: they must agree wherever the standard engine answers.
#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <string>

#include "scan/pattern.h"
#include "temp_folder.h"

namespace {

std::wstring RandomText(std::mt19937& random, const std::wstring& alphabet, size_t maxLength) {
  std::wstring text;
  const size_t length = random() % (maxLength + 1);
  for (size_t i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
  return text;
}

// Keeps the backtracking oracle fast: few wildcards per pattern.
std::wstring RandomKeywords(std::mt19937& random, const std::wstring& alphabet, size_t maxLength) {
  std::wstring text;
  int wildcards = 0;
  const size_t length = random() % (maxLength + 1);
  while (text.size() < length) {
    wchar_t c = alphabet[random() % alphabet.size()];
    if ((c == L'*' || c == L'?') && ++wildcards > 4) continue;
    text += c;
  }
  return text;
}

struct Tally {
  long Compared = 0;
  long Matched = 0;
};

void Compare(const std::wstring& keywords, const std::wstring& name, Tally& tally) {
  const PatternMatcher matcher = CompilePattern(keywords);
  bool expected = false;
  try {
    const std::wregex oracle(matcher.Expression, std::regex::ECMAScript | std::regex::icase);
    expected = std::regex_search(name, oracle);
  } catch (const std::regex_error&) {
    return;  // the oracle gave up; nothing to compare
  }
  ++tally.Compared;
  tally.Matched += expected ? 1 : 0;
  ASSERT_EQ(MatchesPattern(matcher, name), expected)
      << "keywords \"" << Printable(keywords) << "\" expression \"" << Printable(matcher.Expression)
      << "\" name \"" << Printable(name) << "\"";
}

TEST(PatternDifferential, AgreesWithTheStandardEngineOnRandomPatterns) {
  // Every escaped metacharacter, "|", both wildcards, upper and lower case.
  const std::wstring keywordAlphabet = L"\\.*?+(){}[]^$|aAbBcC.x";
  const std::wstring nameAlphabet = L"\\.+(){}[]^$aAbBcCx ";
  std::mt19937 random(1321);
  Tally tally;
  for (int round = 0; round < 6000; ++round) {
    const std::wstring keywords = RandomKeywords(random, keywordAlphabet, 12);
    for (int n = 0; n < 4; ++n) {
      std::wstring name = RandomText(random, nameAlphabet, 16);
      // Half of the names end with a piece of the pattern so that matches are common.
      if (random() % 2) name += RandomText(random, L"abcABC.()", 3) + keywords.substr(keywords.size() / 2);
      Compare(keywords, name, tally);
      if (HasFatalFailure()) return;
    }
  }
  EXPECT_GT(tally.Compared, 20000);
  EXPECT_GT(tally.Matched, tally.Compared / 10);
  EXPECT_LT(tally.Matched, tally.Compared * 9 / 10);
}

TEST(PatternDifferential, AgreesOnPatternsLongerThanOneStateWord) {
  const std::wstring keywordAlphabet = L"abc.()|*?";
  const std::wstring nameAlphabet = L"abcABC.()";
  std::mt19937 random(4096);
  Tally tally;
  for (int round = 0; round < 600; ++round) {
    std::wstring keywords;
    while (keywords.size() < 90) keywords += RandomKeywords(random, keywordAlphabet, 10) + L"|";
    keywords.pop_back();
    for (int n = 0; n < 5; ++n) {
      Compare(keywords, RandomText(random, nameAlphabet, 20), tally);
      if (HasFatalFailure()) return;
    }
  }
  EXPECT_GT(tally.Compared, 2000);
  EXPECT_GT(tally.Matched, 0);
}

}  // namespace
