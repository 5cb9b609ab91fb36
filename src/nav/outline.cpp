#include "nav/outline.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "base/file_io.h"
#include "base/number.h"
#include "base/os_error.h"
#include "base/shown_path.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "code/declaration.h"
#include "code/outline_fold.h"
#include "nav/map.h"
#include "nav/read.h"
#include "search/walk.h"

namespace zub {

namespace {

constexpr size_t kOutlineLineBytes = 160;

// Past the cap a directory's remaining files are still outlined, unprinted,
// to say which -n shows them all; this bounds that work for a huge tree.
constexpr uint64_t kCountBytes = uint64_t{32} << 20;

// Lines `first` to `last` of a file (1-based, inclusive; `last` 0: to the end).
struct LineSpan {
  uint64_t first = 1;
  uint64_t last = 0;
};

std::optional<LineSpan> range_after_file(const std::string& arg) {
  if (!is_range_arg(arg)) return std::nullopt;
  const size_t dash = arg.find('-');
  LineSpan s;
  s.first = parse_u64(std::string_view(arg).substr(0, dash)).value_or(1);
  if (dash + 1 < arg.size()) s.last = parse_u64(std::string_view(arg).substr(dash + 1)).value_or(0);
  if (s.first == 0) s.first = 1;
  return s;
}

// Counts the outline's entries and keeps the text of the first `cap` of them.
struct Entries {
  explicit Entries(uint64_t limit) : cap(limit) {}
  uint64_t cap;
  uint64_t total = 0;
  std::string text;

  bool full() const { return total >= cap; }

  void add(size_t first, size_t last, std::string_view body) {
    if (total++ >= cap) return;
    text += std::to_string(first + 1);
    if (last != first) {
      text.push_back('-');
      text += std::to_string(last + 1);
    }
    text += "| ";
    text += byte_cut(body, kOutlineLineBytes);
    text.push_back('\n');
  }
};

// A run of lines under one fold key, not yet written.
struct Run {
  std::string_view key;
  size_t first = 0;
  size_t last = 0;
  std::vector<std::string_view> names;
  uint64_t count = 0;
};

// "{key} ×{n}", and for runs listed by name ": a b c", with " …" where the
// names no longer fit the line.
std::string fold_text(const Run& r) {
  std::string s(r.key);
  s += " \xC3\x97";
  s += std::to_string(r.count);
  if (r.names.empty()) return s;
  s += ':';
  for (size_t k = 0; k < r.names.size(); ++k) {
    if (s.size() + 1 + r.names[k].size() > kOutlineLineBytes - 4) {
      s += " \xE2\x80\xA6";
      break;
    }
    s.push_back(' ');
    s += r.names[k];
  }
  return s;
}

// Outline lines keep their nesting but not its width: each level of
// indentation (a tab, or the file's narrowest step of spaces) is one space.
class Indent {
 public:
  explicit Indent(size_t unit) : unit_(unit == 0 ? 1 : unit) {}

  // The narrowest indentation in spaces of the lines given.
  static size_t unit_of(const std::vector<std::string_view>& lines,
                        const std::vector<size_t>& picked) {
    size_t unit = 0;
    for (size_t i : picked) {
      size_t k = 0;
      while (k < lines[i].size() && lines[i][k] == ' ') ++k;
      if (k > 0 && (unit == 0 || k < unit)) unit = k;
    }
    return unit;
  }

  // `line` with its leading blanks made one space a level, and its
  // trailing white space and a "{" that opens the body removed.
  std::string narrow(std::string_view line) const {
    size_t k = 0;
    size_t levels = 0;
    size_t spaces = 0;
    for (; k < line.size() && (line[k] == ' ' || line[k] == '\t'); ++k) {
      if (line[k] == '\t') {
        ++levels;
      } else {
        ++spaces;
      }
    }
    levels += (spaces + unit_ - 1) / unit_;
    std::string_view rest = trim_ws_end(line.substr(k));
    if (rest.size() > 1 && rest.back() == '{') rest = trim_ws_end(rest.substr(0, rest.size() - 1));
    std::string s(levels, ' ');
    s += rest;
    return s;
  }

