#include "search/def.h"

#include <sys/stat.h>
#include <algorithm>
#include <cerrno>
#include <optional>
#include <thread>

#include "base/elide.h"
#include "base/file_io.h"
#include "base/os_error.h"
#include "base/shell_quote.h"
#include "base/shown_path.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "code/block_end.h"
#include "code/declaration.h"
#include "code/enclosing.h"
#include "re/compile.h"
#include "re/matcher.h"
#include "search/display_path.h"
#include "search/needle.h"
#include "search/ordered_scan.h"
#include "search/read_on_hit.h"
#include "search/walk.h"

namespace zub {

namespace {

constexpr uint64_t kMaxDefinitions = 12;
constexpr std::string_view kCapNote = "[… 12개까지만 표시: 심볼을 더 좁혀라]\n";
// Definitions past the cap are listed one line each, this many at most.
constexpr uint64_t kMaxListed = 500;
constexpr size_t kListWidth = 160;
// Lines of a long type's head printed above its members.
constexpr size_t kTypeHeadLines = 10;
constexpr uint64_t kUnbounded = UINT64_MAX;

std::string definition_pattern(std::string_view sym) {
  const std::string s = escape_literal(sym);
  std::string p =
      "(?:fn|def|class|struct|enum|trait|type|interface|const|let|var|func|function|impl|record)"
      "\\s+";
  p += s;
  p += "\\b|";
  p += s;
  p += "\\s*[:=]\\s*(?:function|async|\\()|^\\s*";
  p += s;
  p += "\\s*\\(";
  return p;
}

// Only blank and comment lines between lines `a` and `b`.
bool adjacent(const std::vector<std::string_view>& lines, size_t a, size_t b) {
  if (b <= a || b - a > 400) return false;
  for (size_t k = a + 1; k < b; ++k) {
    const std::string_view t = trim_ws(lines[k]);
    if (!t.empty() && t[0] != '/' && t[0] != '*') return false;
  }
  return true;
}

// The first occurrence at or after `from` that does not run into an
// identifier on a side where the needle itself is one.
size_t find_word(const Needle& n, std::string_view text, size_t from) {
  const std::string_view b = n.bytes;
  const bool front = is_ident_byte(b.front()), back = is_ident_byte(b.back());
  for (size_t at = needle_find(n, text, from); at != std::string_view::npos;
       at = needle_find(n, text, at + 1)) {
    if (front && at > 0 && is_ident_byte(text[at - 1])) continue;
    if (back && at + b.size() < text.size() && is_ident_byte(text[at + b.size()])) continue;
    return at;
  }
  return std::string_view::npos;
}

// True when every whole-word occurrence of `needle` in the text is plainly
// a use (in a language that knows such uses): then the file defines nothing
// by that name, and neither its lines nor its scopes are needed. Most C
// files that hold a much-used name are such files. Looks only at the lines
// of the occurrences and the code above them.
bool only_plain_uses(SourceLang lang, const Needle& needle, std::string_view text) {
  const size_t len = needle.bytes.size();
  for (size_t at = find_word(needle, text, 0); at != std::string_view::npos;
       at = find_word(needle, text, at + 1)) {
    const size_t nl = at == 0 ? std::string_view::npos : text.rfind('\n', at - 1);
    const size_t from = nl == std::string_view::npos ? 0 : nl + 1;
    const size_t col = at - from;
    if (col + len > line_at(text, from).size()) return false;
    if (!plainly_a_use(lang, text, from, col, len)) return false;
  }
  return true;
}

// A qualified symbol: the member and, outermost first, what holds it.
struct Qualified {
  std::vector<std::string> scopes;
  std::string member;
};

// The qualified reading of `sym`: `A.b`, `A::b`, `A#b`, `a::b::c`, Go's
// `(*T).M` and `(T).M`, with type arguments (`List<T>::Insert`,
// `(*List[T]).Insert`) left out; nullopt when it is none of these.
std::optional<Qualified> parse_qualified(std::string_view sym) {
  std::string s;
  int depth = 0;
  for (char c : sym) {
    if (c == '<' || c == '[') {
      ++depth;
    } else if (c == '>' || c == ']') {
      if (depth-- == 0) return std::nullopt;
    } else if (depth == 0) {
      s += c;
    }
  }
  if (depth != 0) return std::nullopt;
  if (starts_with(s, "(")) {
    const size_t close = s.find(')');
    if (close == std::string::npos || close + 1 >= s.size() || s[close + 1] != '.')
      return std::nullopt;
    std::string inner = s.substr(1, close - 1);
    if (starts_with(inner, "*")) inner.erase(0, 1);
    s = inner + s.substr(close + 1);
  }
  Qualified q;
  std::string piece;
  for (size_t k = 0; k <= s.size(); ++k) {
    const bool sep2 = k + 1 < s.size() && s[k] == ':' && s[k + 1] == ':';
    if (k == s.size() || sep2 || s[k] == '.' || s[k] == '#') {
      if (piece.empty()) return std::nullopt;
      q.scopes.push_back(std::move(piece));
      piece.clear();
      if (sep2) ++k;
      continue;
    }
    if (!is_ident_byte(s[k])) return std::nullopt;
    piece += s[k];
  }
  if (q.scopes.size() < 2) return std::nullopt;
  q.member = std::move(q.scopes.back());
  q.scopes.pop_back();
  return q;
}

// True when scopes[0, q) name directories or the file (without its
// extension) of `path`, in order: `http.Get`, `json.loads`.
bool path_names(std::string_view path, const std::vector<std::string>& scopes, size_t q) {
  std::vector<std::string_view> parts;
  for (size_t k = 0; k < path.size();) {
    size_t e = path.find('/', k);
    if (e == std::string_view::npos) e = path.size();
    if (e > k) parts.push_back(path.substr(k, e - k));
    k = e + 1;
  }
  if (!parts.empty()) {
    const size_t dot = parts.back().rfind('.');
    if (dot != std::string_view::npos && dot > 0) parts.back() = parts.back().substr(0, dot);
  }
  size_t k = parts.size();
  for (size_t j = q; j-- > 0;) {
    bool found = false;
    while (k > 0 && !found) found = parts[--k] == scopes[j];
    if (!found) return false;
  }
  return true;
}

enum class Held : uint8_t { kNo, kYes, kByTrait };

// Whether the definition with these levels around it is the one asked for:
// the asked scopes are the innermost levels, and any asked scopes beyond
// the levels name the file's place. A level matched only by the trait of
// `impl Trait for Type` holds it by the trait: such implementations answer
// only when nothing holds the member itself.
Held holds(const std::vector<EnclosingName>& levels, const Qualified& q, std::string_view path) {
  size_t qi = q.scopes.size();
  size_t p = levels.size();
  bool trait = false;
  for (; qi > 0 && p > 0; --qi, --p) {
    const EnclosingName& l = levels[p - 1];
    if (l.name != q.scopes[qi - 1] && l.alias != q.scopes[qi - 1]) {
      if (l.also != q.scopes[qi - 1]) return Held::kNo;
      trait = true;
    }
  }
  if (qi > 0 && !path_names(path, q.scopes, qi)) return Held::kNo;
  return trait ? Held::kByTrait : Held::kYes;
}

// What every worker reads, set up once.
struct Search {
  std::string sym;
  Needle literal;
  std::optional<Qualified> qualified;
  Needle member;
  CompiledPattern pattern;  // for files of no recognised language
  uint64_t n = kDefDefaultLines;
  bool lines_given = false;
  bool all = false;
  bool docs = false;
  std::optional<std::string> base;
  std::vector<std::string> named;  // roots that are files
};

// One definition of a file as the report may show it.
struct Def {
  std::string block;    // header and lines (for the first kMaxDefinitions of the file)
  std::string listing;  // "{path}:{first}-{last}: {the name's line}"
  bool by_trait = false;
};

struct FileDefs {
  std::vector<Def> defs;
  bool prose = false;         // sections of a document met in a walk (not named)
  uint64_t unlisted = 0;      // found past what a file keeps (held by the member's own scope)
  uint64_t elsewhere = 0;     // the member of a qualified name, held by something else
  uint64_t size_skipped = 0;  // 1 when the file was over the walk's size cap
  uint64_t over_cap = 0;      // 1 when it was over read's cap
};

// A definition found in a file: where its name is and what its head says.
struct Candidate {
  size_t start;      // first line of the block
  size_t line, col;  // the name
  Head head;
  bool by_trait = false;
};

class DefScanner {
 public:
  explicit DefScanner(const Search& s) : s_(s) {}

