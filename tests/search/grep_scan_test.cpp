#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/text.h"
#include "re/compile.h"
#include "search/grep_scan.h"

using namespace zub;

namespace {

// A pattern as the grep command builds it: a literal, or a compiled
// expression with its required literal as needle.
SearchPattern make_search_pattern(const std::string& text, bool regex, bool icase) {
  SearchPattern p;
  if (!regex) {
    p.needle = make_needle(text, icase);
    return p;
  }
  CompileResult c = compile_pattern(text, icase);
  EXPECT_TRUE(c.ok) << text;
  p.literal = false;
  p.needle = make_needle(c.pattern.required, icase);
  p.compiled = std::move(c.pattern);
  return p;
}

}  // namespace

// Line selection by each pattern's next matching line (one pass per
// pattern, literals and expressions mixed, inverted or not) must select what
// testing every line against every pattern selects, with the same numbers:
// matches of several patterns on one line, literals holding a carriage
// return or a line feed, CRLF, empty lines and a last line without a feed.
TEST(GrepScan, SelectionAgreesWithLineByLineTest) {
  std::mt19937 rng(99);
  // clang-format off
  const std::vector<std::pair<std::string, bool>> pool = {
      {"[A-Z]{2}[0-9]", true}, {"^ab", true},  {"b$", true},     {"\\bAB\\b", true}, {"a\\s", true},
      {"ab", false},           {"B\r", false}, {"b\nA", false},  {"", false},        {"x*", true},
      {"[^a]$", true},         {"AB", false},  {"(?:ab|09)+_", true}};
  // clang-format on
  const std::string bytes = "aabbAB09_ \r\n\n\xc3\xa9";
  size_t selected_total = 0;
  for (int iter = 0; iter < 600; ++iter) {
    const bool icase = rng() % 3 == 0;
    std::vector<SearchPattern> list;
    std::vector<std::string> names;
    const size_t np = 1 + rng() % 3;
    for (size_t k = 0; k < np; ++k) {
      const auto& [text, regex] = pool[rng() % pool.size()];
      list.push_back(make_search_pattern(text, regex, icase));
      names.push_back(text);
    }
    const PatternSet ps = make_pattern_set(std::move(list));
    std::string text;
    const size_t tl = rng() % 300;
    for (size_t k = 0; k < tl; ++k) text.push_back(bytes[rng() % bytes.size()]);
    for (bool invert : {false, true}) {
      std::vector<std::pair<uint64_t, std::string_view>> got, want;
      ScanScratch s;
      for_each_selected(ps, invert, text, s,
                        [&](uint64_t no, std::string_view line) { got.emplace_back(no, line); });
      MatchScratch m;
      uint64_t no = 0;
      for_each_line(text, [&](std::string_view line) {
        ++no;
        bool any = false;
        for (const SearchPattern& p : ps.list)
          any = any || (p.literal ? needle_find(p.needle, line, 0) != std::string_view::npos
                                  : occurs_nfa(p.compiled, m, line));
        if (any != invert) want.emplace_back(no, line);
      });
      ASSERT_EQ(got, want) << ::testing::PrintToString(names) << " icase " << icase << " invert "
                           << invert << " text [" << text << "]";
      selected_total += want.size();
    }
  }
  EXPECT_GT(selected_total, 5000u);
}
