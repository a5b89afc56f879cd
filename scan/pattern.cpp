#include "scan/pattern.h"

#include <windows.h>

#include <algorithm>
#include <memory>

namespace {

// The replacements that turn keywords into an expression. The order matters: backslashes and
// dots go first so that the ones inserted later are not escaped again, and ")" becomes "\)*".
constexpr const wchar_t* kEscapeTable[][2] = {
    {L"\\", L"\\\\"}, {L".", L"\\."}, {L"*", L".*"},  {L"?", L".?"},  {L"+", L"\\+"},
    {L"(", L"\\("},   {L")", L"\\)*"}, {L"{", L"\\{"}, {L"}", L"\\}"}, {L"[", L"\\["},
    {L"]", L"\\]"},   {L"^", L"\\^"},  {L"$", L"\\$"},
};

// Ordinal upper case of every code unit beyond ASCII, made once from the system's
// locale-independent mapping; surrogates and anything the system will not map stay as they are.
const wchar_t* UpperCaseTable() {
  static std::unique_ptr<wchar_t[]> table;
  if (table) return table.get();
  table.reset(new wchar_t[65536]);
  for (unsigned c = 0; c < 65536; ++c) table[c] = static_cast<wchar_t>(c);
  for (unsigned c = 'a'; c <= 'z'; ++c) table[c] = static_cast<wchar_t>(c - 'a' + 'A');
  constexpr unsigned kChunk = 4096;
  for (unsigned first = 0x80; first < 0x10000; first += kChunk) {
    const unsigned last = std::min<unsigned>(first + kChunk, 0x10000);
    wchar_t source[kChunk], upper[kChunk];
    const int count = static_cast<int>(last - first);
    for (int i = 0; i < count; ++i) {
      const unsigned c = first + static_cast<unsigned>(i);
      // Lone surrogates are not text; keep them out of the mapping.
      source[i] = (c >= 0xD800 && c <= 0xDFFF) ? L' ' : static_cast<wchar_t>(c);
    }
    if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, source, count, upper, count, nullptr, nullptr,
                      0) != count) {
      continue;
    }
    for (int i = 0; i < count; ++i) {
      const unsigned c = first + static_cast<unsigned>(i);
      // ASCII is the regular expression's own business: nothing beyond it folds into it.
      if ((c < 0xD800 || c > 0xDFFF) && upper[i] >= 0x80) table[c] = upper[i];
    }
  }
  return table.get();
}

// Case folding as file names are compared: ordinal upper case (A-Z for a-z, and beyond ASCII the
// system's locale-independent upper-casing).
wchar_t FoldCase(wchar_t c) {
  if (c < 0x80) return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
  return UpperCaseTable()[c];
}

bool IsLineTerminator(wchar_t c) { return c == L'\n' || c == L'\r' || c == 0x2028 || c == 0x2029; }

void SetBit(std::vector<uint64_t>& set, uint32_t word0, uint32_t bit) {
  set[word0 + bit / 64] |= uint64_t{1} << (bit % 64);
}

// out |= (in & mask) << shift, over sets of `words` words.
void OrShiftedLeft(uint64_t* out, const uint64_t* in, const uint64_t* mask, uint32_t words, uint32_t shift) {
  const uint32_t wordShift = shift / 64, bitShift = shift % 64;
  for (uint32_t i = words; i-- > wordShift;) {
    const uint32_t from = i - wordShift;
    uint64_t value = (in[from] & mask[from]) << bitShift;
    if (bitShift != 0 && from > 0) value |= (in[from - 1] & mask[from - 1]) >> (64 - bitShift);
    out[i] |= value;
  }
}

// Adds every state reachable by skipping optional and repeated items.
void CloseOverSkips(const PatternMatcher& m, uint64_t* set) {
  uint32_t shift = 1;
  for (const std::vector<uint64_t>& level : m.SkipLevels) {
    OrShiftedLeft(set, set, level.data(), m.WordCount, shift);
    shift *= 2;
  }
}

const uint64_t* MatchMask(const PatternMatcher& m, wchar_t folded, uint64_t* scratch) {
  if (folded < 0x80) return &m.AsciiMatch[static_cast<size_t>(folded) * m.WordCount];
  const bool any = !IsLineTerminator(folded);
  for (uint32_t i = 0; i < m.WordCount; ++i) scratch[i] = any ? m.AnyMask[i] : 0;
  const auto at = std::lower_bound(m.Literals.begin(), m.Literals.end(), folded);
  if (at != m.Literals.end() && *at == folded) {
    const uint64_t* literal = &m.LiteralMasks[static_cast<size_t>(at - m.Literals.begin()) * m.WordCount];
    for (uint32_t i = 0; i < m.WordCount; ++i) scratch[i] |= literal[i];
  }
  return scratch;
}

