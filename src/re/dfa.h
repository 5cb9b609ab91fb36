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

}  // namespace zub
