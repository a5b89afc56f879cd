// The keyword pattern: the expression text it compiles to, and what it matches.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "scan/pattern.h"
#include "temp_folder.h"

namespace {

struct ExpressionCase {
  const wchar_t* Keywords;
  const wchar_t* Expression;
};

TEST(PatternExpression, BuildsTheExpressionTextStepByStep) {
  const ExpressionCase cases[] = {
      {L".exe|.dll|.com|.vbs|.cmd|.bat|.reg|.sys|.vbe|.scr",
       L"(\\.exe|\\.dll|\\.com|\\.vbs|\\.cmd|\\.bat|\\.reg|\\.sys|\\.vbe|\\.scr)$"},
      {L"", L".*"},
      {L")", L"(\\)*)$"},
      {L"report(1).doc", L"(report\\(1\\)*\\.doc)$"},
      {L"a\\b", L"(a\\\\b)$"},
      {L"*.txt", L"(.*\\.txt)$"},
      {L"a?c", L"(a.?c)$"},
      {L"+({}[]^$", L"(\\+\\(\\{\\}\\[\\]\\^\\$)$"},
      {L"|", L"(|)$"},
      {L" x ", L"( x )$"},
      // Backslashes and dots inserted by later steps are not escaped again.
      {L"\\.*", L"(\\\\\\..*)$"},
  };
  for (const ExpressionCase& c : cases) {
    EXPECT_EQ(PatternExpression(c.Keywords), c.Expression) << Printable(c.Keywords);
    EXPECT_EQ(CompilePattern(c.Keywords).Expression, c.Expression) << Printable(c.Keywords);
  }
}

TEST(ReplaceAll, ReplacesNonOverlappingOccurrencesLeftToRight) {
  EXPECT_EQ(ReplaceAll(L"abc", L"x", L"y"), L"abc");
  EXPECT_EQ(ReplaceAll(L"aaa", L"aa", L"b"), L"ba");
  EXPECT_EQ(ReplaceAll(L"aa", L"a", L"aa"), L"aaaa");  // the inserted text is not scanned again
  EXPECT_EQ(ReplaceAll(L"a.b.", L".", L"\\."), L"a\\.b\\.");
  EXPECT_EQ(ReplaceAll(L"abc", L"", L"x"), L"abc");
  EXPECT_EQ(ReplaceAll(L"", L"a", L"x"), L"");
}

struct MatchCase {
  const wchar_t* Keywords;
  const wchar_t* Name;
  bool Matches;
};

TEST(MatchesPattern, FollowsTheKeywordRules) {
  const MatchCase cases[] = {
      {L"", L"anything.bin", true},
      {L"", L"", true},
      {L"|", L"x.txt", true},
      {L".exe|", L"x.txt", true},
      {L"|.exe", L"x.txt", true},
      {L".exe||.dll", L"x.txt", true},
      {L".exe", L"setup.EXE", true},
      {L".exe", L"a.exe", true},
      {L".exe", L"a.exe.txt", false},
      {L".exe", L"aexe", false},
      {L"exe", L"notepad.exe", true},
      {L"exe", L"exe", true},
      {L"exe", L"Fexe", true},
      {L"exe", L"exe.txt", false},
      {L"setup*", L"mysetup.msi", true},
      {L"setup*", L"Setup.exe", true},
      {L"setup*", L"setu.exe", false},
      {L"a?c", L"xac", true},
      {L"a?c", L"abc", true},
      {L"a?c", L"abbc", false},
      {L"*.txt", L"notes.txt", true},
      {L"*.txt", L"notes.txt.exe", false},
      {L"*", L"whatever", true},
      {L"*", L"", true},
      {L"report(1).doc", L"report(1).doc", true},
      {L"report(1).doc", L"report(1.doc", true},
      {L"report(1).doc", L"report(1)).doc", true},
      {L"report(1).doc", L"report1.doc", false},
      {L"a+b", L"xa+b", true},
      {L"a+b", L"aab", false},
      {L"a{2}", L"a{2}", true},
      {L"a{2}", L"aa", false},
      {L"[ab]", L"x[ab]", true},
      {L"[ab]", L"a", false},
      {L"^a", L"x^a", true},
      {L"^a", L"a", false},
      {L"a$", L"a$", true},
      {L"a$", L"a", false},
      {L"dir\\name.exe", L"name.exe", false},
      {L".txt", L"README.TXT", true},
      {L"READ*", L"readme.md", true},
      {L".exe|.dll", L"lib.DLL", true},
      {L".exe|.dll", L"lib.dl", false},
      {L" x", L"a x", true},
      {L" x", L"ax", false},
      // "." stands for any character but a line terminator, one code unit at a time.
      {L"a?b", L"a\nb", false},
      {L"a*b", L"a\x2028xb", false},
      {L"a?b", L"\xD83D\xDE00" L"ab", true},
      {L"?x", L"\xD83D\xDE00x", true},
  };
  for (const MatchCase& c : cases) {
    const PatternMatcher matcher = CompilePattern(c.Keywords);
    EXPECT_EQ(MatchesPattern(matcher, c.Name), c.Matches)
        << "keywords \"" << Printable(c.Keywords) << "\" name \"" << Printable(c.Name) << "\"";
  }
}

TEST(MatchesPattern, AbsentNameNeverMatches) {
  EXPECT_FALSE(MatchesPattern(CompilePattern(L""), static_cast<const wchar_t*>(nullptr)));
  EXPECT_FALSE(MatchesPattern(CompilePattern(L"*"), static_cast<const wchar_t*>(nullptr)));
}

TEST(MatchesPattern, IgnoresCaseBeyondAsciiAsFileNamesDo) {
  EXPECT_TRUE(MatchesPattern(CompilePattern(L"\x00C9t\x00C9.txt"), L"\x00E9t\x00E9.TXT"));   // ÉtÉ / été
  EXPECT_TRUE(MatchesPattern(CompilePattern(L"\x0436*"), L"\x0416URNAL.log"));               // ж / Ж
  EXPECT_TRUE(MatchesPattern(CompilePattern(L"\x03C3"), L"x\x03A3"));                        // σ / Σ
  EXPECT_FALSE(MatchesPattern(CompilePattern(L"\x00E9"), L"e"));
  EXPECT_EQ(FoldCase(L'\x00E9'), L'\x00C9');
  EXPECT_EQ(FoldCase(L'a'), L'A');
  EXPECT_EQ(FoldCase(L'['), L'[');
  EXPECT_EQ(FoldCase(L'\xD83D'), L'\xD83D');
}

TEST(MatchesPattern, LongPatternsUseManyStateWords) {
  // 40 alternatives of 6 items each: several 64-bit words of states.
  std::wstring keywords;
  for (int i = 0; i < 40; ++i) {
    if (i) keywords += L"|";
    keywords += L".x" + std::to_wstring(100 + i) + L"*";
  }
  const PatternMatcher matcher = CompilePattern(keywords);
  EXPECT_GT(matcher.WordCount, 1u);
  EXPECT_TRUE(MatchesPattern(matcher, L"file.x139-tail"));
  EXPECT_TRUE(MatchesPattern(matcher, L"FILE.X100"));
  EXPECT_FALSE(MatchesPattern(matcher, L"file.x140"));
  EXPECT_FALSE(MatchesPattern(matcher, L"file.y139"));
}

TEST(MatchesPattern, PathologicalPatternsAnswerCorrectly) {
  const std::wstring forty(40, L'a');
  EXPECT_TRUE(MatchesPattern(CompilePattern(std::wstring(14, L'?') + L"x"), forty + L"x"));
  EXPECT_FALSE(MatchesPattern(CompilePattern(std::wstring(14, L'?') + L"x"), forty));
  EXPECT_FALSE(MatchesPattern(CompilePattern(std::wstring(18, L'?') + L"x"), forty));
  EXPECT_FALSE(MatchesPattern(CompilePattern(L"*a*a*a*a*a*a*b"), std::wstring(60, L'a')));
  EXPECT_TRUE(MatchesPattern(CompilePattern(L"*a*a*a*a*a*a*b"), std::wstring(60, L'a') + L"b"));
  EXPECT_FALSE(MatchesPattern(CompilePattern(L"*a*a*a*a*a*a*b"), std::wstring(259, L'a')));
  // A long run of optional items closes over all of them: 300 "?" then "z" matches a lone "z".
  EXPECT_TRUE(MatchesPattern(CompilePattern(std::wstring(300, L'?') + L"z"), L"z"));
  EXPECT_FALSE(MatchesPattern(CompilePattern(L"q" + std::wstring(300, L'?') + L"z"), L"z"));
  EXPECT_TRUE(MatchesPattern(CompilePattern(L"q" + std::wstring(300, L'?') + L"z"), L"q" + std::wstring(300, L'w') + L"z"));
  EXPECT_FALSE(MatchesPattern(CompilePattern(L"q" + std::wstring(300, L'?') + L"z"), L"q" + std::wstring(301, L'w') + L"z"));
}

TEST(MatchesPattern, AnyMixOfMetacharactersCompilesAndMatches) {
  const std::wstring alphabet = L"\\.*?+(){}[]^$|ab";
  std::mt19937 random(2048);
  for (int round = 0; round < 20; ++round) {
    std::wstring keywords;
    for (int i = 0; i < 2048; ++i) keywords += alphabet[random() % alphabet.size()];
    const PatternMatcher matcher = CompilePattern(keywords);
    EXPECT_GT(matcher.WordCount, 0u);
    std::wstring name;
    for (int i = 0; i < 259; ++i) name += alphabet[random() % alphabet.size()];
    MatchesPattern(matcher, name);
    // Every keyword text has an alternative; with 2048 characters some are empty or "*".
    EXPECT_TRUE(MatchesPattern(CompilePattern(keywords + L"|"), name));
  }
}

}  // namespace
