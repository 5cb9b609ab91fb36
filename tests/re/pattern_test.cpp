#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>

#include "re/bre.h"
#include "re/compile.h"
#include "re/matcher.h"
#include "re/parse.h"

using namespace zub;

namespace {

// Compiles `pat` and answers Occurs through both the DFA and the thread
// simulation, failing the test when they disagree.
bool finds(const std::string& pat, const std::string& text, bool icase = false) {
  CompileResult c = compile_pattern(pat, icase);
  EXPECT_TRUE(c.ok) << pat << ": " << c.error;
  MatchScratch s;
  const bool nfa = occurs_nfa(c.pattern, s, text);
  const bool dfa = occurs(c.pattern, s, text);
  EXPECT_EQ(nfa, dfa) << "pattern " << pat << " text " << text;
  return nfa;
}

std::string error_of(const std::string& pat) {
  CompileResult c = compile_pattern(pat, false);
  EXPECT_FALSE(c.ok) << pat;
  return c.error;
}

ByteSet class_of(const std::string& pat, bool icase = false) {
  ParseResult r = parse_pattern(pat, icase);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.classes.size(), 1u);
  return r.classes.empty() ? ByteSet{} : r.classes[0];
}

std::string members(const ByteSet& s) {
  std::string out;
  for (int b = 0; b < 256; ++b)
    if (s.has(static_cast<uint8_t>(b))) out.push_back(static_cast<char>(b));
  return out;
}

}  // namespace

TEST(PatternParse, ErrorsCarryExactTextAndOffset) {
  EXPECT_EQ(error_of("ab)"), "2번째 바이트에서 파싱이 멈췄다: `)` 가 남는다");
  EXPECT_EQ(error_of("(a)b)c"), "4번째 바이트에서 파싱이 멈췄다: `)` 가 남는다");
  EXPECT_EQ(error_of(")"), "0번째 바이트에서 파싱이 멈췄다: `)` 가 남는다");
  EXPECT_EQ(error_of("(ab"), "`)` 가 닫히지 않았다");
  EXPECT_EQ(error_of("[ab"), "`]` 가 닫히지 않았다");
  EXPECT_EQ(error_of("[ab\\"), "`]` 가 닫히지 않았다");
  EXPECT_EQ(error_of("[]"), "`]` 가 닫히지 않았다");
  EXPECT_EQ(error_of("ab\\"), "패턴이 `\\` 로 끝났다");
  // The first error met wins: the unclosed group is inside the class text.
  EXPECT_EQ(error_of("([a)"), "`]` 가 닫히지 않았다");
  EXPECT_TRUE(compile_pattern("ab\\\\", false).ok);
  EXPECT_TRUE(finds("ab\\\\", "xab\\y"));
  EXPECT_FALSE(finds("ab\\\\", "xaby"));
}

TEST(PatternParse, SyntaxOfOtherEnginesIsRefusedNotReadAsText) {
  for (const char* p : {"(?=a)", "x(?!a)", "(?<=def )x", "(?<!a)b"})
    EXPECT_EQ(error_of(p), kErrLookaround) << p;
  for (const char* p : {"(a)\\1", "\\9"}) EXPECT_EQ(error_of(p), kErrBackreference) << p;
  for (const char* p : {"(?i)x", "(?<>x)", "(?<a-b>x)", "(?", "(?P=x)"})
    EXPECT_EQ(error_of(p), kErrGroupSyntax) << p;
  EXPECT_EQ(error_of("[[:bogus:]]"), kErrCharClass);
  // What other engines write and this language can do: named groups and
  // POSIX classes (with case folding and negation).
  EXPECT_TRUE(finds("(?<v>ab)+c", "ababc"));
  EXPECT_TRUE(finds("(?P<v>a|b)c", "bc"));
  EXPECT_EQ(members(class_of("[[:digit:]_]")), "0123456789_");
  EXPECT_EQ(members(class_of("[[:xdigit:]]")), "0123456789ABCDEFabcdef");
  EXPECT_EQ(members(class_of("[[:upper:]]", true)).size(), 52u);
  EXPECT_FALSE(class_of("[^[:space:]]").has(' '));
  EXPECT_TRUE(finds("^[[:alpha:]]+[[:punct:]]$", "abc;"));
  EXPECT_EQ(members(class_of("[[:]")), ":[");  // no closing ":]": plain members
}

