#include "nav/outline.h"

#include "base/file_io.h"
#include "base/os_error.h"
#include "base/shown_path.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "code/declaration.h"
#include "nav/read.h"

namespace zub {

namespace {

constexpr size_t kOutlineLineBytes = 160;

}  // namespace

Outcome cmd_outline(const OutlineOptions& opts, Output& out) {
  bool failed = false;
  uint64_t whole = 0;
  for (const std::string& path : opts.files) {
    if (!check_file_path(path, out)) {
      failed = true;
      continue;
    }
    const ReadResult file = read_file_view(path);
    if (!file.ok || !is_valid_utf8(file.text())) {
      out.write_out(shown_path(path) + ": " + file_error_text(file.ok ? kErrNotUtf8 : file.err) +
                    "\n");
      continue;
    }
    whole += file.text().size();
    const std::vector<std::string_view> lines = split_lines(file.text());
    std::string block =
        "== " + shown_path(path) + " (" + std::to_string(lines.size()) + " lines, 본문 생략) ==\n";
    uint64_t count = 0;
    bool capped = false;
    const SourceLang lang = source_lang(path);
    SourceText src;
    if (lang != SourceLang::Other) {
      src = make_source_text(lang, lines);
      src.extents = false;
    }
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lang == SourceLang::Other ? !is_declaration_line(lines[i]) : !is_outline_line(src, i))
        continue;
      if (capped) {
        block.append("\xE2\x80\xA6 (truncated)\n");
        break;
      }
      block.append(std::to_string(i + 1));
      block.append("| ");
      block.append(byte_cut(trim_ws_end(lines[i]), kOutlineLineBytes));
      block.push_back('\n');
      if (++count >= opts.cap) capped = true;
    }
    out.write_out(block);
  }
  return {failed ? 2 : 0, whole};
}

}  // namespace zub
