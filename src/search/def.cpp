#include "search/def.h"

#include <sys/stat.h>
#include <cerrno>
#include <optional>

#include "base/elide.h"
#include "base/file_io.h"
#include "base/os_error.h"
#include "base/shown_path.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "code/block_end.h"
#include "code/declaration.h"
#include "re/compile.h"
#include "re/matcher.h"
#include "search/display_path.h"
#include "search/needle.h"
#include "search/walk.h"

namespace zub {

namespace {

constexpr uint64_t kMaxDefinitions = 12;
constexpr std::string_view kCapNote = "[… 12개까지만 표시: 심볼을 더 좁혀라]\n";

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

// In a C file, occurrences that are plainly uses and need no scope scan to
// be rejected: a call statement "  f(...);" inside a body, and a name right
// after "=", "(", "!", "." or "->". (C has no member functions, so such a
// line defines nothing wherever it stands.)
bool plainly_c_use(std::string_view line, size_t col, size_t len) {
  const std::string_view t = trim_ws(line);
  if (t.empty() || t[0] == '#' || starts_with(t, "typedef")) return false;
  const std::string_view pre = trim_ws(line.substr(0, col));
  if (pre.empty()) {
    if (col == 0 || t.back() != ';') return false;
    const std::string_view post = trim_ws(line.substr(col + len));
    return !post.empty() && post[0] == '(';
  }
  const char last = pre.back();
  return last == '=' || last == '(' || last == '!' || last == '.' ||
         (last == '>' && pre.size() > 1 && pre[pre.size() - 2] == '-');
}

}  // namespace

std::string find_definitions(const std::string& sym, const std::vector<std::string>& roots,
                             uint64_t n) {
  CompileResult c = compile_pattern(definition_pattern(sym), false);
  if (!c.ok) return "zub def: " + c.error + "\n";
  WalkResult walked = walk_roots(roots, FileFilter{});
  std::vector<std::string> existing;
  for (const std::string& r : roots) {
    struct stat st;
    if (stat(r.c_str(), &st) == 0) existing.push_back(r);
  }
  const std::optional<std::string> base = base_root(existing);
  std::string report;
  if (base) {
    report += "@ ";
    append_shown_path(report, *base);
    report += "/\n";
  }
  const size_t count_at = report.size();
  const Needle needle = make_needle(sym, false);
  MatchScratch scratch;
  std::vector<std::string_view> lines;
  uint64_t count = 0;
  ReadBuffer buf;
  for (const std::string& path : walked.files) {
    if (!read_listed_file(path, false, buf) || !is_valid_utf8(buf.view())) continue;
    const std::string_view text = buf.view();
    if (!sym.empty() && needle_find(needle, text, 0) == std::string_view::npos) continue;
    lines = split_lines(text);
    const SourceLang lang = sym.empty() ? SourceLang::Other : source_lang(path);
    auto emit = [&](size_t i, size_t e) {
      report += "── ";
      append_path_text(report, display_path(path, base));
      report += ':' + std::to_string(i + 1) + '-' + std::to_string(e + 1) + '\n';
      for (size_t j = i; j <= e; ++j) {
        report += std::to_string(j + 1);
        report += "| ";
        append_elided(report, lines[j], 200);
        report += '\n';
      }
      return ++count == kMaxDefinitions;
    };
    if (lang == SourceLang::Other) {
      for (size_t i = 0; i < lines.size(); ++i) {
        if (!occurs(c.pattern, scratch, lines[i])) continue;
        if (emit(i, block_end(lines, i, n))) return report.append(kCapNote);
      }
      continue;
    }
    // Recognised languages: each whole-word occurrence of the symbol is
    // asked whether it is what its line defines.
    SourceText src;
    size_t line = 0;
    size_t done_line = kNoLine;
    size_t overloads = kNoLine, overloads_end = kNoLine;
    for (size_t at = needle_find(needle, text, 0); at != std::string_view::npos;
         at = needle_find(needle, text, at + 1)) {
      while (line + 1 < lines.size() &&
             static_cast<size_t>(lines[line + 1].data() - text.data()) <= at)
        ++line;
      if (line == done_line) continue;
      const size_t col = at - static_cast<size_t>(lines[line].data() - text.data());
      const std::string_view l = lines[line];
      if (col + sym.size() > l.size()) continue;  // runs into a line break
      if (is_ident_byte(sym.front()) && col > 0 && is_ident_byte(l[col - 1])) continue;
      if (is_ident_byte(sym.back()) && col + sym.size() < l.size() &&
          is_ident_byte(l[col + sym.size()]))
        continue;
      if (lang == SourceLang::C && plainly_c_use(l, col, sym.size())) continue;
      if (!src.lines) src = make_source_text(lang, lines);
      const Head h = name_head(src, line, col, sym.size());
      if (h.kind == HeadKind::Declaration && lang == SourceLang::Ts) {
        // Overload signatures print with the implementation that follows.
        if (overloads == kNoLine || !adjacent(lines, overloads_end, h.start)) overloads = h.start;
        overloads_end = h.end == kNoLine ? line : h.end;
        done_line = line;
        continue;
      }
      if (h.kind != HeadKind::Definition) continue;
      done_line = line;
      size_t start = h.start;
      if (overloads != kNoLine && adjacent(lines, overloads_end, h.start)) start = overloads;
      overloads = kNoLine;
      size_t e;
      if (h.end != kNoLine)
        e = h.end - start > n ? start + static_cast<size_t>(n) : h.end;
      else if (h.brace != kNoLine && (h.brace > start + 3 || start != h.start))
        e = block_end_from(lines, start, h.brace, n);
      else
        e = block_end(lines, start, n);
      if (emit(start, e)) return report.append(kCapNote);
    }
  }
  std::string head;
  if (count > 0) {
    head = "[" + std::to_string(count) + " definitions]\n";
  } else {
    head = "[`";
    head += sym;
    head += "` 의 정의를 못 찾았다: 참조까지 보려면 `zub grep -w ";
    head += sym;
    head += " ROOT`]\n";
  }
  if (walked.too_long_skipped > 0) {
    head += '[';
    head += std::to_string(walked.too_long_skipped);
    head += " paths over PATH_MAX skipped]\n";
  }
  report.insert(count_at, head);
  return report;
}

int cmd_def(const DefOptions& opts, Output& out) {
  const std::vector<std::string>& roots = opts.roots;
  if (roots.empty()) return 0;
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
  out.write_out(find_definitions(opts.symbol, roots, opts.lines));
  return failed ? 2 : 0;
}

}  // namespace zub