bool Intersects(const uint64_t* a, const uint64_t* b, uint32_t words) {
  for (uint32_t i = 0; i < words; ++i) {
    if (a[i] & b[i]) return true;
  }
  return false;
}

bool IsEmpty(const uint64_t* a, uint32_t words) {
  for (uint32_t i = 0; i < words; ++i) {
    if (a[i]) return false;
  }
  return true;
}

// The common case (up to 64 states, the default pattern among them) in plain registers.
bool MatchOneWord(const PatternMatcher& m, std::wstring_view name) {
  uint64_t skip[8] = {};
  const size_t levels = std::min<size_t>(m.SkipLevels.size(), 8);
  for (size_t l = 0; l < levels; ++l) skip[l] = m.SkipLevels[l][0];
  const uint64_t start = m.Start[0], accept = m.Accept[0], repeat = m.Repeat[0];
  uint64_t state = start;
  for (size_t i = name.size(); i-- > 0;) {
    const wchar_t folded = FoldCase(name[i]);
    uint64_t mask;
    if (folded < 0x80) {
      mask = m.AsciiMatch[folded];
    } else {
      uint64_t scratch;
      mask = *MatchMask(m, folded, &scratch);
    }
    const uint64_t moved = state & mask;
    state = ((moved & ~repeat) << 1) | (moved & repeat);
    for (size_t l = 0; l < levels; ++l) state |= (state & skip[l]) << (1u << l);
    if (!m.Anchored) state |= start;
    if (state & accept) return true;
    if (state == 0) return false;
  }
  return false;
}

// Replaces every non-overlapping occurrence of a non-empty find text, scanning left to right.
std::wstring ReplaceAll(std::wstring_view text, std::wstring_view find, std::wstring_view replacement) {
  if (find.empty()) return std::wstring(text);
  std::wstring result;
  result.reserve(text.size());
  size_t from = 0;
  for (size_t at = text.find(find); at != std::wstring_view::npos; at = text.find(find, from)) {
    result.append(text.substr(from, at - from));
    result.append(replacement);
    from = at + find.size();
  }
  result.append(text.substr(from));
  return result;
}

// The expression text a keyword text compiles to, such as "(\.exe|\.dll)$"; ".*" when empty.
std::wstring PatternExpression(std::wstring_view keywords) {
  if (keywords.empty()) return L".*";
  std::wstring escaped(keywords);
  for (const auto& step : kEscapeTable) escaped = ReplaceAll(escaped, step[0], step[1]);
  return L"(" + escaped + L")$";
}

// One step of an alternative, in the order the expression writes them.
struct PatternItem {
  wchar_t Literal = 0;        // folded character; unused when AnyCharacter
  bool AnyCharacter = false;  // ".": every code unit but the line terminators
  bool Repeat = false;        // followed by "*"
  bool Optional = false;      // followed by "?"
};

// The alternatives of an expression, each as its items; `anchored` tells whether it ends in "$".
std::vector<std::vector<PatternItem>> ParseExpression(std::wstring_view expression, bool& anchored) {
  std::wstring_view body = expression;
  anchored = false;
  if (body.size() >= 3 && body.front() == L'(' && body.substr(body.size() - 2) == L")$") {
    body = body.substr(1, body.size() - 3);
    anchored = true;
  }
  std::vector<std::vector<PatternItem>> alternatives(1);
  for (size_t i = 0; i < body.size(); ++i) {
    const wchar_t c = body[i];
    std::vector<PatternItem>& items = alternatives.back();
    if (c == L'|') {
      alternatives.emplace_back();
    } else if ((c == L'*' || c == L'?') && !items.empty() && !items.back().Repeat && !items.back().Optional) {
      (c == L'*' ? items.back().Repeat : items.back().Optional) = true;
    } else if (c == L'.') {
      PatternItem any;
      any.AnyCharacter = true;
      items.push_back(any);
    } else {
      PatternItem literal;
      literal.Literal = FoldCase((c == L'\\' && i + 1 < body.size()) ? body[++i] : c);
      items.push_back(literal);
    }
  }
  return alternatives;
}

}  // namespace

