// Source text of any shape through the scope scan and the declaration
// recogniser of every language family, as `def` and `outline` use them.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "code/block_end.h"
#include "code/declaration.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string_view> lines = zub::split_lines(text);
  if (lines.empty()) return 0;
  using zub::SourceLang;
  for (SourceLang lang : {SourceLang::C, SourceLang::Cpp, SourceLang::Java, SourceLang::CSharp,
                          SourceLang::Go, SourceLang::Js, SourceLang::Ts, SourceLang::Python,
                          SourceLang::Rust, SourceLang::Ruby, SourceLang::Php, SourceLang::Kotlin,
                          SourceLang::Swift, SourceLang::Lua, SourceLang::Shell}) {
    const zub::SourceText src = zub::make_source_text(lang, lines);
    if (src.scopes.size() != lines.size()) std::abort();
    for (size_t i = 0; i < lines.size(); ++i) {
      (void)zub::is_outline_line(src, i);
      const std::string_view l = lines[i];
      // Every identifier of the line, as a symbol `def` might be asked for.
      for (size_t k = 0; k < l.size();) {
        if (!zub::is_ident_byte(l[k])) {
          ++k;
          continue;
        }
        size_t e = k;
        while (e < l.size() && zub::is_ident_byte(l[e])) ++e;
        const zub::Head h = zub::name_head(src, i, k, e - k);
        if (h.kind != zub::HeadKind::None) {
          if (h.start > i ||
              (h.end != zub::kNoLine && (h.end < h.start || h.end >= lines.size())) ||
              (h.brace != zub::kNoLine && (h.brace < h.start || h.brace >= lines.size())))
            std::abort();
          const size_t end = h.brace != zub::kNoLine
                                 ? zub::block_end_from(lines, h.start, h.brace, 200)
                                 : zub::block_end(lines, h.start, 200);
          if (end < h.start || end >= lines.size()) std::abort();
        }
        k = e;
      }
    }
  }
  return 0;
}
