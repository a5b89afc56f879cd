// Nanoseconds per MatchesPattern call, next to the standard library's regular expressions on
// the same expression text (given up after a time limit where they backtrack exponentially).
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <regex>
#include <string>
#include <thread>

#include "bench_support.h"
#include "support/expected_log.h"
#include "scan/pattern.h"

namespace {

double NanosecondsPerCall(const PatternMatcher& matcher, const std::wstring& name, bool& result) {
  long iterations = 1;
  for (;;) {
    const double start = NowSeconds();
    bool any = false;
    for (long i = 0; i < iterations; ++i) any ^= MatchesPattern(matcher, name);
    const double elapsed = (NowSeconds() - start) * 1e9;
    result = MatchesPattern(matcher, name);
    if (elapsed > 2e8 || iterations > (1L << 26)) return elapsed / static_cast<double>(iterations) + (any ? 0 : 0);
    iterations *= 4;
  }
}

// The standard engine on another thread, so that a search that backtracks for minutes can be
// abandoned. Returns a negative figure when it did not finish within the limit.
double OracleNanosecondsPerCall(const std::wstring& expression, const std::wstring& name, double limitSeconds) {
  struct Shared {
    std::mutex Lock;
    std::condition_variable Done;
    bool Finished = false;
    double Figure = 0;
  };
  auto shared = std::make_shared<Shared>();
  std::thread([shared, expression, name] {
    const std::wregex re(expression, std::regex::ECMAScript | std::regex::icase);
    long iterations = 1;
    double figure = 0;
    for (;;) {
      const double start = NowSeconds();
      for (long i = 0; i < iterations; ++i) std::regex_search(name, re);
      const double elapsed = (NowSeconds() - start) * 1e9;
      figure = elapsed / static_cast<double>(iterations);
      if (elapsed > 2e8) break;
      iterations *= 4;
    }
    std::lock_guard<std::mutex> hold(shared->Lock);
    shared->Finished = true;
    shared->Figure = figure;
    shared->Done.notify_all();
  }).detach();
  std::unique_lock<std::mutex> hold(shared->Lock);
  shared->Done.wait_for(hold, std::chrono::duration<double>(limitSeconds), [&] { return shared->Finished; });
  return shared->Finished ? shared->Figure : -1;
}

void Row(const char* label, const std::wstring& keywords, const std::wstring& name) {
  const PatternMatcher matcher = CompilePattern(keywords);
  bool matched = false;
  const double ours = NanosecondsPerCall(matcher, name, matched);
  const double oracle = OracleNanosecondsPerCall(matcher.Expression, name, 20.0);
  char oracleText[64];
  if (oracle < 0) {
    snprintf(oracleText, sizeof oracleText, "%14s", "> 20 s");
  } else {
    snprintf(oracleText, sizeof oracleText, "%14.0f", oracle);
  }
  printf("%-44s %4zu %5s %12.1f %s %9s\n", label, name.size(), matched ? "yes" : "no", ours, oracleText,
         oracle < 0 ? "-" : (std::to_string(static_cast<long>(oracle / ours)) + "x").c_str());
  fflush(stdout);
}

}  // namespace

int wmain() {
  const std::wstring defaults = kDefaultKeywords;
  printf("%-44s %4s %5s %12s %14s %9s\n", "pattern", "name", "match", "ns/call", "std::wregex ns", "speed-up");
  Row("default pattern", defaults, L"report.txt");
  Row("default pattern", defaults, std::wstring(53, L'n') + L"set.exe");
  Row("default pattern", defaults, std::wstring(246, L'n') + L".dll");
  Row("default pattern, no match", defaults, std::wstring(246, L'n') + L".txt");
  Row("14 \"?\" then \"x\"", std::wstring(14, L'?') + L"x", std::wstring(40, L'a'));
  Row("14 \"?\" then \"x\"", std::wstring(14, L'?') + L"x", std::wstring(259, L'a'));
  Row("18 \"?\" then \"x\"", std::wstring(18, L'?') + L"x", std::wstring(40, L'a'));
  Row("18 \"?\" then \"x\"", std::wstring(18, L'?') + L"x", std::wstring(259, L'a'));
  Row("\"*a*a*a*a*a*a*b\"", L"*a*a*a*a*a*a*b", std::wstring(60, L'a'));
  Row("\"*a*a*a*a*a*a*b\"", L"*a*a*a*a*a*a*b", std::wstring(259, L'a'));
  // The same wildcards where the name keeps every state alive to its first character.
  Row("\"x\" then 14 \"?\"", L"x" + std::wstring(14, L'?'), std::wstring(259, L'a'));
  Row("\"b*a*a*a*a*a*a\"", L"b*a*a*a*a*a*a", std::wstring(259, L'a'));
  Row("\"*b*a*a*a*a*a*a\" (match at the front)", L"*b*a*a*a*a*a*a", L"b" + std::wstring(258, L'a'));
  std::wstring mix;
  const std::wstring alphabet = L"\\.*?+(){}[]^$|ab";
  for (int i = 0; i < 2048; ++i) mix += alphabet[(i * 7919u) % alphabet.size()];
  Row("2048-character mix of metacharacters", mix, std::wstring(259, L'a'));
  // Abandoned searches may still be running on their threads.
  fflush(stdout);
  ExitProcess(0);
}
