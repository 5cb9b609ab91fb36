#include "re/parse.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace zub {

namespace {

constexpr uint8_t lower_byte(uint8_t c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<uint8_t>(c + 32) : c;
}

PatternNode leaf(NodeKind kind) {
  PatternNode n;
  n.kind = kind;
  n.size = kind == NodeKind::kEmpty ? 0 : 1;
  return n;
}

PatternNode literal_node(uint8_t b) {
  PatternNode n = leaf(NodeKind::kLiteral);
  n.byte = b;
  return n;
}

// Builds an inner node and fills in its size and depth from the children.
PatternNode inner(NodeKind kind, std::vector<PatternNode> children) {
  PatternNode n;
  n.kind = kind;
  uint64_t size = 0;
  uint32_t depth = 0;
  for (const PatternNode& c : children) {
    size += c.size;
    depth = std::max(depth, c.depth);
  }
  switch (kind) {
    case NodeKind::kAlternation: size += 2 * (children.size() - 1); break;
    case NodeKind::kStar: size += 2; break;
    case NodeKind::kPlus:
    case NodeKind::kOptional: size += 1; break;
    default: break;
  }
  n.size = size;
  n.depth = depth + 1;
  n.children = std::move(children);
  return n;
}

// Zero parts give empty, one part is itself, more are a concat.
PatternNode sequence_of(std::vector<PatternNode> parts) {
  if (parts.empty()) return leaf(NodeKind::kEmpty);
  if (parts.size() == 1) return std::move(parts[0]);
  return inner(NodeKind::kConcat, std::move(parts));
}

struct Repeat {
  uint64_t min = 0;
  bool unbounded = false;
  std::optional<uint64_t> max;  // set for {n,m}
  size_t end = 0;               // position after "}"
};

class Parser {
 public:
  Parser(std::string_view p, bool icase, ParseResult& r) : p_(p), icase_(icase), r_(r) {}

  void run() {
    PatternNode root = alternation(0);
    if (failed_) return;
    if (pos_ < p_.size()) {
      // Only an unmatched ")" stops the top level early.
      fail(std::to_string(pos_) + "번째 바이트에서 파싱이 멈췄다: `)` 가 남는다");
      return;
    }
    r_.root = std::move(root);
    r_.ok = true;
  }

 private:
  bool at_end() const { return pos_ >= p_.size(); }
  uint8_t cur() const { return static_cast<uint8_t>(p_[pos_]); }

  void fail(std::string msg) {
    if (failed_) return;
    failed_ = true;
    r_.error = std::move(msg);
  }

  // Refuses nodes that would blow up the program or the compiler's stack.
  bool check(const PatternNode& n) {
    if (n.size > kMaxProgramSize || n.depth > kMaxPatternDepth) {
      fail(std::string(kErrTooLarge));
      return false;
    }
    return true;
  }

  PatternNode alternation(uint32_t nesting) {
    if (nesting > kMaxPatternDepth) {
      fail(std::string(kErrTooLarge));
      return {};
    }
    std::vector<PatternNode> alts;
    alts.push_back(sequence(nesting));
    while (!failed_ && !at_end() && cur() == '|') {
      ++pos_;
      alts.push_back(sequence(nesting));
    }
    if (failed_) return {};
    if (alts.size() == 1) return std::move(alts[0]);
    PatternNode n = inner(NodeKind::kAlternation, std::move(alts));
    check(n);
    return n;
  }

  PatternNode sequence(uint32_t nesting) {
    std::vector<PatternNode> atoms;
    uint64_t size = 0;
    while (!failed_ && !at_end() && cur() != ')' && cur() != '|') {
      PatternNode a = atom(nesting);
      if (failed_) return {};
      postfix(a);
      if (failed_) return {};
      size += a.size;
      if (size > kMaxProgramSize) {
        fail(std::string(kErrTooLarge));
        return {};
      }
      atoms.push_back(std::move(a));
    }
    if (failed_) return {};
    PatternNode n = sequence_of(std::move(atoms));
    check(n);
    return n;
  }

  PatternNode atom(uint32_t nesting) {
    const uint8_t c = cur();
    switch (c) {
      case '(': {
        ++pos_;
        if (!at_end() && cur() == '?' && !group_prefix()) return {};
        PatternNode inside = alternation(nesting + 1);
        if (failed_) return {};
        if (at_end() || cur() != ')') {
          fail(std::string(kErrUnclosedParen));
          return {};
        }
        ++pos_;
        return inside;
      }
      case '.': ++pos_; return leaf(NodeKind::kAny);
      case '^': ++pos_; return leaf(NodeKind::kStart);
      case '$': ++pos_; return leaf(NodeKind::kEnd);
      case '[': ++pos_; return bracket();
      case '\\': return escape();
      default: ++pos_; return literal_node(icase_ ? lower_byte(c) : c);
    }
  }