TEST(BasicRegex, MeansWhatGnuGrepMeans) {
  struct Case {
    const char* bre;
    const char* pattern;
  };
  // clang-format off
  const Case cases[] = {
      {"a\\|b",            "a|b"},
      {"\\(ab\\)\\+c\\?",  "(ab)+c?"},
      {"a\\{2,3\\}",        "a{2,3}"},
      {"f(x)+y?{1}|z",     "f\\(x\\)\\+y\\?\\{1\\}\\|z"},
      {"*a\\(*b\\|*c\\)",   "\\*a(\\*b|\\*c)"},
      {"^*a",              "^\\*a"},
      {"a^b$c$",           "a\\^b\\$c$"},
      {"\\(a$\\|^b\\)",     "(a$|^b)"},
      {"[]a\\]x",           "[]a\\\\]x"},
      {"[[:alpha:]_]*",    "[[:alpha:]_]*"},
      {"\\.\\*\\w\\<",        "\\.\\*\\w\\<"},
      {"[a",               "[a"},
  };
  // clang-format on
  for (const Case& c : cases) EXPECT_EQ(bre_to_pattern(c.bre), c.pattern) << c.bre;
  EXPECT_TRUE(has_bre_operators("a\\|b"));
  EXPECT_TRUE(has_bre_operators("\\(x"));
  EXPECT_FALSE(has_bre_operators("a\\\\|b"));  // an escaped backslash, then "|"
  EXPECT_FALSE(has_bre_operators("a|b(c)"));
  EXPECT_TRUE(has_bre_specials("arr[i]"));
  EXPECT_FALSE(has_bre_specials("a(b)+c|d"));
  EXPECT_TRUE(finds(bre_to_pattern("def \\(dedent\\|indent\\)("), "def indent(text)"));
  EXPECT_EQ(error_of(bre_to_pattern("\\(a\\)\\1")), kErrBackreference);
}

TEST(PatternParse, NotErrors) {
  // Stray closers, dangling braces, leading operators and reversed ranges
  // are all ordinary text.
  for (const char* p :
       {"]", "}", "{", "*abc", "+", "?", "a{", "a{,3}", "[z-a]", "\\q", "a|", "|", "()"})
    EXPECT_TRUE(compile_pattern(p, false).ok) << p;
}

TEST(PatternParse, BracketClasses) {
  EXPECT_EQ(members(class_of("[]a]")), "]a");
  ByteSet neg = class_of("[^]a]");
  EXPECT_FALSE(neg.has(']'));
  EXPECT_FALSE(neg.has('a'));
  EXPECT_TRUE(neg.has('b'));
  EXPECT_TRUE(neg.has('\n'));
  EXPECT_EQ(members(class_of("[a-]")), "-a");
  EXPECT_EQ(members(class_of("[-a]")), "-a");
  EXPECT_EQ(members(class_of("[z-a]")), "az");
  EXPECT_EQ(members(class_of("[a-c]")), "abc");
  EXPECT_EQ(members(class_of("[\\d]")), "0123456789");
  EXPECT_EQ(members(class_of("[\\s]")), std::string("\t\n\r "));
  EXPECT_EQ(members(class_of("[\\D\\S\\W]")), "DSW");
  EXPECT_EQ(members(class_of("[\\]\\-\\\\]")), "-\\]");
  EXPECT_EQ(members(class_of("[\\n\\t]")), std::string("\t\n"));
  // An escaped range end is raw: \t-\r runs from tab to the letter r.
  ByteSet r = class_of("[\\t-\\r]");
  EXPECT_TRUE(r.has('\t'));
  EXPECT_TRUE(r.has('r'));
  EXPECT_TRUE(r.has('A'));
  EXPECT_FALSE(r.has('s'));
  // \d never starts a range: the dash is a member.
  EXPECT_EQ(members(class_of("[\\d-z]")), "-0123456789z");
  EXPECT_EQ(members(class_of("[a--]")), "-a");
  // Case folding before complement.
  EXPECT_EQ(members(class_of("[a-c]", true)), "ABCabc");
  ByteSet ni = class_of("[^a]", true);
  EXPECT_FALSE(ni.has('a'));
  EXPECT_FALSE(ni.has('A'));
  EXPECT_TRUE(ni.has('b'));
  EXPECT_EQ(members(class_of("[A]", false)), "A");
}