  std::optional<FileDefs> operator()(std::string&& path) {
    const bool named = std::find(s_.named.begin(), s_.named.end(), path) != s_.named.end();
    const uint64_t cap = named || s_.all ? kMaxUnmappedBytes : kMaxScanBytes;
    const SourceLang lang = s_.sym.empty() ? SourceLang::Other : source_lang(path);
    // Which of the needles occur: the symbol as a word (as a substring in
    // files of no recognised language, whose pattern has no word boundary
    // in front), and the member of a qualified name as a word.
    bool literal = true, member = false;
    std::string_view looked;
    const auto look = [&](std::string_view text) {
      looked = text;
      if (s_.sym.empty()) return true;
      if (lang == SourceLang::Other) {
        literal = needle_find(s_.literal, text, 0) != std::string_view::npos;
        return literal;
      }
      literal = find_word(s_.literal, text, 0) != std::string_view::npos;
      // Definitions of the member held by something else are counted too,
      // for the hint when none is held by what was asked.
      member = s_.qualified && find_word(s_.member, text, 0) != std::string_view::npos;
      return literal || member;
    };
    switch (reader_.read(path, cap, look)) {
      case OnHit::kText: break;
      case OnHit::kTooLarge: {
        FileDefs f;
        (cap == kMaxScanBytes ? f.size_skipped : f.over_cap) = 1;
        return f;
      }
      case OnHit::kNoHit:
      case OnHit::kFailed: return std::nullopt;
    }
    const std::string_view text = reader_.view();
    // A file where the name is plainly only used defines nothing by it (nor
    // can a plain name be held by anything else).
    if (knows_plain_uses(lang) && !s_.qualified && only_plain_uses(lang, s_.literal, text))
      return std::nullopt;
    // The flags are for the whole text: asked again when a piece answered.
    if (text.data() != looked.data() || text.size() != looked.size()) look(text);
    if (!is_valid_utf8(text)) return std::nullopt;
    lines_ = split_lines(text);
    FileDefs f;
    f.prose = !named && is_prose(lang);
    std::vector<Candidate> found;
    if (lang == SourceLang::Other) {
      for (size_t i = 0; i < lines_.size(); ++i)
        if (occurs(s_.pattern, scratch_, lines_[i])) found.push_back({i, i, 0, Head{}});
    } else {
      src_ = SourceText();
      if (literal) recognise(lang, text, s_.literal, nullptr, path, found, f);
      if (member) {
        std::vector<Candidate> more;
        recognise(lang, text, s_.member, &*s_.qualified, path, more, f);
        if (literal) {
          // A line found both ways prints once.
          for (const Candidate& c : found)
            more.erase(std::remove_if(more.begin(), more.end(),
                                      [&](const Candidate& m) { return m.start == c.start; }),
                       more.end());
          found.insert(found.end(), more.begin(), more.end());
          std::stable_sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
            return a.start < b.start;
          });
        } else {
          found = std::move(more);
        }
      }
    }
    if (found.empty() && f.elsewhere == 0) return std::nullopt;
    const std::string_view shown = display_path(path, s_.base);
    for (const Candidate& c : found) {
      if (f.defs.size() >= kMaxDefinitions + kMaxListed) {
        ++f.unlisted;
        continue;
      }
      Def d;
      d.listing.reserve(80);
      append_path_text(d.listing, shown);
      // The whole range, as a printed block's header gives it, so that
      // `zub read path:A-B` reads exactly this definition.
      d.listing += ':' + std::to_string(c.start + 1) + '-' +
                   std::to_string(block_last(c, kUnbounded) + 1) + ": ";
      append_elided(d.listing, trim_ws(lines_[c.line]), kListWidth);
      d.listing += '\n';
      if (f.defs.size() < kMaxDefinitions) d.block = render(lang, c, path, shown);
      d.by_trait = c.by_trait;
      f.defs.push_back(std::move(d));
    }
    return f;
  }

