#include "re/dfa.h"

#include "re/byte_scan.h"

#include <algorithm>
#include <map>
#include <string>
#include <unordered_map>

namespace zub {

namespace {

constexpr int32_t kUnknown = -1;
constexpr int32_t kMatched = -2;
constexpr size_t kMaxStates = 2048;
constexpr size_t kMaxTableBytes = 16u << 20;

inline uint8_t lower(uint8_t c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<uint8_t>(c + 32) : c;
}

struct DfaState {
  std::vector<uint32_t> pcs;  // consuming, match and pending-assertion positions
  bool prev_word = false;     // the byte before this position is a word byte
  bool at_start = false;      // position 0 of the text
  int8_t end_match = -1;      // does the text ending here match? -1 unknown
};

}  // namespace

struct DfaCache {
  uint64_t owner = 0;  // id of the pattern the states belong to
  // A cache for texts of many lines: the line feed and the carriage return
  // get byte classes of their own, whose transitions end or may end a line.
  bool lines = false;
  std::vector<int32_t> cr_trans;  // lines: per state, the step over a carriage return
  // lines: the bytes that may leave the start state, rebuilt after its row
  // changed; `skip` when they are rare enough in text to be searched for.
  ByteScan leave;
  bool leave_stale = true;
  bool skip = false;
  // Without word-boundary or start assertions in the program, the byte
  // before a position and being at the start decide nothing: states that
  // differ only there are one, so that the DFA returns to its start state.
  bool uses_word = true;
  bool uses_start = true;
  uint8_t byte_class[256] = {};
  uint8_t class_rep[256] = {};  // one byte of each class
  size_t num_classes = 0;
  std::vector<DfaState> states;
  std::vector<int32_t> trans;  // states x classes
  std::unordered_map<std::string, int32_t> index;
  int32_t start = kUnknown;
  std::vector<uint32_t> mark;
  uint32_t gen = 0;
  std::vector<uint32_t> stack, resolved, built;
};

// The scratch owns its DFA cache, whose type is complete only here.
MatchScratch::MatchScratch() = default;
MatchScratch::~MatchScratch() = default;
MatchScratch::MatchScratch(MatchScratch&&) noexcept = default;
MatchScratch& MatchScratch::operator=(MatchScratch&&) noexcept = default;

namespace {

inline bool passes(const CompiledPattern& p, const PatternInst& in, uint8_t c) {
  switch (in.kind) {
    case InstKind::kChar: return (p.icase ? lower(c) : c) == in.byte;
    case InstKind::kAny: return c != '\n';
    case InstKind::kClass: return p.classes[in.x].has(c);
    default: return false;
  }
}

// Bytes that every instruction treats alike share a class, which keeps the
// transition table small.
void build_byte_classes(const CompiledPattern& p, DfaCache& d) {
  std::vector<std::string> sig(256);
  bool has_wb = false;
  std::vector<bool> seen_char(256, false);
  std::vector<uint32_t> seen_class;
  bool has_any = false;
  for (const PatternInst& in : p.program) {
    if (in.kind == InstKind::kChar) seen_char[in.byte] = true;
    if (in.kind == InstKind::kAny) has_any = true;
    if (in.kind == InstKind::kWordBoundary) has_wb = true;
    if (in.kind == InstKind::kClass) seen_class.push_back(in.x);
  }
  for (unsigned c = 0; c < 256; ++c) {
    const uint8_t b = static_cast<uint8_t>(c);
    const uint8_t key = p.icase ? lower(b) : b;
    std::string& s = sig[c];
    s.push_back(seen_char[key] ? static_cast<char>(key) : '\0');
    s.push_back(seen_char[key] ? '1' : '0');
    if (has_any) s.push_back(b == '\n' ? '1' : '0');
    if (has_wb) s.push_back(is_word_byte(b) ? '1' : '0');
    for (uint32_t k : seen_class) s.push_back(p.classes[k].has(b) ? '1' : '0');
    if (d.lines) s.push_back(b == '\n' ? 'n' : b == '\r' ? 'r' : '-');
  }
  std::map<std::string, uint8_t> ids;
  for (unsigned c = 0; c < 256; ++c) {
    auto it = ids.find(sig[c]);
    if (it == ids.end()) {
      const uint8_t id = static_cast<uint8_t>(ids.size());
      it = ids.emplace(sig[c], id).first;
      d.class_rep[id] = static_cast<uint8_t>(c);
    }
    d.byte_class[c] = it->second;
  }
  d.num_classes = ids.size();
}

void reset(const CompiledPattern& p, DfaCache& d) {
  if (d.owner != p.id || d.mark.size() != p.program.size()) {
    d.owner = p.id;
    build_byte_classes(p, d);
    d.uses_word = d.uses_start = false;
    for (const PatternInst& in : p.program) {
      d.uses_word = d.uses_word || in.kind == InstKind::kWordBoundary;
      d.uses_start = d.uses_start || in.kind == InstKind::kAssertStart;
    }
    d.mark.assign(p.program.size(), 0);
    d.gen = 0;
  }
  d.states.clear();
  d.trans.clear();
  d.cr_trans.clear();
  d.leave_stale = true;
  d.index.clear();
  d.start = kUnknown;
}

struct Context {
  bool at_start = false;
  bool prev_word = false;
  bool next_known = false;  // resolve pending assertions
  bool next_word = false;
  bool at_end = false;
};

// Follows jumps, splits and the assertions decidable in `ctx` from each of
// `seeds`, appending the positions reached to `out`. With the next byte
// unknown, word boundaries and end assertions are kept pending in `out`.
// Returns true when the match instruction was reached.
bool closure(const CompiledPattern& p, DfaCache& d, const Context& ctx, const uint32_t* seeds,
             size_t nseeds, std::vector<uint32_t>& out) {
  bool matched = false;
  for (size_t s = 0; s < nseeds; ++s) {
    d.stack.push_back(seeds[s]);
    while (!d.stack.empty()) {
      const uint32_t i = d.stack.back();
      d.stack.pop_back();
      if (d.mark[i] == d.gen) continue;
      d.mark[i] = d.gen;
      const PatternInst& in = p.program[i];
      switch (in.kind) {
        case InstKind::kJump: d.stack.push_back(in.x); break;
        case InstKind::kSplit:
          d.stack.push_back(in.y);
          d.stack.push_back(in.x);
          break;
        case InstKind::kAssertStart:
          if (ctx.at_start) d.stack.push_back(i + 1);
          break;
        case InstKind::kAssertEnd:
          if (!ctx.next_known)
            out.push_back(i);
          else if (ctx.at_end)
            d.stack.push_back(i + 1);
          break;
        case InstKind::kWordBoundary:
          if (!ctx.next_known)
            out.push_back(i);
          else if ((ctx.prev_word != ctx.next_word) == in.flag)
            d.stack.push_back(i + 1);
          break;
        case InstKind::kMatch:
          matched = true;
          out.push_back(i);
          break;
        default: out.push_back(i); break;
      }
    }
  }
  return matched;
}

void next_gen(DfaCache& d) {
  if (++d.gen == 0) {
    std::fill(d.mark.begin(), d.mark.end(), 0);
    d.gen = 1;
  }
}

// Interns the state (pcs, prev_word, at_start); kMatched when it already
// holds the match, kUnknown when the budget is exhausted.
int32_t intern(DfaCache& d, std::vector<uint32_t>& pcs, bool prev_word, bool at_start,
               bool matched) {
  if (matched) return kMatched;
  prev_word = prev_word && d.uses_word;
  at_start = at_start && d.uses_start;
  std::sort(pcs.begin(), pcs.end());
  std::string key(reinterpret_cast<const char*>(pcs.data()), pcs.size() * sizeof(uint32_t));
  key.push_back(prev_word ? 'w' : 'n');
  key.push_back(at_start ? 's' : '-');
  auto it = d.index.find(key);
  if (it != d.index.end()) return it->second;
  if (d.states.size() >= kMaxStates ||
      (d.states.size() + 1) * d.num_classes * sizeof(int32_t) > kMaxTableBytes)
    return kUnknown;
  const int32_t id = static_cast<int32_t>(d.states.size());
  DfaState st;
  st.pcs = pcs;
  st.prev_word = prev_word;
  st.at_start = at_start;
  d.states.push_back(std::move(st));
  d.trans.resize(d.states.size() * d.num_classes, kUnknown);
  d.index.emplace(std::move(key), id);
  return id;
}

// Resolves the pending assertions of state `s` for what follows (a byte of
// word-ness `next_word`, or the end of the text) into d.resolved.
bool resolve(const CompiledPattern& p, DfaCache& d, int32_t s, bool next_word, bool at_end) {
  const DfaState& st = d.states[static_cast<size_t>(s)];
  Context ctx;
  ctx.at_start = st.at_start;
  ctx.prev_word = st.prev_word;
  ctx.next_known = true;
  ctx.next_word = next_word;
  ctx.at_end = at_end;
  next_gen(d);
  d.resolved.clear();
  const std::vector<uint32_t> pcs = st.pcs;
  return closure(p, d, ctx, pcs.data(), pcs.size(), d.resolved);
}

// Computes the transition of state `s` on byte `c`.
int32_t step(const CompiledPattern& p, DfaCache& d, int32_t s, uint8_t c) {
  const bool w = is_word_byte(c);
  if (resolve(p, d, s, w, false)) return kMatched;
  Context ctx;
  ctx.prev_word = w;
  next_gen(d);
  d.built.clear();
  bool matched = false;
  for (uint32_t pc : d.resolved) {
    if (passes(p, p.program[pc], c)) {
      const uint32_t succ = pc + 1;
      matched |= closure(p, d, ctx, &succ, 1, d.built);
    }
  }
  const uint32_t zero = 0;
  matched |= closure(p, d, ctx, &zero, 1, d.built);
  return intern(d, d.built, w, false, matched);
}

bool ends_matching(const CompiledPattern& p, DfaCache& d, int32_t s) {
  DfaState& st = d.states[static_cast<size_t>(s)];
  if (st.end_match < 0) {
    const bool m = resolve(p, d, s, false, true);
    d.states[static_cast<size_t>(s)].end_match = m ? 1 : 0;
  }
  return d.states[static_cast<size_t>(s)].end_match == 1;
}

// Builds the start state when it is not yet known; false when the budget
// leaves no room for it.
bool ensure_start(const CompiledPattern& p, DfaCache& d) {
  if (d.owner != p.id || d.mark.size() != p.program.size()) reset(p, d);
  if (d.start == kUnknown) {
    Context ctx;
    ctx.at_start = true;
    next_gen(d);
    d.built.clear();
    const uint32_t zero = 0;
    const bool m = closure(p, d, ctx, &zero, 1, d.built);
    d.start = intern(d, d.built, false, true, m);
  }
  return d.start != kUnknown;
}

// Steps from `row` over b[i, n) while the transitions are known states;
// returns the index of the first byte whose transition is not (n when none)
// with that transition in `t`.
// Kept out of line: inlined, it shares registers with the slow path around
// it and pays extra moves per byte.
[[gnu::noinline]] size_t run_table(const int32_t* tr, const uint8_t* cls, const uint8_t* b,
                                   size_t i, size_t n, int32_t& row_out, int32_t& t_out) {
  // Row offsets held at full width spare a sign extension per byte; four
  // bytes a round pay the end test once for them.
  ptrdiff_t row = row_out;
  ptrdiff_t t = 0;
  auto done = [&](size_t at) {
    row_out = static_cast<int32_t>(row);
    t_out = static_cast<int32_t>(t);
    return at;
  };
  while (i + 4 <= n) {
    t = tr[row + cls[b[i]]];
    if (t < 0) return done(i);
    row = t;
    t = tr[row + cls[b[i + 1]]];
    if (t < 0) return done(i + 1);
    row = t;
    t = tr[row + cls[b[i + 2]]];
    if (t < 0) return done(i + 2);
    row = t;
    t = tr[row + cls[b[i + 3]]];
    if (t < 0) return done(i + 3);
    row = t;
    i += 4;
  }
  for (; i < n; ++i) {
    t = tr[row + cls[b[i]]];
    if (t < 0) return done(i);
    row = t;
  }
  return done(n);
}

// Like run_table, but also stops after a step back into the start state
// (row `start`), where the caller searches for the next byte that leaves it.
size_t run_to_start(const int32_t* tr, const uint8_t* cls, const uint8_t* b, size_t i, size_t n,
                    int32_t& row_out, int32_t& t_out, int32_t start) {
  ptrdiff_t row = row_out;
  ptrdiff_t t = 0;
  for (; i < n; ++i) {
    t = tr[row + cls[b[i]]];
    if (t < 0) break;
    row = t;
    if (t == start) {
      ++i;
      break;
    }
  }
  row_out = static_cast<int32_t>(row);
  t_out = static_cast<int32_t>(t);
  return i;
}

// The bytes whose transition from the start state is not known to stay
// there. Searching for them pays when they are rare in text: a set in which
// a lower-case letter, a space or a line feed is known to leave is not
// searched for. Bytes not yet stepped over from the start are in the set
// (the search stops at them and their step is learnt) without counting
// against it.
void build_leave(DfaCache& d, int32_t start_row) {
  d.leave_stale = false;
  ByteSet set, known;
  for (unsigned c = 0; c < 256; ++c) {
    const int32_t t = d.trans[static_cast<size_t>(start_row) + d.byte_class[c]];
    if (t == start_row) continue;
    set.add(static_cast<uint8_t>(c));
    if (t != kUnknown) known.add(static_cast<uint8_t>(c));
  }
  d.skip = byte_scan_fast() && !known.has(' ') && !known.has('\t') && !known.has('\n');
  for (unsigned c = 'a'; c <= 'z' && d.skip; ++c) d.skip = !known.has(static_cast<uint8_t>(c));
  if (d.skip) d.leave = make_byte_scan(set);
}

}  // namespace

DfaAnswer dfa_occurs(const CompiledPattern& p, MatchScratch& scratch, std::string_view text) {
  if (!scratch.dfa) scratch.dfa = std::make_unique<DfaCache>();
  DfaCache& d = *scratch.dfa;
  if (!ensure_start(p, d)) return DfaAnswer::kGaveUp;
  if (d.start == kMatched) return DfaAnswer::kYes;
  // Transitions hold the target's row offset (state id times the number of
  // byte classes), so the hot loop is one load and one add per byte.
  const uint8_t* b = reinterpret_cast<const uint8_t*>(text.data());
  const size_t n = text.size();
  const size_t nc = d.num_classes;
  const uint8_t* cls = d.byte_class;
  const int32_t* tr = d.trans.data();
  int32_t row = d.start * static_cast<int32_t>(nc);
  for (size_t i = 0; i < n; ++i) {
    int32_t t = tr[row + cls[b[i]]];
    if (t < 0) {
      if (t == kMatched) return DfaAnswer::kYes;
      const int32_t id = step(p, d, row / static_cast<int32_t>(nc), b[i]);
      // Over budget: this line goes to the thread simulation. The states
      // built so far stay valid and keep serving later lines; rebuilding
      // the cache per line would cost more than the simulation itself.
      if (id == kUnknown) return DfaAnswer::kGaveUp;
      // Every byte of the class behaves alike, so the answer is cached for
      // the class.
      t = id == kMatched ? kMatched : id * static_cast<int32_t>(nc);
      d.trans[static_cast<size_t>(row) + cls[b[i]]] = t;
      tr = d.trans.data();
      if (t == kMatched) return DfaAnswer::kYes;
    }
    row = t;
  }
  const int32_t s = row / static_cast<int32_t>(nc);
  return ends_matching(p, d, s) ? DfaAnswer::kYes : DfaAnswer::kNo;
}

DfaLineHit dfa_find_line(const CompiledPattern& p, MatchScratch& scratch, std::string_view text,
                         size_t from) {
  if (!scratch.dfa_lines) {
    scratch.dfa_lines = std::make_unique<DfaCache>();
    scratch.dfa_lines->lines = true;
  }
  DfaCache& d = *scratch.dfa_lines;
  const size_t n = text.size();
  if (from >= n) return {LineFind::kNone, n};
  // The cache is set up once per pattern; a text with many matching lines
  // comes here once per line.
  if ((d.start < 0 || d.owner != p.id) && !ensure_start(p, d)) return {LineFind::kGaveUp, from};
  if (d.start == kMatched) return {LineFind::kExact, from};
  const uint8_t* b = reinterpret_cast<const uint8_t*>(text.data());
  const int32_t nc = static_cast<int32_t>(d.num_classes);
  const uint8_t* cls = d.byte_class;
  const int32_t start_row = d.start * nc;
  const int32_t* tr = d.trans.data();
  int32_t row = start_row;
  size_t i = from;
  bool skip = true;
  size_t searches = 0, skipped = 0;
  for (;;) {
    // A line without a match costs one table load per byte: the line feed's
    // transition leads back to the start state like any other.
    int32_t t = 0;
    if (d.leave_stale) build_leave(d, start_row);
    if (d.skip && skip) {
      if (row == start_row) {
        const size_t at = byte_scan_find(d.leave, b, i, n);
        // A search that keeps stopping after a few bytes costs more than
        // the steps it spares: this pass goes on without it.
        skipped += at - i;
        if (++searches == 64) skip = skipped >= 64 * 3;
        i = at;
        if (i == n) break;
      }
      i = run_to_start(tr, cls, b, i, n, row, t, start_row);
      if (t >= 0) {
        if (i == n) break;
        continue;
      }
    } else {
      i = run_table(tr, cls, b, i, n, row, t);
    }
    if (i == n) break;
    const uint8_t c = b[i];
    const int32_t s = row / nc;
    // The line the DFA read ends in the carriage return before a line feed,
    // which is not part of the line: such a line is checked on its own.
    const bool after_cr = i > from && b[i - 1] == '\r';
    if (t == kMatched) return {c == '\n' && after_cr ? LineFind::kCheck : LineFind::kExact, i};
    if (c == '\r') {
      // A carriage return may end the line (before a line feed) or not: a
      // line that would match ending here is checked on its own, otherwise
      // the byte is stepped over as any other. Its transitions stay out of
      // the table so that every one of them comes here.
      if (ends_matching(p, d, s)) return {LineFind::kCheck, i};
      if (d.cr_trans.size() < d.states.size()) d.cr_trans.resize(d.states.size(), kUnknown);
      int32_t ct = d.cr_trans[static_cast<size_t>(s)];
      if (ct == kUnknown) {
        const int32_t id = step(p, d, s, c);
        if (id == kUnknown) return {LineFind::kGaveUp, i};
        ct = id == kMatched ? kMatched : id * nc;
        d.cr_trans.resize(d.states.size(), kUnknown);
        d.cr_trans[static_cast<size_t>(s)] = ct;
        tr = d.trans.data();
      }
      if (ct == kMatched) return {LineFind::kCheck, i};
      row = ct;
      ++i;
      continue;
    }
    if (c == '\n') {
      t = ends_matching(p, d, s) ? kMatched : start_row;
    } else {
      const int32_t id = step(p, d, s, c);
      if (id == kUnknown) return {LineFind::kGaveUp, i};
      t = id == kMatched ? kMatched : id * nc;
    }
    d.trans[static_cast<size_t>(row) + cls[c]] = t;
    tr = d.trans.data();
    if (row == start_row) d.leave_stale = true;
    if (t == kMatched) return {c == '\n' && after_cr ? LineFind::kCheck : LineFind::kExact, i};
    row = t;
    ++i;
  }
  // The last line has no line feed: all of it was read.
  if (b[n - 1] == '\n') return {LineFind::kNone, n};
  return {ends_matching(p, d, row / nc) ? LineFind::kExact : LineFind::kNone, n};
}

}  // namespace zub
