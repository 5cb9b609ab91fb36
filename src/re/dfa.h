// A lazily built DFA that answers "does the pattern occur in this line".
// States are sets of program positions, built on first need and cached in
// the thread's MatchScratch; assertions that look at the next byte (word
// boundaries, end of text) stay pending in a state until that byte is known.
// When a line needs a state beyond the cache's budget, that line falls back
// to the thread simulation; the cached states keep serving other lines. Not thread-safe: one cache
// per MatchScratch.
#pragma once

#include <string_view>

#include "re/matcher.h"

namespace zub {

enum class DfaAnswer { kNo, kYes, kGaveUp };

DfaAnswer dfa_occurs(const CompiledPattern& p, MatchScratch& s, std::string_view text);

// The same DFA run across a text of many lines, back in its start state
// after every line feed, so that a line without a match costs no call of its
// own. Lines are those of find_line. `at` is a byte of the first line from
// `from` (a line start) that matches (kExact), may match (kCheck: the line
// holds a carriage return that decides it) or needed a state beyond the
// budget (kGaveUp); the line feed that ends a line counts as one of its
// bytes, and text.size() stands for the end of a last line without one.
// Its states are cached apart from those of dfa_occurs, whose texts are
// single lines.
enum class LineFind { kNone, kExact, kCheck, kGaveUp };
struct DfaLineHit {
  LineFind kind;
  size_t at;
};
DfaLineHit dfa_find_line(const CompiledPattern& p, MatchScratch& s, std::string_view text,
                         size_t from);

}  // namespace zub