 private:
  // Each whole-word occurrence of the needle is asked whether it is what
  // its line defines; with `q`, whether it is also held by what q names.
  void recognise(SourceLang lang, std::string_view text, const Needle& needle, const Qualified* q,
                 std::string_view path, std::vector<Candidate>& out, FileDefs& f) {
    const size_t len = needle.bytes.size();
    size_t line = 0;
    size_t done_line = kNoLine;
    size_t overloads = kNoLine, overloads_end = kNoLine;
    for (size_t at = find_word(needle, text, 0); at != std::string_view::npos;
         at = find_word(needle, text, at + 1)) {
      while (line + 1 < lines_.size() &&
             static_cast<size_t>(lines_[line + 1].data() - text.data()) <= at)
        ++line;
      if (line == done_line) continue;
      const size_t col = at - static_cast<size_t>(lines_[line].data() - text.data());
      const std::string_view l = lines_[line];
      if (col + len > l.size()) continue;  // runs into a line break
      if (plainly_a_use(lang, text, static_cast<size_t>(l.data() - text.data()), col, len))
        continue;
      if (!src_.lines) src_ = make_source_text(lang, lines_, true);
      const Head h = name_head(src_, line, col, len);
      if (h.kind == HeadKind::None) continue;
      const Held held = q ? holds(enclosing_names(src_, line, col), *q, path) : Held::kYes;
      if (held == Held::kNo) {
        if (h.kind == HeadKind::Definition) ++f.elsewhere;
        continue;
      }
      if (h.kind == HeadKind::Declaration && lang == SourceLang::Ts) {
        // Overload signatures print with the implementation that follows.
        if (overloads == kNoLine || !adjacent(lines_, overloads_end, h.start)) overloads = h.start;
        overloads_end = h.end == kNoLine ? line : h.end;
        done_line = line;
        continue;
      }
      if (h.kind != HeadKind::Definition) continue;
      done_line = line;
      size_t start = h.start;
      if (overloads != kNoLine && adjacent(lines_, overloads_end, h.start)) start = overloads;
      overloads = kNoLine;
      out.push_back({start, line, col, h, held == Held::kByTrait});
    }
  }