TEST(PatternParse, BracesThatAreNotOperators) {
  // clang-format off
  struct Case {
    const char* pat;
    const char* text;
    bool found;
  } cases[] = {
      {"a{2,3}", "xaay", true},   {"a{2,3}", "xay", false},  {"^a{2,3}$", "aaa", true},
      {"^a{2,3}$", "aaaa", false}, {"a{,3}", "a{,3}", true},  {"a{,3}", "aaa", false},
      {"a{3", "a{3", true},       {"a{3,x}", "a{3,x}", true}, {"a{x}", "a{x}", true},
      {"{", "{", true},           {"a{}", "a{}", true},
      {"a{99999999999999999999}", "a{99999999999999999999}", true},
      {"^a{0}$", "", true},       {"^a{0}$", "a", false},    {"^a{1}$", "a", true},
      {"^a{2,}$", "aaaaa", true}, {"^a{2,}$", "a", false},   {"^a{3,2}$", "aaa", true},
      {"^a{3,2}$", "aa", false},  {"^ab{2}$", "abb", true},  {"^ab{2}$", "abab", false},
      {"*abc", "x*abcx", true},   {"*abc", "abc", false},
      {"(?:a|b)c", "bc", true},   {"a*?", "", true},
  };
  // clang-format on
  for (const Case& c : cases) EXPECT_EQ(finds(c.pat, c.text), c.found) << c.pat << " / " << c.text;
}

TEST(PatternParse, RepetitionIsCappedAt64Copies) {
  std::string a64(64, 'a'), a65(65, 'a');
  EXPECT_TRUE(finds("^a{100}$", a64));
  EXPECT_FALSE(finds("^a{100}$", a65));
  EXPECT_FALSE(finds("^a{100}$", std::string(63, 'a')));
  // {1,100}: one copy and 63 optional ones.
  EXPECT_TRUE(finds("^a{1,100}$", a64));
  EXPECT_FALSE(finds("^a{1,100}$", a65));
  // Nested repetition that would multiply past the program budget is refused
  // instead of exhausting memory.
  CompileResult big = compile_pattern("a{64}{64}{64}{64}", false);
  EXPECT_FALSE(big.ok);
  EXPECT_EQ(big.error, kErrTooLarge);
  EXPECT_TRUE(compile_pattern("a{64}{64}", false).ok);
  EXPECT_EQ(compile_pattern(std::string(5000, '(') + std::string(5000, ')'), false).error,
            kErrTooLarge);
  EXPECT_EQ(compile_pattern("a" + std::string(5000, '*'), false).error, kErrTooLarge);
}

TEST(PatternParse, EscapesAndCaseFolding) {
  EXPECT_TRUE(finds("\\s", "a\vb"));
  EXPECT_FALSE(finds("[\\s]", "a\vb"));
  EXPECT_TRUE(finds("\\x41", "x41"));
  EXPECT_TRUE(finds("a\\.b", "a.b"));
  EXPECT_FALSE(finds("a\\.b", "axb"));
  EXPECT_TRUE(finds("\\d+\\D", "12a"));
  EXPECT_FALSE(finds("^\\d+$", "12a"));
  EXPECT_TRUE(finds("\\w\\W\\w", "a-b"));
  EXPECT_TRUE(finds("a\\tb", "a\tb"));
  EXPECT_TRUE(finds("FOO", "xfooy", true));
  EXPECT_TRUE(finds("foo", "xFOOy", true));
  EXPECT_TRUE(finds("\\Q", "q", true));
  EXPECT_FALSE(finds("foo", "xFOOy", false));
  // A class built without the flag does not gain upper-case members.
  EXPECT_FALSE(finds("[a-c]", "B"));
  // Multi-byte characters are byte sequences; "+" repeats only the last byte.
  EXPECT_TRUE(finds("^한+$", "한\x9c\x9c"));
  EXPECT_FALSE(finds("^한+$", "한한"));
}

TEST(PatternCompile, ProgramShapes) {
  auto dump = [](const char* p) { return dump_program(compile_pattern(p, false).pattern); };
  EXPECT_EQ(dump(""), "0 match\n");
  EXPECT_EQ(dump("a*"), "0 split 1 3\n1 char a\n2 jump 0\n3 match\n");
  EXPECT_EQ(dump("a+"), "0 char a\n1 split 0 2\n2 match\n");
  EXPECT_EQ(dump("a?"), "0 split 1 2\n1 char a\n2 match\n");
  EXPECT_EQ(
      dump("a|b|c"),
      "0 split 1 3\n1 char a\n2 jump 7\n3 split 4 6\n4 char b\n5 jump 7\n6 char c\n7 match\n");
  EXPECT_EQ(dump("^.[x]\\b\\B$"),
            "0 start\n1 any\n2 class 0\n3 wordb\n4 notwordb\n5 end\n6 match\n");
  EXPECT_EQ(dump("a{0}"), "0 match\n");
  EXPECT_EQ(dump("\\n"), "0 char #10\n1 match\n");
}

