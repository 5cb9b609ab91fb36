#include "search/def.h"

#include <cerrno>
#include <optional>
#include <sys/stat.h>

#include "base/shown_path.h"
#include "base/elide.h"
#include "base/file_io.h"
#include "base/path_error.h"
#include "base/text.h"
#include "base/utf8.h"
#include "re/compile.h"
#include "re/matcher.h"
#include "search/block_end.h"
#include "search/display_path.h"
#include "search/needle.h"
#include "search/walk.h"

namespace zub {

namespace {

constexpr uint64_t kMaxDefinitions = 12;

std::string definition_pattern(std::string_view sym) {
  const std::string s = escape_literal(sym);
  std::string p =
      "(?:fn|def|class|struct|enum|trait|type|interface|const|let|var|func|function|impl|record)\\s+";
  p += s;
  p += "\\b|";
  p += s;
  p += "\\s*[:=]\\s*(?:function|async|\\()|^\\s*";
  p += s;
  p += "\\s*\\(";
  return p;
}

}  // namespace

std::string find_definitions(const std::string& sym, const std::vector<std::string>& roots, uint64_t n) {
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
    for (size_t i = 0; i < lines.size(); ++i) {
      if (!occurs(c.pattern, scratch, lines[i])) continue;
      const size_t e = block_end(lines, i, n);
      report += "── ";
      append_path_text(report, display_path(path, base));
      report += ':' + std::to_string(i + 1) + '-' + std::to_string(e + 1) + '\n';
      for (size_t j = i; j <= e; ++j) {
        report += std::to_string(j + 1);
        report += "| ";
        append_elided(report, lines[j], 200);
        report += '\n';
      }
      if (++count == kMaxDefinitions) {
        report += "[… 12개까지만 표시: 심볼을 더 좁혀라]\n";
        return report;
      }
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
  report.insert(count_at, head);
  return report;
}

int cmd_def(const std::string& sym, const std::vector<std::string>& roots, uint64_t n, Output& out) {
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
  out.write_out(find_definitions(sym, roots, n));
  return failed ? 2 : 0;
}

}  // namespace zub
