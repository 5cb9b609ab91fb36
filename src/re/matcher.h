// The matcher: runs a CompiledPattern over one line as a set of parallel
// threads (one step per byte), so the cost is bounded by the line length
// times the program size whatever the pattern. A lazily built DFA answers
// "does it occur" for most patterns and falls back to the thread simulation
// when its state budget runs out.
//
// A MatchScratch is the per-thread working state of one pattern: never share
// one between threads at the same time. The CompiledPattern itself is
// read-only and may be shared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "re/pattern.h"

namespace zub {

struct DfaCache;

struct MatchScratch {
  std::vector<uint64_t> marks;  // step at which each instruction was last added
  uint64_t step = 0;            // raised before every step, never reset
  std::vector<uint32_t> cur, next, stack;
  std::vector<uint32_t> cur_end, next_end;  // per thread of the backward pass: where its match ends
  std::vector<uint32_t> ends;           // per position: end of the longest non-empty match, or 0
  std::unique_ptr<DfaCache> dfa;        // built on first use by occurs()
  std::unique_ptr<DfaCache> dfa_lines;  // built on first use by find_line()
  bool use_dfa = true;                  // tests turn it off to compare both paths
  bool per_start_first = true;  // off: only-matching pieces by the backward pass alone (tests)

  MatchScratch();
  ~MatchScratch();
  MatchScratch(MatchScratch&&) noexcept;
  MatchScratch& operator=(MatchScratch&&) noexcept;
};

// True when `p` matches somewhere in `text`.
bool occurs(const CompiledPattern& p, MatchScratch& s, std::string_view text);

// The same question answered by the thread simulation alone.
bool occurs_nfa(const CompiledPattern& p, MatchScratch& s, std::string_view text);

// A line of a text: [start, end) without its line feed and the carriage
// return before it; `next` is where the following line starts.
struct LineSpan {
  size_t start = SIZE_MAX;  // SIZE_MAX: no such line
  size_t end = 0;
  size_t next = 0;
};

// The first line of `text` from `from` (a line start) in which `p` occurs.
// Lines end at each line feed; a carriage return just before one is not part
// of the line, any other is. The DFA reads all the lines in one pass; a line
// it cannot decide alone gets the test of occurs().
LineSpan find_line(const CompiledPattern& p, MatchScratch& s, std::string_view text, size_t from);

struct LongestMatch {
  bool found = false;
  size_t end = 0;
};

// The longest match anchored at `start` (start <= text.size()).
LongestMatch longest_match_from(const CompiledPattern& p, MatchScratch& s, std::string_view text,
                                size_t start);

// The pieces printed by only-matching output: from position 0, take the
// longest match at the current start; a non-empty one is recorded and the
// scan resumes at its end, otherwise at start + 1. Appends (start, end) pairs.
// Linear in the line whatever the pattern: asking longest_match_from at each
// start is quadratic when matches run on without ending, so past a budget of
// steps one backward pass finds the longest match at every remaining start.
void match_pieces(const CompiledPattern& p, MatchScratch& s, std::string_view text,
                  std::vector<std::pair<size_t, size_t>>& pieces);

// Word byte: ASCII letter, digit or "_".
inline bool is_word_byte(uint8_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace zub