  // After "(?": skips ":" or a group name ("<name>", "P<name>"); fails on
  // look-around and anything else.
  bool group_prefix() {
    const std::string_view rest = p_.substr(pos_ + 1);
    if (rest.starts_with(":")) {
      pos_ += 2;
      return true;
    }
    if (rest.starts_with("=") || rest.starts_with("!") || rest.starts_with("<=") ||
        rest.starts_with("<!")) {
      fail(std::string(kErrLookaround));
      return false;
    }
    const size_t name = rest.starts_with("<") ? 1 : rest.starts_with("P<") ? 2 : 0;
    const size_t close = name > 0 ? rest.find('>', name) : std::string_view::npos;
    if (close == std::string_view::npos || close == name) {
      fail(std::string(kErrGroupSyntax));
      return false;
    }
    for (size_t k = name; k < close; ++k) {
      const char c = rest[k];
      if (!(c == '_' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
            (c >= 'A' && c <= 'Z'))) {
        fail(std::string(kErrGroupSyntax));
        return false;
      }
    }
    pos_ += 1 + close + 1;
    return true;
  }

  // The members of POSIX class `name` ("alpha" of "[:alpha:]"); false when
  // there is no such class.
  static bool posix_class(std::string_view name, ByteSet& set) {
    if (name == "alpha" || name == "alnum" || name == "upper" || name == "word")
      set.add_range('A', 'Z');
    if (name == "alpha" || name == "alnum" || name == "lower" || name == "word")
      set.add_range('a', 'z');
    if (name == "digit" || name == "alnum" || name == "word") set.add_range('0', '9');
    if (name == "word") set.add('_');
    if (name == "xdigit") {
      set.add_range('0', '9');
      set.add_range('a', 'f');
      set.add_range('A', 'F');
    }
    if (name == "space") set.add_range(9, 13);
    if (name == "space" || name == "blank") set.add(' ');
    if (name == "blank") set.add('\t');
    if (name == "cntrl") {
      set.add_range(0, 31);
      set.add(127);
    }
    if (name == "print") set.add_range(32, 126);
    if (name == "graph") set.add_range(33, 126);
    if (name == "punct") {
      set.add_range(33, 47);
      set.add_range(58, 64);
      set.add_range(91, 96);
      set.add_range(123, 126);
    }
    static constexpr std::string_view kNames[] = {"alpha", "digit", "alnum", "upper",  "lower",
                                                  "space", "blank", "punct", "xdigit", "word",
                                                  "cntrl", "print", "graph"};
    for (std::string_view n : kNames)
      if (n == name) return true;
    return false;
  }

  PatternNode class_node(const ByteSet& set) {
    PatternNode n = leaf(NodeKind::kClass);
    n.cls = static_cast<uint32_t>(r_.classes.size());
    r_.classes.push_back(set);
    return n;
  }

  static ByteSet digits() {
    ByteSet s;
    s.add_range('0', '9');
    return s;
  }
  static ByteSet word_set() {
    ByteSet s;
    s.add_range('a', 'z');
    s.add_range('A', 'Z');
    s.add_range('0', '9');
    s.add('_');
    return s;
  }

  PatternNode escape() {
    if (pos_ + 1 >= p_.size()) {
      fail(std::string(kErrTrailingBackslash));
      return {};
    }
    const uint8_t e = static_cast<uint8_t>(p_[pos_ + 1]);
    pos_ += 2;
    ByteSet set;
    switch (e) {
      case 'b':
      case '<':
      case '>':
      case 'B': {
        PatternNode n = leaf(NodeKind::kWordBoundary);
        n.flag = e != 'B';
        return n;
      }
      case 'd':
      case 'D':
        set = digits();
        if (e == 'D') set.complement();
        return class_node(set);
      case 's':
      case 'S':
        set.add_range(9, 13);
        set.add(' ');
        if (e == 'S') set.complement();
        return class_node(set);
      case 'w':
      case 'W':
        set = word_set();
        if (e == 'W') set.complement();
        return class_node(set);
      case 'n': return literal_node('\n');
      case 'r': return literal_node('\r');
      case 't': return literal_node('\t');
      default:
        if (e >= '1' && e <= '9') {
          fail(std::string(kErrBackreference));
          return {};
        }
        return literal_node(icase_ ? lower_byte(e) : e);
    }
  }

