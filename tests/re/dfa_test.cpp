#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>

#include "base/file_io.h"
#include "base/text.h"
#include "re/compile.h"
#include "re/matcher.h"

using namespace zub;

// The DFA and the thread simulation must agree on every line; random
// patterns over a small alphabet hit the corners (assertions, classes, case
// folding, repetition) far more often than hand-picked ones.
TEST(Dfa, AgreesWithThreadSimulationOnRandomPatterns) {
  std::mt19937 rng(12345);
  const std::string atoms[] = {"a", "b",    "_",    " ",   ".",   "\\b",  "\\B", "^",
                               "$", "[ab]", "[^a]", "\\w", "\\s", "A",    "é",   "(",
                               ")", "|",    "*",    "+",   "?",   "{1,2}"};
  const std::string text_bytes = "abAB_ \xc3\xa9\n";
  int compiled = 0;
  for (int iter = 0; iter < 3000; ++iter) {
    std::string pat;
    const int len = 1 + static_cast<int>(rng() % 7);
    for (int k = 0; k < len; ++k) pat += atoms[rng() % (sizeof atoms / sizeof atoms[0])];
    const bool icase = rng() % 2;
    CompileResult c = compile_pattern(pat, icase);
    if (!c.ok) continue;
    ++compiled;
    MatchScratch dfa, nfa;
    for (int t = 0; t < 20; ++t) {
      std::string text;
      const int tl = static_cast<int>(rng() % 9);
      for (int k = 0; k < tl; ++k) text.push_back(text_bytes[rng() % text_bytes.size()]);
      ASSERT_EQ(occurs(c.pattern, dfa, text), occurs_nfa(c.pattern, nfa, text))
          << "pattern [" << pat << "] icase " << icase << " text [" << text << "]";
    }
  }
  EXPECT_GT(compiled, 1000);
}

// A pattern whose DFA needs more states than the budget still answers
// correctly through the fallback.
TEST(Dfa, FallsBackWhenStateBudgetRunsOut) {
  CompileResult c = compile_pattern("[ab]*a[ab]{12}c", false);
  ASSERT_TRUE(c.ok);
  std::mt19937 rng(7);
  MatchScratch s, n;
  for (int t = 0; t < 200; ++t) {
    std::string text;
    for (int k = 0; k < 200; ++k) text.push_back("ab"[rng() % 2]);
    if (t % 3 == 0) text += "c";
    EXPECT_EQ(occurs(c.pattern, s, text), occurs_nfa(c.pattern, n, text));
  }
}

// Real source text: every line of this repository's sources, for patterns
// of the kinds grep and def build.
TEST(Dfa, AgreesWithThreadSimulationOnSourceLines) {
  std::string text;
  for (const char* f :
       {"/src/re/dfa.cpp", "/src/search/grep.cpp", "/src/base/utf8.cpp", "/src/search/walk.cpp"}) {
    zub::ReadResult r = zub::read_file(std::string(ZUB_SOURCE_DIR) + f);
    ASSERT_TRUE(r.ok) << f;
    text += r.data;
  }
  const char* patterns[] = {
      "\\b(?:size_t)\\b",
      ("(?:fn|def|class|struct|enum|const|let|var|func|function)\\s+walk\\b|walk\\s*[:=]\\s*(?:"
       "function|"
       "async|\\()|^\\s*walk\\s*\\("),
      "[A-Z][a-z]+[A-Z]\\w*",
      "^\\s*//.*\\.$",
      "\\Bfind\\B|\\d{2,}",
      "[^\\x00-\\x7f]",
      "(\\w+\\s?)*;$",
  };
  size_t lines = 0, hits = 0;
  for (bool icase : {false, true}) {
    for (const char* pat : patterns) {
      CompileResult c = compile_pattern(pat, icase);
      ASSERT_TRUE(c.ok) << pat;
      MatchScratch dfa, nfa;
      zub::for_each_line(text, [&](std::string_view line) {
        const bool want = occurs_nfa(c.pattern, nfa, line);
        EXPECT_EQ(occurs(c.pattern, dfa, line), want) << pat << " on [" << line << "]";
        ++lines;
        hits += want;
      });
    }
  }
  EXPECT_GT(lines, 1000u);
  EXPECT_GT(hits, 100u);
}