  // Last line of the block from `start`, never more than `n` lines past it.
  size_t block_last(const Candidate& c, uint64_t n) const {
    const Head& h = c.head;
    if (h.end != kNoLine) return h.end - c.start > n ? c.start + static_cast<size_t>(n) : h.end;
    if (h.brace != kNoLine && (h.brace > c.start + 3 || c.start != h.start))
      return block_end_from(lines_, c.start, h.brace, n);
    return block_end(lines_, c.start, n);
  }

  void append_line(std::string& out, size_t j) const {
    out += std::to_string(j + 1);
    out += "| ";
    append_elided(out, lines_[j], 200);
    out += '\n';
  }

  std::string render(SourceLang lang, const Candidate& c, std::string_view path,
                     std::string_view shown) {
    const size_t e = block_last(c, s_.n);
    const size_t start = c.start;
    // The real end is needed when the cap cut the block or the block may be
    // a long type.
    const bool capped = e - start == s_.n;
    const bool may_outline =
        !s_.lines_given && lang != SourceLang::Other && e - start >= kTypeOutlineLines;
    const size_t end = capped || may_outline ? std::max(e, block_last(c, kUnbounded)) : e;
    std::string out = "── ";
    append_path_text(out, shown);
    if (may_outline && end - start >= kTypeOutlineLines && defines_type(src_, c.line, c.col)) {
      const TypeOutline t = type_outline(src_, c.line, c.col, end);
      if (!t.members.empty()) return render_type(out, t, start, end, path);
    }
    out += ':' + std::to_string(start + 1) + '-' + std::to_string(e + 1);
    if (end > e) {
      out += " [… " + std::to_string(e - start + 1) + "줄까지만 표시: 정의는 " +
             std::to_string(end + 1) + "줄에서 끝난다. 나머지는 zub read ";
      append_path_text(out, shell_word(path));
      out += ' ' + std::to_string(e + 2) + '-' + std::to_string(end + 1) + ']';
    }
    out += '\n';
    for (size_t j = start; j <= e; ++j) append_line(out, j);
    return out;
  }

