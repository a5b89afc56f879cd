// The keyword pattern: what it matches, and the automaton against the standard library's
// regular expressions on the same expression text.
#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <string>

#include "scan/pattern.h"
#include "support/files.h"

namespace {

TEST(Pattern, MatchesByTheKeywordRules) {
  const std::wstring run(300, L'?');
  const struct {
    std::wstring Keywords, Name;
    bool Matches;
  } cases[] = {
      {L"", L"anything.bin", true}, {L"", L"", true}, {L".exe|", L"x.txt", true}, {L"|.exe", L"x.txt", true},
      {L".exe", L"setup.EXE", true}, {L".exe", L"a.exe.txt", false}, {L".exe", L"aexe", false},
      {L"exe", L"Fexe", true}, {L"exe", L"exe.txt", false}, {L"setup*", L"mysetup.msi", true},
      {L"setup*", L"setu.exe", false}, {L"a?c", L"xac", true}, {L"a?c", L"abc", true}, {L"a?c", L"abbc", false},
      {L"*.txt", L"notes.txt.exe", false}, {L"*", L"", true}, {L"report(1).doc", L"report(1.doc", true},
      {L"report(1).doc", L"report(1)).doc", true}, {L"report(1).doc", L"report1.doc", false},
      {L"a+b", L"aab", false}, {L"a{2}", L"aa", false}, {L"[ab]", L"a", false}, {L"^a", L"x^a", true},
      {L"^a", L"a", false}, {L"a$", L"a", false}, {L"dir\\name.exe", L"name.exe", false},
      {L".exe|.dll", L"lib.DLL", true}, {L".exe|.dll", L"lib.dl", false}, {L" x", L"ax", false},
      {L"a?b", L"a\nb", false}, {L"a*b", L"a\x2028xb", false}, {L"?x", L"\xD83D\xDE00x", true},
      {L"\x00C9t\x00C9.txt", L"\x00E9t\x00E9.TXT", true}, {L"\x0436*", L"\x0416URNAL.log", true},
      {L"\x03C3", L"x\x03A3", true}, {L"\x00E9", L"e", false}, {L"*.ZIP", L"a.zip", true},
      {L"*a*a*a*a*a*a*b", L"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
      // A long run of optional items closes over all of them.
      {run + L"z", L"z", true}, {L"q" + run + L"z", L"q" + std::wstring(300, L'w') + L"z", true},
      {L"q" + run + L"z", L"q" + std::wstring(301, L'w') + L"z", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchesPattern(CompilePattern(c.Keywords), c.Name.c_str()), c.Matches)
        << "keywords " << Printable(c.Keywords) << ", name " << Printable(c.Name);
  }
  EXPECT_FALSE(MatchesPattern(CompilePattern(L""), static_cast<const wchar_t*>(nullptr)));
}

std::wstring RandomText(std::mt19937& random, const std::wstring& alphabet, size_t maxLength, int maxWildcards) {
  std::wstring text;
  int wildcards = 0;
  for (size_t length = random() % (maxLength + 1); text.size() < length;) {
    const wchar_t c = alphabet[random() % alphabet.size()];
    // Few wildcards keep the backtracking oracle fast.
    if ((c != L'*' && c != L'?') || ++wildcards <= maxWildcards) text += c;
  }
  return text;
}

// Random patterns of every escaped metacharacter, "|", both wildcards and both cases of the
// letters at the ends of the alphabet with the characters just outside them, some longer than
// one 64-bit word of states: the automaton and std::wregex on the same expression agree
// wherever the standard engine answers.
TEST(Pattern, AgreesWithTheStandardEngine) {
  std::mt19937 random(1321);
  long compared = 0, matched = 0;
  for (int round = 0; round < 6600; ++round) {
    std::wstring keywords = RandomText(random, L"\\.*?+(){}[]^$|aAbBzZ@`.x", 12, 4);
    while (round % 11 == 0 && keywords.size() < 90) keywords += L"|" + RandomText(random, L"abc.()|*?", 10, 4);
    const PatternMatcher matcher = CompilePattern(keywords);
    std::wregex oracle;
    try {
      oracle = std::wregex(matcher.Expression, std::regex::ECMAScript | std::regex::icase);
    } catch (const std::regex_error&) {
      continue;
    }
    for (int n = 0; n < 4; ++n) {
      std::wstring name = RandomText(random, L"\\.+(){}[]^$aAbBzZ@`x ", 16, 0);
      if (random() % 2) name += RandomText(random, L"abcABC.()", 3, 0) + keywords.substr(keywords.size() / 2);
      const bool expected = std::regex_search(name, oracle);
      ++compared, matched += expected;
      ASSERT_EQ(MatchesPattern(matcher, name), expected) << "keywords " << Printable(keywords) << ", name " << Printable(name);
    }
  }
  EXPECT_GT(compared, 20000);
  EXPECT_GT(matched, compared / 10);
  EXPECT_LT(matched, compared * 9 / 10);
}

}  // namespace
