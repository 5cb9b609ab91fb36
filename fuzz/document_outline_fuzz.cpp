// Documents and configuration files of any shape through the line scan,
// the outline test, the outline label and the definition test of every
// kind (Markdown, reStructuredText, Makefile, CMake, Dockerfile, YAML, TOML,
// JSON, SQL, protobuf, Thrift), as `outline` and `def` use them: no crash,
// a block never outside the file, a label of valid text valid text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "base/utf8.h"
#include "code/declaration.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string_view> lines = zub::split_lines(text);
  if (lines.empty()) return 0;
  const bool valid = zub::is_valid_utf8(text);
  using zub::SourceLang;
  std::string label;
  for (SourceLang lang :
       {SourceLang::Markdown, SourceLang::Rst, SourceLang::Make, SourceLang::CMake,
        SourceLang::Docker, SourceLang::Yaml, SourceLang::Toml, SourceLang::Json, SourceLang::Sql,
        SourceLang::Proto, SourceLang::Thrift}) {
    const zub::SourceText src = zub::make_source_text(lang, lines);
    if (src.scopes.size() != lines.size()) std::abort();
    for (size_t i = 0; i < lines.size(); ++i) {
      if (zub::is_outline_line(src, i)) {
        label.clear();
        if (zub::outline_label(src, i, label) && valid && !zub::is_valid_utf8(label)) std::abort();
      }
      const std::string_view l = lines[i];
      // Every identifier of the line, as a word `def` might be asked for.
      for (size_t k = 0; k < l.size();) {
        if (!zub::is_ident_byte(l[k])) {
          ++k;
          continue;
        }
        size_t e = k;
        while (e < l.size() && zub::is_ident_byte(l[e])) ++e;
        const zub::Head h = zub::name_head(src, i, k, e - k);
        if (h.kind != zub::HeadKind::None &&
            (h.start > i || h.end == zub::kNoLine || h.end < h.start || h.end >= lines.size()))
          std::abort();
        k = e;
      }
    }
  }
  return 0;
}