PatternMatcher CompilePattern(std::wstring_view keywords) {
  PatternMatcher m;
  m.Expression = PatternExpression(keywords);
  const std::vector<std::vector<PatternItem>> alternatives = ParseExpression(m.Expression, m.Anchored);

  uint32_t states = 0;
  size_t longestSkipRun = 0;
  for (const auto& items : alternatives) {
    states += static_cast<uint32_t>(items.size()) + 1;
    size_t run = 0;
    for (const PatternItem& item : items) {
      run = (item.Repeat || item.Optional) ? run + 1 : 0;
      longestSkipRun = std::max(longestSkipRun, run);
    }
  }
  m.WordCount = (states + 63) / 64;
  const uint32_t words = m.WordCount;
  m.Start.assign(words, 0);
  m.Accept.assign(words, 0);
  m.Repeat.assign(words, 0);
  m.AnyMask.assign(words, 0);
  std::vector<uint64_t> skip(words, 0);
  std::vector<std::pair<wchar_t, uint32_t>> literalStates;

  uint32_t base = 0;
  for (const auto& items : alternatives) {
    const uint32_t k = static_cast<uint32_t>(items.size());
    SetBit(m.Start, 0, base);
    SetBit(m.Accept, 0, base + k);
    for (uint32_t j = 0; j < k; ++j) {
      // Read backwards, the j-th state waits for the item j places from the end.
      const PatternItem& item = items[k - 1 - j];
      const uint32_t state = base + j;
      if (item.Repeat) SetBit(m.Repeat, 0, state);
      if (item.Repeat || item.Optional) SetBit(skip, 0, state);
      if (item.AnyCharacter) {
        SetBit(m.AnyMask, 0, state);
      } else {
        literalStates.emplace_back(item.Literal, state);
      }
    }
    base += k + 1;
  }

  // Level L lets a state jump 2^L items at once when all of them may be skipped.
  for (size_t reach = 0, shift = 1; reach < longestSkipRun; reach = 2 * reach + 1, shift *= 2) {
    m.SkipLevels.push_back(skip);
    std::vector<uint64_t> next(words, 0);
    // next = skip & (skip >> shift): states from which twice as many items can be skipped.
    for (uint32_t i = 0; i < words; ++i) {
      const uint32_t wordShift = static_cast<uint32_t>(shift / 64), bitShift = static_cast<uint32_t>(shift % 64);
      uint64_t shifted = 0;
      if (i + wordShift < words) {
        shifted = skip[i + wordShift] >> bitShift;
        if (bitShift != 0 && i + wordShift + 1 < words) shifted |= skip[i + wordShift + 1] << (64 - bitShift);
      }
      next[i] = skip[i] & shifted;
    }
    skip = next;
  }

  m.AsciiMatch.assign(static_cast<size_t>(128) * words, 0);
  for (wchar_t c = 0; c < 0x80; ++c) {
    if (IsLineTerminator(c)) continue;
    for (uint32_t i = 0; i < words; ++i) m.AsciiMatch[static_cast<size_t>(c) * words + i] = m.AnyMask[i];
  }
  std::sort(literalStates.begin(), literalStates.end());
  for (const auto& [literal, state] : literalStates) {
    if (literal < 0x80) {
      m.AsciiMatch[static_cast<size_t>(literal) * words + state / 64] |= uint64_t{1} << (state % 64);
      continue;
    }
    if (m.Literals.empty() || m.Literals.back() != literal) {
      m.Literals.push_back(literal);
      m.LiteralMasks.resize(m.LiteralMasks.size() + words, 0);
    }
    m.LiteralMasks[(m.Literals.size() - 1) * words + state / 64] |= uint64_t{1} << (state % 64);
  }

  CloseOverSkips(m, m.Start.data());
  m.Scratch.assign(static_cast<size_t>(3) * words, 0);
  return m;
}

bool MatchesPattern(const PatternMatcher& m, const wchar_t* name) {
  if (name == nullptr) return false;
  return MatchesPattern(m, std::wstring_view(name));
}

bool MatchesPattern(const PatternMatcher& m, std::wstring_view name) {
  const uint32_t words = m.WordCount;
  if (words == 0) return false;
  if (Intersects(m.Start.data(), m.Accept.data(), words)) return true;
  if (words == 1) return MatchOneWord(m, name);

  uint64_t* state = m.Scratch.data();
  uint64_t* next = state + words;
  uint64_t* mask = next + words;
  std::copy(m.Start.begin(), m.Start.end(), state);
  for (size_t i = name.size(); i-- > 0;) {
    const uint64_t* match = MatchMask(m, FoldCase(name[i]), mask);
    std::fill(next, next + words, 0);
    // Items that may match again keep their state; the others advance by one.
    for (uint32_t w = 0; w < words; ++w) next[w] = state[w] & match[w] & m.Repeat[w];
    for (uint32_t w = 0; w < words; ++w) state[w] &= match[w] & ~m.Repeat[w];
    for (uint32_t w = words; w-- > 0;) next[w] |= (state[w] << 1) | (w > 0 ? state[w - 1] >> 63 : 0);
    CloseOverSkips(m, next);
    if (!m.Anchored) {
      for (uint32_t w = 0; w < words; ++w) next[w] |= m.Start[w];
    }
    if (Intersects(next, m.Accept.data(), words)) return true;
    if (IsEmpty(next, words)) return false;
    std::swap(state, next);
  }
  return false;
}