  PatternNode bracket() {
    ByteSet set;
    bool negate = false;
    if (!at_end() && cur() == '^') {
      negate = true;
      ++pos_;
    }
    bool first = true;
    for (;;) {
      if (at_end()) {
        fail(std::string(kErrUnclosedBracket));
        return {};
      }
      uint8_t c = cur();
      if (c == ']' && !first) {
        ++pos_;
        break;
      }
      first = false;
      if (c == '[' && pos_ + 1 < p_.size() && p_[pos_ + 1] == ':') {
        const size_t close = p_.find(":]", pos_ + 2);
        if (close != std::string_view::npos) {
          if (!posix_class(p_.substr(pos_ + 2, close - pos_ - 2), set)) {
            fail(std::string(kErrCharClass));
            return {};
          }
          pos_ = close + 2;
          continue;
        }
      }
      uint8_t lo;
      if (c == '\\') {
        if (pos_ + 1 >= p_.size()) {
          fail(std::string(kErrUnclosedBracket));
          return {};
        }
        const uint8_t e = static_cast<uint8_t>(p_[pos_ + 1]);
        pos_ += 2;
        if (e == 'd') {
          set.add_range('0', '9');
          continue;
        }
        if (e == 's') {
          set.add(9);
          set.add(10);
          set.add(13);
          set.add(32);
          continue;
        }
        if (e == 'w') {
          ByteSet w = word_set();
          for (size_t k = 0; k < 4; ++k) set.bits[k] |= w.bits[k];
          continue;
        }
        lo = e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
      } else {
        lo = c;
        ++pos_;
      }
      if (pos_ + 1 < p_.size() && p_[pos_] == '-' && p_[pos_ + 1] != ']') {
        ++pos_;
        uint8_t hi;
        if (cur() == '\\') {
          if (pos_ + 1 >= p_.size()) {
            fail(std::string(kErrUnclosedBracket));
            return {};
          }
          hi = static_cast<uint8_t>(p_[pos_ + 1]);  // raw: no n/r/t here
          pos_ += 2;
        } else {
          hi = cur();
          ++pos_;
        }
        if (hi >= lo) {
          set.add_range(lo, hi);
        } else {
          set.add(lo);
          set.add(hi);
        }
      } else {
        set.add(lo);
      }
    }
    if (icase_) {
      for (uint8_t c = 'a'; c <= 'z'; ++c) {
        const uint8_t up = static_cast<uint8_t>(c - 32);
        if (set.has(c) || set.has(up)) {
          set.add(c);
          set.add(up);
        }
      }
    }
    if (negate) set.complement();
    return class_node(set);
  }

  static std::optional<uint64_t> number(std::string_view p, size_t& i) {
    const size_t start = i;
    uint64_t v = 0;
    while (i < p.size() && p[i] >= '0' && p[i] <= '9') {
      const uint64_t d = static_cast<uint64_t>(p[i] - '0');
      if (v > (std::numeric_limits<uint64_t>::max() - d) / 10) return std::nullopt;
      v = v * 10 + d;
      ++i;
    }
    if (i == start) return std::nullopt;
    return v;
  }

  // Reads "{n}", "{n,}" or "{n,m}" at pos_; nullopt when it is not one.
  std::optional<Repeat> repeat_form() const {
    size_t i = pos_ + 1;
    Repeat r;
    auto n = number(p_, i);
    if (!n || i >= p_.size()) return std::nullopt;
    r.min = *n;
    if (p_[i] == '}') {
      r.max = r.min;
      r.end = i + 1;
      return r;
    }
    if (p_[i] != ',') return std::nullopt;
    ++i;
    if (i < p_.size() && p_[i] == '}') {
      r.unbounded = true;
      r.end = i + 1;
      return r;
    }
    auto m = number(p_, i);
    if (!m || i >= p_.size() || p_[i] != '}') return std::nullopt;
    r.max = *m;
    r.end = i + 1;
    return r;
  }

  PatternNode expand(PatternNode atom, const Repeat& r) {
    constexpr uint64_t kCap = 64;
    const uint64_t copies = std::min(r.min, kCap);
    uint64_t optionals = 0;
    if (!r.unbounded && r.max && *r.max > r.min && r.min < kCap)
      optionals = std::min(*r.max, kCap) - r.min;
    const uint64_t parts = copies + optionals + (r.unbounded ? 1 : 0);
    if (atom.size * parts + parts > kMaxProgramSize) {
      fail(std::string(kErrTooLarge));
      return {};
    }
    std::vector<PatternNode> seq;
    seq.reserve(parts);
    for (uint64_t k = 0; k < copies; ++k) seq.push_back(atom);
    if (r.unbounded) seq.push_back(inner(NodeKind::kStar, {atom}));
    for (uint64_t k = 0; k < optionals; ++k) seq.push_back(inner(NodeKind::kOptional, {atom}));
    return sequence_of(std::move(seq));
  }

  void postfix(PatternNode& a) {
    while (!failed_ && !at_end()) {
      const uint8_t c = cur();
      if (c == '*' || c == '+' || c == '?') {
        ++pos_;
        const NodeKind k = c == '*'   ? NodeKind::kStar
                           : c == '+' ? NodeKind::kPlus
                                      : NodeKind::kOptional;
        std::vector<PatternNode> one;
        one.push_back(std::move(a));
        a = inner(k, std::move(one));
      } else if (c == '{') {
        auto r = repeat_form();
        if (!r) return;  // the "{" is read again as a literal atom
        pos_ = r->end;
        a = expand(std::move(a), *r);
      } else {
        return;
      }
      if (!check(a)) return;
    }
  }

  std::string_view p_;
  bool icase_;
  ParseResult& r_;
  size_t pos_ = 0;
  bool failed_ = false;
};

}  // namespace

ParseResult parse_pattern(std::string_view pattern, bool icase) {
  ParseResult r;
  Parser(pattern, icase, r).run();
  if (!r.ok) {
    r.root = PatternNode{};
    r.classes.clear();
  }
  return r;
}

}  // namespace zub
