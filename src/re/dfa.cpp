#include "re/dfa.h"

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

inline uint8_t lower(uint8_t c) { return (c >= 'A' && c <= 'Z') ? static_cast<uint8_t>(c + 32) : c; }

struct DfaState {
  std::vector<uint32_t> pcs;  // consuming, match and pending-assertion positions
  bool prev_word = false;     // the byte before this position is a word byte
  bool at_start = false;      // position 0 of the text
  int8_t end_match = -1;      // does the text ending here match? -1 unknown
};

}  // namespace

struct DfaCache {
  uint64_t owner = 0;  // id of the pattern the states belong to
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
    d.mark.assign(p.program.size(), 0);
    d.gen = 0;
  }
  d.states.clear();
  d.trans.clear();
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
bool closure(const CompiledPattern& p, DfaCache& d, const Context& ctx,
             const uint32_t* seeds, size_t nseeds, std::vector<uint32_t>& out) {
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
          if (!ctx.next_known) out.push_back(i);
          else if (ctx.at_end) d.stack.push_back(i + 1);
          break;
        case InstKind::kWordBoundary:
          if (!ctx.next_known) out.push_back(i);
          else if ((ctx.prev_word != ctx.next_word) == in.flag) d.stack.push_back(i + 1);
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
int32_t intern(DfaCache& d, std::vector<uint32_t>& pcs, bool prev_word, bool at_start, bool matched) {
  if (matched) return kMatched;
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

}  // namespace

DfaAnswer dfa_occurs(const CompiledPattern& p, MatchScratch& scratch, std::string_view text) {
  if (!scratch.dfa) scratch.dfa = std::make_unique<DfaCache>();
  DfaCache& d = *scratch.dfa;
  if (d.owner != p.id || d.mark.size() != p.program.size()) reset(p, d);
  if (d.start == kUnknown) {
    Context ctx;
    ctx.at_start = true;
    next_gen(d);
    d.built.clear();
    const uint32_t zero = 0;
    const bool m = closure(p, d, ctx, &zero, 1, d.built);
    d.start = intern(d, d.built, false, true, m);
    if (d.start == kUnknown) return DfaAnswer::kGaveUp;
  }
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

}  // namespace zub