TEST(PatternCompile, RequiredLiteral) {
  // clang-format off
  struct Case {
    const char* pat;
    bool icase;
    const char* lit;
  } cases[] = {
      {"foo\\d+barbaz", false, "barbaz"}, {"(foo|bar)", false, ""},   {"\\b(?:foo)\\b", false, "foo"},
      {"ab+c", false, "a"},               {"(abc)+", false, "abc"},   {"x(abcd)y", false, "abcd"},
      {"ab(cd)", false, "ab"},             {"a*", false, ""},          {"FooBar", true, "foobar"},
      {".", false, ""},                    {"", false, ""},            {"abc|abc", false, ""},
      {"a[b]cd", false, "cd"},
  };
  // clang-format on
  for (const Case& c : cases) {
    CompileResult r = compile_pattern(c.pat, c.icase);
    ASSERT_TRUE(r.ok) << c.pat;
    EXPECT_EQ(r.pattern.required, c.lit) << c.pat;
  }
}

TEST(PatternCompile, EscapeLiteral) {
  EXPECT_EQ(escape_literal("a.b(c)"), "a\\.b\\(c\\)");
  EXPECT_EQ(escape_literal("\\.+*?()|[]{}^$"), "\\\\\\.\\+\\*\\?\\(\\)\\|\\[\\]\\{\\}\\^\\$");
  EXPECT_EQ(escape_literal("한글-_/"), "한글-_/");
  for (std::string s : {"operator()", "a.b", "x[0]{1}", "^$|"}) {
    std::string anchored = "^";
    anchored += escape_literal(s);
    anchored += '$';
    EXPECT_TRUE(finds(anchored, s)) << s;
  }
}

TEST(Matcher, AssertionsAndBoundaries) {
  EXPECT_TRUE(finds("", ""));
  EXPECT_TRUE(finds("", "abc"));
  EXPECT_TRUE(finds("^$", ""));
  EXPECT_FALSE(finds("^$", "a"));
  EXPECT_TRUE(finds("a|", "zzz"));
  EXPECT_TRUE(finds("\\bfoo", "foo"));
  EXPECT_FALSE(finds("\\bfoo", "_foo"));
  EXPECT_TRUE(finds("\\bfoo\\b", "é foo é"));
  // Bytes of a multi-byte character are non-word bytes.
  EXPECT_TRUE(finds("\\bfoo\\b", "éfooé"));
  EXPECT_FALSE(finds("\\Bfoo", "éfoo"));
  EXPECT_TRUE(finds("\\Boo", "foo"));
  EXPECT_TRUE(finds("x\\b", "x"));
  EXPECT_FALSE(finds("x\\B", "x"));
  EXPECT_TRUE(finds("\\<a\\>", "b a c"));
  // Assertions anywhere, not only at the pattern's ends.
  EXPECT_TRUE(finds("a|^b", "bxx"));
  EXPECT_FALSE(finds("a|^b", "xbx"));
  EXPECT_FALSE(finds("x^y", "x^y"));
  EXPECT_TRUE(finds("b$|z", "ab"));
  EXPECT_TRUE(finds("\\b^a", "ab"));
  // Line feeds: any never consumes one, a literal one does.
  EXPECT_FALSE(finds("a.b", "a\nb"));
  EXPECT_TRUE(finds("a\\nb", "a\nb"));
  EXPECT_TRUE(finds("a[^x]b", "a\nb"));
}

TEST(Matcher, LongestMatchAndPieces) {
  auto longest = [](const char* pat, const std::string& text, size_t start) {
    CompileResult c = compile_pattern(pat, false);
    MatchScratch s;
    return longest_match_from(c.pattern, s, text, start);
  };
  LongestMatch m = longest("a*", "aab", 0);
  EXPECT_TRUE(m.found);
  EXPECT_EQ(m.end, 2u);
  EXPECT_FALSE(longest("b", "ab", 0).found);
  m = longest("a*", "aab", 3);
  EXPECT_TRUE(m.found);
  EXPECT_EQ(m.end, 3u);
  m = longest("ab|abcd|a", "abcde", 0);
  EXPECT_EQ(m.end, 4u);
  m = longest("x$", "ax", 1);
  EXPECT_TRUE(m.found);

  auto pieces = [](const char* pat, const std::string& text) {
    CompileResult c = compile_pattern(pat, false);
    MatchScratch s;
    std::vector<std::pair<size_t, size_t>> out;
    match_pieces(c.pattern, s, text, out);
    return out;
  };
  using P = std::vector<std::pair<size_t, size_t>>;
  EXPECT_EQ(pieces("b", "ab"), (P{{1, 2}}));
  EXPECT_EQ(pieces("a*", "baab"), (P{{1, 3}}));
  EXPECT_EQ(pieces("\\d+", "x12y345"), (P{{1, 3}, {4, 7}}));
  EXPECT_EQ(pieces("", "ab"), P{});
}