  // A long type: its head, its members, its last line.
  std::string render_type(std::string& out, const TypeOutline& t, size_t start, size_t end,
                          std::string_view path) {
    const size_t members = t.members.size();
    const size_t shown_members = std::min<size_t>(members, s_.n);
    out += ':' + std::to_string(start + 1) + '-' + std::to_string(end + 1) + " [" +
           std::to_string(end - start + 1) + "줄: 머리와 멤버 " + std::to_string(members) +
           "개만. 전체는 zub read ";
    append_path_text(out, shell_word(path));
    out += ' ' + std::to_string(start + 1) + '-' + std::to_string(end + 1) + "]\n";
    size_t head_last = t.body == kNoLine ? start : t.body;
    if (head_last - start >= kTypeHeadLines) head_last = start + kTypeHeadLines - 1;
    size_t last = head_last;
    for (size_t j = start; j <= head_last; ++j) append_line(out, j);
    for (size_t k = 0; k < shown_members; ++k) {
      if (t.members[k] <= last) continue;
      last = t.members[k];
      append_line(out, last);
    }
    if (shown_members < members)
      out += "[… 멤버 " + std::to_string(members - shown_members) + "개 더]\n";
    else if (end > last && !is_blank(lines_[end]))
      append_line(out, end);
    return out;
  }

  const Search& s_;
  HitReader reader_;
  MatchScratch scratch_;
  std::vector<std::string_view> lines_;
  SourceText src_;
};

// The definitions of a report in walk order: the first kMaxDefinitions
// whole, the next kMaxListed one line each, the rest counted.
struct Gathered {
  uint64_t total = 0, listed = 0;
  std::string body, rest;
  void add(Def& d) {
    if (total < kMaxDefinitions) {
      body += d.block;
    } else if (listed < kMaxListed) {
      rest += d.listing;
      ++listed;
    }
    ++total;
  }
};

// What a walk found: definitions in code, and sections of documents apart
// (left out when code defines the name, unless --docs).
struct Found {
  Gathered own, by_trait;
  void add(FileDefs& f) {
    for (Def& d : f.defs) (d.by_trait ? by_trait : own).add(d);
    own.total += f.unlisted;
  }
  uint64_t total() const { return own.total + by_trait.total; }
};

// "src lib": the roots as a command line takes them back.
std::string roots_words(const std::vector<std::string>& roots) {
  std::string w;
  for (const std::string& r : roots) {
    if (!w.empty()) w += ' ';
    w += shell_word(r);
  }
  return w;
}

}  // namespace

