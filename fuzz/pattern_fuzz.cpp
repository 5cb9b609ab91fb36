// Compile arbitrary bytes as a pattern (with and without case folding), and
// as a GNU basic regex read into the language (never a crash, an error
// always has its text), and,
// when it compiles, match it against a line taken from the same input:
// compiling must never crash, the DFA must agree with the thread simulation,
// Occurs must agree with "a longest match from some start exists", and the
// only-matching pieces (budgeted per-start search and backward pass alone)
// must be those of the longest match asked at every start. Taken as lines,
// the text's lines found by one DFA pass must be those the thread simulation
// selects line by line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include "base/text.h"
#include "re/bre.h"
#include "re/compile.h"
#include "re/matcher.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool icase = data[0] & 1;
  std::string_view in(reinterpret_cast<const char*>(data + 1), size - 1);
  // Pattern and text are separated by the first NUL byte.
  const size_t cut = in.find('\0');
  std::string_view pat = in.substr(0, cut);
  std::string_view text = cut == std::string_view::npos ? std::string_view() : in.substr(cut + 1);
  if (text.size() > 256) text = text.substr(0, 256);
  const zub::CompileResult basic = zub::compile_pattern(zub::bre_to_pattern(pat), icase);
  if (!basic.ok && basic.error.empty()) std::abort();
  zub::CompileResult c = zub::compile_pattern(pat, icase);
  if (!c.ok) {
    if (c.error.empty()) std::abort();
    return 0;
  }
  if (c.pattern.program.size() > 20000) return 0;  // keep each run short
  zub::MatchScratch s1, s2;
  const bool dfa = zub::occurs(c.pattern, s1, text);
  const bool nfa = zub::occurs_nfa(c.pattern, s2, text);
  if (dfa != nfa) std::abort();
  bool any = false;
  for (size_t start = 0; start <= text.size() && !any; ++start)
    any = zub::longest_match_from(c.pattern, s2, text, start).found;
  if (any != nfa) std::abort();
  std::vector<std::pair<size_t, size_t>> pieces, want;
  zub::match_pieces(c.pattern, s1, text, pieces);
  for (size_t start = 0; start <= text.size();) {
    const zub::LongestMatch m = zub::longest_match_from(c.pattern, s2, text, start);
    if (m.found && m.end > start) {
      want.emplace_back(start, m.end);
      start = m.end;
    } else {
      ++start;
    }
  }
  if (pieces != want) std::abort();
  zub::MatchScratch back;
  back.per_start_first = false;
  pieces.clear();
  zub::match_pieces(c.pattern, back, text, pieces);
  if (pieces != want) std::abort();
  std::vector<std::string_view> got_lines, want_lines;
  zub::MatchScratch lines;
  for (size_t from = 0;;) {
    const zub::LineSpan l = zub::find_line(c.pattern, lines, text, from);
    if (l.start == SIZE_MAX) break;
    if (l.start < from || l.next <= from || l.end < l.start) std::abort();
    got_lines.push_back(text.substr(l.start, l.end - l.start));
    from = l.next;
  }
  zub::for_each_line(text, [&](std::string_view line) {
    if (zub::occurs_nfa(c.pattern, s2, line)) want_lines.push_back(line);
  });
  if (got_lines != want_lines) std::abort();
  // A required literal must be in every matching text.
  if (nfa && !c.pattern.required.empty()) {
    std::string low(text);
    if (icase)
      for (char& ch : low) ch = (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch + 32) : ch;
    if (low.find(c.pattern.required) == std::string::npos) std::abort();
  }
  return 0;
}