 private:
  size_t unit_;
};

// The outline entries of lines [from, to) of a file.
void outline_lines(const std::string& path, const std::vector<std::string_view>& lines, size_t from,
                   size_t to, Entries& e) {
  SourceText src;
  src.lang = source_lang(path);
  src.lines = &lines;
  if (src.lang != SourceLang::Other) {
    src = make_source_text(src.lang, lines);
    src.extents = false;
  }
  std::vector<size_t> picked;
  for (size_t i = from; i < to; ++i) {
    if (src.lang == SourceLang::Other ? is_declaration_line(lines[i]) : is_outline_line(src, i))
      picked.push_back(i);
  }
  const Indent indent(Indent::unit_of(lines, picked));
  // A title shows its level's mark; other lines show as written.
  std::string label;
  auto shown = [&](size_t i) {
    label.clear();
    return src.lang != SourceLang::Other && outline_label(src, i, label) ? label
                                                                         : indent.narrow(lines[i]);
  };
  Run run;
  auto flush = [&] {
    if (run.count == 1) {
      e.add(run.first, run.first, shown(run.first));
    } else if (run.count > 1) {
      const std::string_view head = lines[run.first];
      e.add(
          run.first, run.last,
          indent.narrow(head.substr(0, head.size() - trim_ws_start(head).size())) + fold_text(run));
    }
    run = Run{};
  };
  for (size_t i : picked) {
    const FoldKey k = outline_fold_key(src, i);
    if (run.count > 0 && (k.key.empty() || k.key != run.key || k.name.empty() != run.names.empty()))
      flush();
    if (k.key.empty()) {
      e.add(i, i, shown(i));
      continue;
    }
    if (run.count == 0) {
      run.key = k.key;
      run.first = i;
    }
    run.last = i;
    ++run.count;
    if (!k.name.empty()) run.names.push_back(k.name);
  }
  flush();
}

struct Outlined {
  std::string block;  // header and entries
  uint64_t total = 0;
  uint64_t shown = 0;
};

Outlined outline_text(const std::string& path, std::string_view text, std::optional<LineSpan> span,
                      uint64_t cap) {
  const std::vector<std::string_view> lines = split_lines(text);
  size_t from = 0;
  size_t to = lines.size();
  if (span) {
    from = std::min<uint64_t>(span->first - 1, lines.size());
    if (span->last != 0) to = std::max<size_t>(from, std::min<uint64_t>(span->last, lines.size()));
  }
  Entries e(cap);
  outline_lines(path, lines, from, to, e);
  Outlined o;
  o.block = "== ";
  append_shown_path(o.block, path);
  if (span) {
    o.block.push_back(' ');
    o.block += std::to_string(from + 1);
    o.block.push_back('-');
    o.block += std::to_string(std::max(from + 1, to));
  }
  o.block += " (";
  o.block += std::to_string(lines.size());
  o.block += " lines, 본문 생략) ==\n";
  o.block += e.text;
  o.total = e.total;
  o.shown = std::min(e.total, cap);
  return o;
}

std::string truncation_note(uint64_t more) {
  std::string s = "\xE2\x80\xA6 (truncated) ";
  s += std::to_string(more);
  s += " more";
  return s;
}

// A file named on the command line: read whatever its size, as `read` does.
bool outline_named_file(const std::string& path, std::optional<LineSpan> span,
                        const OutlineOptions& opts, Output& out, uint64_t& whole) {
  if (!check_file_path(path, out)) return false;
  const ReadResult file = read_file_view(path);
  if (!file.ok) {
    out.write_out(shown_path(path) + ": " + file_error_text(file.err) + "\n");
    return false;
  }
  // Stray bytes are shown as \xHH, as `read` shows them, so such a file
  // still has an outline; the escapes add no line, so numbers hold.
  std::string escaped;
  std::string_view text = file.text();
  if (!is_valid_utf8(text)) {
    escaped = escape_invalid_bytes(text);
    text = escaped;
  }
  whole += file.text().size();
  const uint64_t cap = std::max<uint64_t>(opts.cap, 1);
  Outlined o = outline_text(path, text, span, cap);
  if (o.total > o.shown)
    o.block +=
        truncation_note(o.total - o.shown) + ", `-n " + std::to_string(o.total) + "` shows all\n";
  if (!escaped.empty()) o.block += "[zub outline: UTF-8 이 아닌 바이트를 \\xHH 로 보였다]\n";
  out.write_out(o.block);
  return true;
}

bool has_nul_head(std::string_view text) {
  return text.substr(0, std::min<size_t>(text.size(), 1024)).find('\0') != std::string_view::npos;
}

// A directory: the source files the search walk lists under it, in path
// order, sharing one cap; then what was left out and how to see it.
void outline_dir(const std::string& dir, const OutlineOptions& opts, Output& out, uint64_t& whole) {
  FileFilter filter = opts.filter;
  filter.include_all = opts.all;
  WalkResult walk = walk_roots({dir}, filter);
  std::sort(walk.files.begin(), walk.files.end(), [](const std::string& a, const std::string& b) {
    return path_less_by_components(a, b);
  });
  const uint64_t cap = std::max<uint64_t>(opts.cap, 1);
  uint64_t shown = 0;
  uint64_t total = 0;
  uint64_t left_files = 0;
  uint64_t too_big = 0;
  uint64_t not_text = 0;
  uint64_t bare = 0;
  uint64_t counted_bytes = 0;
  bool counted_all = true;
  for (const std::string& path : walk.files) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
      ++not_text;
      continue;
    }
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    if (!opts.all && size > kMaxScanBytes) {
      ++too_big;
      continue;
    }
    const bool counting = shown >= cap;
    if (counting && !counted_all) {
      ++left_files;
      continue;
    }
    if (counting && counted_bytes + size > kCountBytes) {
      counted_all = false;
      ++left_files;
      continue;
    }
    const ReadResult file = read_file_view(path);
    if (!file.ok || !is_valid_utf8(file.text()) || has_nul_head(file.text())) {
      ++not_text;
      continue;
    }
    if (counting) {
      counted_bytes += size;
      const uint64_t n = outline_text(path, file.text(), std::nullopt, 0).total;
      ++(n == 0 ? bare : left_files);
      total += n;
      continue;
    }
    whole += file.text().size();
    Outlined o = outline_text(path, file.text(), std::nullopt, cap - shown);
    if (o.total == 0) {
      // A header over nothing costs bytes and says little; the count says it.
      ++bare;
      continue;
    }
    shown += o.shown;
    total += o.total;
    if (o.total > o.shown) o.block += truncation_note(o.total - o.shown) + "\n";
    out.write_out(o.block);
  }
  std::vector<std::string> parts;
  if (left_files > 0) parts.push_back(std::to_string(left_files) + " files left out");
  if (total > shown) {
    parts.push_back(counted_all ? "`-n " + std::to_string(total) + "` shows all"
                                : "outline a subdirectory or raise `-n` to see the rest");
  }
  if (too_big > 0) parts.push_back(std::to_string(too_big) + " over 2 MiB skipped (--all)");
  if (walk.non_source_skipped > 0)
    parts.push_back(std::to_string(walk.non_source_skipped) + " non-source skipped (--all)");
  if (bare > 0) parts.push_back(std::to_string(bare) + " without declarations");
  if (not_text > 0) parts.push_back(std::to_string(not_text) + " not text skipped");
  if (parts.empty() && shown == 0 && total == 0 && walk.files.empty()) parts.push_back("0 files");
  if (parts.empty()) return;
  std::string line = "[zub outline: ";
  for (size_t k = 0; k < parts.size(); ++k) {
    if (k > 0) line += ", ";
    line += parts[k];
  }
  out.write_out(line + "]\n");
}

}  // namespace

Outcome cmd_outline(const OutlineOptions& opts, Output& out) {
  bool failed = false;
  uint64_t whole = 0;
  for (size_t k = 0; k < opts.files.size(); ++k) {
    std::string path = opts.files[k];
    struct stat st;
    std::optional<LineSpan> span;
    // "F:A-B", as read takes it, when F exists and "F:A-B" does not.
    const size_t colon = path.rfind(':');
    if (colon != std::string::npos && colon > 0 && ::stat(path.c_str(), &st) != 0) {
      span = range_after_file(path.substr(colon + 1));
      if (span && ::stat(path.substr(0, colon).c_str(), &st) == 0)
        path.resize(colon);
      else
        span.reset();
    }
    if (!span && k + 1 < opts.files.size()) {
      span = range_after_file(opts.files[k + 1]);
      if (span) ++k;
    }
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && !span) {
      outline_dir(path, opts, out, whole);
      continue;
    }
    if (!outline_named_file(path, span, opts, out, whole)) failed = true;
  }
  return {failed ? 2 : 0, whole};
}

}  // namespace zub