DefReport find_definitions(const DefOptions& opts, size_t workers) {
  DefReport rep;
  const std::string& sym = opts.symbol;
  Search s;
  s.sym = sym;
  CompileResult c = compile_pattern(definition_pattern(sym), false);
  if (!c.ok) {
    rep.text = "zub def: " + c.error + "\n";
    return rep;
  }
  s.pattern = std::move(c.pattern);
  s.literal = make_needle(sym, false);
  if (!sym.empty()) s.qualified = parse_qualified(sym);
  if (s.qualified) s.member = make_needle(s.qualified->member, false);
  s.n = opts.lines;
  s.lines_given = opts.lines_given;
  s.all = opts.all;
  s.docs = opts.docs;
  std::vector<std::string> existing;
  for (const std::string& r : opts.roots) {
    struct stat st;
    if (stat(r.c_str(), &st) != 0) continue;
    existing.push_back(r);
    if (!S_ISDIR(st.st_mode)) s.named.push_back(r);
  }
  s.base = base_root(existing);
  if (workers == 0) {
    workers = std::thread::hardware_concurrency();
    if (workers == 0) workers = 4;
  }
  FileFilter filter = opts.filter;
  filter.include_all = opts.all;
  uint64_t elsewhere = 0, size_skipped = 0, over_cap = 0;
  Found code, prose;
  const OrderedScanCounts counts = scan_in_walk_order<FileDefs>(
      existing, filter, workers, [&] { return DefScanner(s); },
      [&](FileDefs& f) {
        elsewhere += f.elsewhere;
        size_skipped += f.size_skipped;
        over_cap += f.over_cap;
        (f.prose && !s.docs ? prose : code).add(f);
      });
  // Code before prose: a document's section that mentions the name is
  // shown only when no code defines it.
  uint64_t prose_left = 0;
  if (code.total() == 0)
    code = std::move(prose);
  else
    prose_left = prose.total();
  const Gathered& own = code.own;
  const Gathered& by_trait = code.by_trait;

  std::string& report = rep.text;
  if (s.base) {
    report += "@ ";
    append_shown_path(report, *s.base);
    report += "/\n";
  }
  const Gathered& g = own.total > 0 ? own : by_trait;
  const uint64_t total = rep.found = g.total;
  if (total == 0) {
    const std::string word = s.qualified ? s.qualified->member : sym;
    const std::string roots = existing.empty() ? std::string(".") : roots_words(existing);
    report += "[`";
    report += sym;
    // No root was there to search (each missing one is reported above): the
    // hints search the current directory instead.
    if (existing.empty())
      report +=
          "` 의 정의를 찾을 루트가 없다: 여기서 찾으려면 `zub def " + shell_word(sym) + " .`, ";
    else
      report += "` 의 정의를 못 찾았다: ";
    if (elsewhere > 0) {
      report += "다른 곳에 있는 `" + word + "` 의 정의 " + std::to_string(elsewhere) +
                "개는 `zub def " + shell_word(word) + ' ' + roots + "`, ";
    }
    report += "참조까지 보려면 `zub grep -w " + shell_word(word) + ' ' + roots + "`]\n";
  } else if (total <= kMaxDefinitions) {
    report += "[" + std::to_string(total) + " definitions]\n";
  }
  if (counts.too_long > 0)
    report += "[" + std::to_string(counts.too_long) + " paths over PATH_MAX skipped]\n";
  report += g.body;
  if (total > kMaxDefinitions) {
    report += kCapNote;
    const uint64_t more = total - kMaxDefinitions;
    report += "[모두 " + std::to_string(total) + "개: 나머지 " + std::to_string(more) +
              "개는 위치와 첫 줄만]\n";
    report += g.rest;
    if (more > g.listed)
      report += "[… " + std::to_string(more - g.listed) + "개 더: 루트를 좁혀라]\n";
  }
  if (prose_left > 0)
    report += "[문서의 절 " + std::to_string(prose_left) +
              "개는 뺐다: 코드에 정의가 있다. 함께 보려면 --docs]\n";
  if (size_skipped > 0)
    report += "[" + std::to_string(size_skipped) + " skipped for size (--all)]\n";
  if (over_cap > 0) report += "[" + std::to_string(over_cap) + " skipped for size (over 32 MiB)]\n";
  return rep;
}

std::string find_definitions(const std::string& sym, const std::vector<std::string>& roots,
                             uint64_t n) {
  DefOptions o;
  o.symbol = sym;
  o.roots = roots;
  o.lines = n;
  return find_definitions(o).text;
}

int cmd_def(const DefOptions& given, Output& out) {
  DefOptions opts = given;
  opts.roots = roots_or_here(given.roots);
  const std::vector<std::string>& roots = opts.roots;
  bool failed = false;
  for (const std::string& r : roots) {
    struct stat st;
    if (stat(r.c_str(), &st) != 0) {
      out.write_err("zub: " + shown_path(r) + ": " + os_error_text(errno) + "\n");
      failed = true;
      break;
    }
    if (is_special_file(st.st_mode)) {
      out.write_err("zub: " + shown_path(r) + ": " + kSpecialFileError + "\n");
      failed = true;
    }
  }
  const DefReport rep = find_definitions(opts);
  out.write_out(rep.text);
  if (failed) return 2;
  return rep.found > 0 ? 0 : 1;
}

}  // namespace zub
