// Files of no recognised language: a line is a declaration when it starts
// with a word that declares something in one of the common languages.
#include "base/text.h"
#include "base/unicode.h"
#include "code/declaration.h"

namespace zub {

namespace {

// clang-format off
constexpr std::string_view kDeclarationPrefixes[] = {
    "#[",      "@",                                                     // attributes
    "fn ",     "pub fn", "async fn", "def ", "function ", "func ",      // functions
    "struct ", "enum ",  "trait ",   "impl ", "class ", "interface ", "type ",
    "mod ",    "package ", "import ", "from ", "use ", "export ",       // modules
    "const ",  "let ",   "var ",                                        // bindings
    "public ", "private ", "protected ",                                // visibility
};
// clang-format on
static_assert(sizeof kDeclarationPrefixes / sizeof kDeclarationPrefixes[0] == 27);

}  // namespace

bool is_declaration_line(std::string_view line) {
  const std::string_view rest = trim_ws_start(line);
  if (rest.empty()) return false;
  for (std::string_view p : kDeclarationPrefixes)
    if (starts_with(rest, p)) return true;
  return false;
}

}  // namespace zub