// A pattern whose DFA outgrows the budget on every line stays fast: the
// fallback must not rebuild the cache line after line.
TEST(Dfa, OverBudgetPatternStaysLinear) {
  CompileResult c = compile_pattern("[ab]*a[ab]{14}c", false);
  ASSERT_TRUE(c.ok);
  std::mt19937 rng(3);
  std::vector<std::string> lines(3000);
  for (std::string& l : lines)
    for (int k = 0; k < 300; ++k) l.push_back("ab"[rng() % 2]);
  MatchScratch s;
  const auto t0 = std::chrono::steady_clock::now();
  size_t hits = 0;
  for (const std::string& l : lines) hits += occurs(c.pattern, s, l);
  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_EQ(hits, 0u);
  EXPECT_LT(secs, 20.0);
}

namespace {

// The lines of `text` in which `p` occurs, by find_line.
std::vector<std::string_view> found_lines(const CompiledPattern& p, MatchScratch& s,
                                          std::string_view text) {
  std::vector<std::string_view> out;
  for (size_t from = 0;;) {
    const LineSpan l = find_line(p, s, text, from);
    if (l.start == SIZE_MAX) return out;
    EXPECT_GE(l.start, from);
    out.push_back(text.substr(l.start, l.end - l.start));
    if (l.next <= from) {
      ADD_FAILURE() << "no progress";
      return out;
    }
    from = l.next;
  }
}

// The same lines by the thread simulation, line by line.
std::vector<std::string_view> lines_by_line(const CompiledPattern& p, MatchScratch& s,
                                            std::string_view text) {
  std::vector<std::string_view> out;
  for_each_line(text, [&](std::string_view line) {
    if (occurs_nfa(p, s, line)) out.push_back(line);
  });
  return out;
}

}  // namespace

// One DFA pass over many lines must select exactly the lines the thread
// simulation selects one at a time: anchors and word boundaries at line
// ends, empty lines, CRLF and lone carriage returns, a last line without a
// line feed, invalid UTF-8, long lines (the vector search for the bytes that
// leave the start state reads 32 at a time) and case folding.
TEST(Dfa, LineFinderAgreesWithLineByLineTest) {
  std::mt19937 rng(2024);
  const std::string atoms[] = {"a", "b", "A",     "B",    "_",   " ",     ".",     "\\b",   "\\B",
                               "^", "$", "[A-Z]", "[^a]", "\\w", "\\s",   "\\r",   "é",     "(",
                               ")", "|", "*",     "+",    "?",   "{1,2}", "[0-9]", "\\d{2}"};
  const std::string text_bytes = "aaaabbbb__  AB09\xc3\xa9\xff\r\n\n";
  int compiled = 0;
  size_t lines_found = 0;
  for (int iter = 0; iter < 1500; ++iter) {
    std::string pat;
    const int len = 1 + static_cast<int>(rng() % 6);
    for (int k = 0; k < len; ++k) pat += atoms[rng() % (sizeof atoms / sizeof atoms[0])];
    const bool icase = rng() % 4 == 0;
    CompileResult c = compile_pattern(pat, icase);
    if (!c.ok) continue;
    ++compiled;
    MatchScratch dfa, nfa;
    for (int t = 0; t < 8; ++t) {
      std::string text;
      const int tl = static_cast<int>(rng() % (t == 7 ? 400 : 90));
      for (int k = 0; k < tl; ++k) text.push_back(text_bytes[rng() % text_bytes.size()]);
      if (t == 3) text += std::string(70, 'a') + "AB12\r\n";
      if (t == 4) text.insert(0, "\n\r\n\n");
      const std::vector<std::string_view> got = found_lines(c.pattern, dfa, text);
      const std::vector<std::string_view> want = lines_by_line(c.pattern, nfa, text);
      ASSERT_EQ(got, want) << "pattern [" << pat << "] icase " << icase << " text [" << text << "]";
      lines_found += want.size();
    }
  }
  EXPECT_GT(compiled, 700);
  EXPECT_GT(lines_found, 2000u);
  // Past the state budget the lines that need new states get the thread
  // simulation; the answers stay the same.
  CompileResult big = compile_pattern("[ab]*a[ab]{12}c", false);
  ASSERT_TRUE(big.ok);
  std::string text;
  for (int k = 0; k < 400; ++k) {
    for (int j = 0; j < 60; ++j) text.push_back("ab"[rng() % 2]);
    text += k % 7 == 0 ? "c\n" : k % 5 == 0 ? "\r\n" : "\n";
  }
  MatchScratch dfa, nfa;
  const std::vector<std::string_view> want = lines_by_line(big.pattern, nfa, text);
  EXPECT_EQ(found_lines(big.pattern, dfa, text), want);
  EXPECT_GT(want.size(), 20u);
}