// Only-matching pieces, by the budgeted per-start search and by the backward
// pass alone, must equal the pieces of the plain definition (the longest
// match asked at every start) on random patterns: assertions, classes,
// folding, empty matches, runs that never end. Longer lines carry the shapes
// that used to be quadratic and hand over to the backward pass.
TEST(Matcher, PiecesEqualLongestMatchAtEveryStart) {
  auto reference = [](const CompiledPattern& p, std::string_view text) {
    MatchScratch s;
    std::vector<std::pair<size_t, size_t>> out;
    for (size_t start = 0; start <= text.size();) {
      const LongestMatch m = longest_match_from(p, s, text, start);
      if (m.found && m.end > start) {
        out.emplace_back(start, m.end);
        start = m.end;
      } else {
        ++start;
      }
    }
    return out;
  };
  std::mt19937 rng(4242);
  const std::string atoms[] = {"a", "b",    "c",    " ",   ".",     "\\b",      "\\B",   "^",
                               "$", "[ab]", "[^a]", "\\w", "A",     "\xc3\xa9", "(",     ")",
                               "|", "*",    "+",    "?",   "{1,3}", ".*",       "(a|ab)"};
  const std::string text_bytes = "abcAB_ \xc3\xa9";
  MatchScratch s, back;  // reused across patterns, as grep's workers do
  back.per_start_first = false;
  int compared = 0;
  for (int iter = 0; iter < 4000; ++iter) {
    std::string pat;
    const int len = 1 + static_cast<int>(rng() % 8);
    for (int k = 0; k < len; ++k) pat += atoms[rng() % (sizeof atoms / sizeof atoms[0])];
    const bool icase = rng() % 2;
    CompileResult c = compile_pattern(pat, icase);
    if (!c.ok) continue;
    for (int t = 0; t < 6; ++t) {
      std::string text;
      const int tl = static_cast<int>(rng() % (t == 5 ? 300 : 14));
      for (int k = 0; k < tl; ++k) text.push_back(text_bytes[rng() % text_bytes.size()]);
      std::vector<std::pair<size_t, size_t>> got;
      match_pieces(c.pattern, s, text, got);
      const auto want = reference(c.pattern, text);
      ASSERT_EQ(got, want) << "pattern [" << pat << "] icase " << icase << " text [" << text << "]";
      got.clear();
      match_pieces(c.pattern, back, text, got);
      ASSERT_EQ(got, want) << "backward, pattern [" << pat << "] icase " << icase << " text ["
                           << text << "]";
      ++compared;
    }
  }
  EXPECT_GT(compared, 10000);
}

TEST(Matcher, LinearTimeOnPathologicalPatterns) {
  const std::string line(100 * 1000, 'a');
  for (const char* pat : {"(a*)*b", "(a|aa)*c", "(a+)+$x", "(\\w+\\s?)*!", "a{64}{8}b"}) {
    CompileResult c = compile_pattern(pat, false);
    ASSERT_TRUE(c.ok) << pat;
    MatchScratch s;
    // Exponential backtracking would never finish: the suite's per-test
    // time limit ends it. Speed itself is measured in bench/, not here,
    // where a loaded machine or a sanitizer build would make it flaky.
    EXPECT_FALSE(occurs_nfa(c.pattern, s, line)) << pat;
    EXPECT_FALSE(occurs(c.pattern, s, line)) << pat;
  }
}

TEST(Matcher, ScratchIsReusedAcrossPatternsAndLines) {
  CompileResult a = compile_pattern("fo+", false);
  CompileResult b = compile_pattern("\\bbar\\b|baz$", true);
  MatchScratch s;
  for (int round = 0; round < 3; ++round) {
    EXPECT_TRUE(occurs(a.pattern, s, "xfoo"));
    EXPECT_TRUE(occurs(b.pattern, s, "a BAR b"));
    EXPECT_FALSE(occurs(a.pattern, s, "f"));
    EXPECT_FALSE(occurs(b.pattern, s, "bars"));
    EXPECT_TRUE(occurs(b.pattern, s, "xbaz"));
  }
  // Patterns of the same size compiled one after another in the same place
  // must not see each other's cached states.
  for (const std::string pat : {"abc", "xyz", "abc"}) {
    CompileResult c = compile_pattern(pat, false);
    EXPECT_EQ(occurs(c.pattern, s, "--xyz--"), pat == "xyz") << pat;
  }
}
