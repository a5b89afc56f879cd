// The keyword pattern: what it matches, by the keyword rules, at the automaton's limits.
#include <gtest/gtest.h>

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

}  // namespace
