#include "re/matcher.h"

#include <cstring>
#include <optional>

#include "re/dfa.h"

namespace zub {

namespace {

inline uint8_t lower(uint8_t c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<uint8_t>(c + 32) : c;
}

void prepare(const CompiledPattern& p, MatchScratch& s) {
  if (s.marks.size() < p.program.size()) s.marks.resize(p.program.size(), 0);
  if (s.marks.size() < p.reverse_program.size()) s.marks.resize(p.reverse_program.size(), 0);
  s.cur.reserve(p.program.size());
  s.next.reserve(p.program.size());
}

// Follows instruction `pc` of `prog` and everything reachable from it
// without consuming a byte, at text position `pos`; calls emit(i) for each
// consuming or match instruction reached. Instructions already marked in
// this step are skipped, so the first thread to reach one owns it.
template <typename Emit>
void closure_at(const std::vector<PatternInst>& prog, MatchScratch& s, uint32_t pc, size_t pos,
                std::string_view text, Emit&& emit) {
  const uint64_t k = s.step;
  s.stack.clear();
  s.stack.push_back(pc);
  while (!s.stack.empty()) {
    const uint32_t i = s.stack.back();
    s.stack.pop_back();
    if (s.marks[i] == k) continue;
    s.marks[i] = k;
    const PatternInst& in = prog[i];
    switch (in.kind) {
      case InstKind::kJump: s.stack.push_back(in.x); break;
      case InstKind::kSplit:
        s.stack.push_back(in.y);
        s.stack.push_back(in.x);
        break;
      case InstKind::kAssertStart:
        if (pos == 0) s.stack.push_back(i + 1);
        break;
      case InstKind::kAssertEnd:
        if (pos == text.size()) s.stack.push_back(i + 1);
        break;
      case InstKind::kWordBoundary: {
        const bool a = pos > 0 && is_word_byte(static_cast<uint8_t>(text[pos - 1]));
        const bool b = pos < text.size() && is_word_byte(static_cast<uint8_t>(text[pos]));
        if ((a != b) == in.flag) s.stack.push_back(i + 1);
        break;
      }
      default: emit(i); break;
    }
  }
}

// Adds instruction `pc` and its closure to `list`, at text position `pos`.
// Returns true when the match instruction was added.
bool add_closure(const CompiledPattern& p, MatchScratch& s, std::vector<uint32_t>& list,
                 uint32_t pc, size_t pos, std::string_view text) {
  bool matched = false;
  closure_at(p.program, s, pc, pos, text, [&](uint32_t i) {
    matched |= p.program[i].kind == InstKind::kMatch;
    list.push_back(i);
  });
  return matched;
}

inline bool passes(const CompiledPattern& p, const PatternInst& in, uint8_t c) {
  switch (in.kind) {
    case InstKind::kChar: return (p.icase ? lower(c) : c) == in.byte;
    case InstKind::kAny: return c != '\n';
    case InstKind::kClass: return p.classes[in.x].has(c);
    default: return false;
  }
}

}  // namespace

bool occurs_nfa(const CompiledPattern& p, MatchScratch& s, std::string_view text) {
  prepare(p, s);
  const bool simple = p.start_simple;
  // With no thread alive only a byte that can start a match is worth
  // stepping to; this keeps a huge alternation from being expanded at every
  // byte of the line.
  auto next_start = [&](size_t from) {
    while (from < text.size() && !p.start_bytes.has(static_cast<uint8_t>(text[from]))) ++from;
    return from;
  };
  size_t i = simple ? next_start(0) : 0;
  if (simple && i == text.size()) return false;
  ++s.step;
  s.cur.clear();
  bool matched = add_closure(p, s, s.cur, 0, i, text);
  for (;; ++i) {
    if (matched) return true;
    if (i == text.size()) return false;
    const uint8_t c = static_cast<uint8_t>(text[i]);
    ++s.step;
    s.next.clear();
    for (uint32_t pc : s.cur) {
      if (passes(p, p.program[pc], c)) matched |= add_closure(p, s, s.next, pc + 1, i + 1, text);
    }
    if (!simple || (i + 1 < text.size() && p.start_bytes.has(static_cast<uint8_t>(text[i + 1]))))
      matched |= add_closure(p, s, s.next, 0, i + 1, text);
    s.cur.swap(s.next);
    if (simple && !matched && s.cur.empty()) {
      const size_t j = next_start(i + 1);
      if (j == text.size()) return false;
      ++s.step;
      add_closure(p, s, s.cur, 0, j, text);
      i = j - 1;  // the loop steps to j
    }
  }
}

bool occurs(const CompiledPattern& p, MatchScratch& s, std::string_view text) {
  if (s.use_dfa) {
    DfaAnswer a = dfa_occurs(p, s, text);
    if (a != DfaAnswer::kGaveUp) return a == DfaAnswer::kYes;
  }
  return occurs_nfa(p, s, text);
}

LineSpan find_line(const CompiledPattern& p, MatchScratch& s, std::string_view text, size_t from) {
  const char* base = text.data();
  const size_t n = text.size();
  while (from < n) {
    // Without the DFA every line gets the thread simulation.
    DfaLineHit h{LineFind::kGaveUp, from};
    if (s.use_dfa) {
      h = dfa_find_line(p, s, text, from);
      if (h.kind == LineFind::kNone) break;
    }
    size_t nl = h.at;
    if (nl == n || base[nl] != '\n') {
      const void* fwd = std::memchr(base + nl, '\n', n - nl);
      nl = fwd ? static_cast<size_t>(static_cast<const char*>(fwd) - base) : n;
    }
    const void* back = h.at > from ? memrchr(base + from, '\n', h.at - from) : nullptr;
    LineSpan line;
    line.start = back ? static_cast<size_t>(static_cast<const char*>(back) - base) + 1 : from;
    line.end = nl;
    if (nl < n && nl > line.start && base[nl - 1] == '\r') --line.end;
    line.next = nl < n ? nl + 1 : n;
    if (h.kind == LineFind::kExact) return line;
    const std::string_view text_of_line(base + line.start, line.end - line.start);
    if (h.kind == LineFind::kCheck ? occurs(p, s, text_of_line) : occurs_nfa(p, s, text_of_line))
      return line;
    from = line.next;
  }
  return LineSpan{};
}

namespace {

// The longest match anchored at `start`, stepping over at most `budget`
// bytes (the bytes stepped over are taken from it). Returns nullopt when the
// budget ran out first.
std::optional<LongestMatch> longest_from(const CompiledPattern& p, MatchScratch& s,
                                         std::string_view text, size_t start, size_t& budget) {
  prepare(p, s);
  LongestMatch r;
  ++s.step;
  s.cur.clear();
  bool matched = add_closure(p, s, s.cur, 0, start, text);
  for (size_t i = start;; ++i) {
    if (matched) {
      r.found = true;
      r.end = i;
    }
    if (s.cur.empty() || i >= text.size()) break;
    if (budget == 0) return std::nullopt;
    --budget;
    const uint8_t c = static_cast<uint8_t>(text[i]);
    ++s.step;
    s.next.clear();
    matched = false;
    for (uint32_t pc : s.cur) {
      if (passes(p, p.program[pc], c)) matched |= add_closure(p, s, s.next, pc + 1, i + 1, text);
    }
    s.cur.swap(s.next);
  }
  return r;
}

}  // namespace

LongestMatch longest_match_from(const CompiledPattern& p, MatchScratch& s, std::string_view text,
                                size_t start) {
  size_t unlimited = SIZE_MAX;
  return *longest_from(p, s, text, start, unlimited);
}

namespace {

// Fills s.ends: for every start position q from `lo` on, the end of the
// longest non-empty match starting there, or 0. Runs the reversed program
// from the end of the line down to `lo`, one thread started at every
// position; a thread carries the position where its match ends. Threads are kept in the order of
// that end, largest first, and the first thread to reach an instruction owns it for the step, so
// each instruction (the match among them) is held by the thread whose match ends furthest. That is
// all a longest match needs: what a thread can still do depends only on its instruction and
// position.
void longest_ends(const CompiledPattern& p, MatchScratch& s, std::string_view text, size_t lo) {
  const std::vector<PatternInst>& rp = p.reverse_program;
  const size_t n = text.size();
  s.ends.assign(n + 1, 0);
  auto add = [&](std::vector<uint32_t>& list, std::vector<uint32_t>& list_end, uint32_t pc,
                 size_t pos, uint32_t end) {
    closure_at(rp, s, pc, pos, text, [&](uint32_t i) {
      if (rp[i].kind == InstKind::kMatch) {
        if (end > pos) s.ends[pos] = end;
        return;  // nothing follows a match
      }
      list.push_back(i);
      list_end.push_back(end);
    });
  };
  const bool simple = p.reverse_simple;
  const ByteSet& last_bytes = p.reverse_start_bytes;
  auto can_end = [&](size_t q) { return last_bytes.has(static_cast<uint8_t>(text[q - 1])); };
  s.cur.clear();
  s.cur_end.clear();
  ++s.step;
  if (!simple) add(s.cur, s.cur_end, 0, n, static_cast<uint32_t>(n));
  for (size_t q = n; q > lo; --q) {
    if (simple && s.cur.empty()) {
      // No thread alive: only a byte that can end a match is worth a start.
      while (q > lo && !can_end(q)) --q;
      if (q == lo) break;
      ++s.step;
      add(s.cur, s.cur_end, 0, q, static_cast<uint32_t>(q));
    }
    const uint8_t c = static_cast<uint8_t>(text[q - 1]);
    ++s.step;
    s.next.clear();
    s.next_end.clear();
    for (size_t k = 0; k < s.cur.size(); ++k) {
      if (passes(p, rp[s.cur[k]], c)) add(s.next, s.next_end, s.cur[k] + 1, q - 1, s.cur_end[k]);
    }
    if (!simple || (q > 1 && can_end(q - 1)))
      add(s.next, s.next_end, 0, q - 1, static_cast<uint32_t>(q - 1));
    s.cur.swap(s.next);
    s.cur_end.swap(s.next_end);
  }
}

}  // namespace

void match_pieces(const CompiledPattern& p, MatchScratch& s, std::string_view text,
                  std::vector<std::pair<size_t, size_t>>& pieces) {
  const size_t n = text.size();
  // Asking at each start is cheapest while matches end soon after they
  // start (the usual case, with starts on bytes that cannot begin a match
  // skipped); once it has stepped over an eighth of the line, one backward
  // pass answers every remaining start instead.
  const bool can_go_back = !p.reverse_program.empty() && n < UINT32_MAX;
  size_t budget = can_go_back ? (s.per_start_first ? n / 8 + 16 : 0) : SIZE_MAX;
  // A start at the end can only give an empty match, never a piece.
  for (size_t start = 0; start < n;) {
    if (p.start_simple && !p.start_bytes.has(static_cast<uint8_t>(text[start]))) {
      ++start;  // no match can start on this byte
      continue;
    }
    const std::optional<LongestMatch> m = longest_from(p, s, text, start, budget);
    if (!m) {
      longest_ends(p, s, text, start);
      while (start < n) {
        const size_t e = s.ends[start];
        if (e == 0) {
          ++start;
          continue;
        }
        pieces.emplace_back(start, e);
        start = e;
      }
      return;
    }
    if (m->found && m->end > start) {
      pieces.emplace_back(start, m->end);
      start = m->end;
    } else {
      ++start;
    }
  }
}

}  // namespace zub
