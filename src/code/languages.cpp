#include "code/languages.h"

#include <array>

namespace zub::code {

namespace {

// clang-format off
constexpr Language kLanguages[] = {
    {SourceLang::C,      "c",                                                 c_head,      c_outline,      nullptr},
    {SourceLang::Cpp,    "h cc cpp cxx c++ hh hpp hxx h++ ipp tpp inl cu cuh", c_head,      c_outline,      nullptr},
    {SourceLang::Java,   "java",                                              java_head,   java_outline,   nullptr},
    {SourceLang::CSharp, "cs",                                                java_head,   java_outline,   nullptr},
    {SourceLang::Go,     "go",                                                go_head,     go_outline,     nullptr},
    {SourceLang::Js,     "js mjs cjs jsx",                                    js_head,     js_outline,     nullptr},
    {SourceLang::Ts,     "ts tsx mts cts",                                    js_head,     js_outline,     nullptr},
    {SourceLang::Python, "py pyi pyw",                                        python_head, python_outline, nullptr},
    {SourceLang::Rust,   "rs",                                                rust_head,   rust_outline,   nullptr},
    {SourceLang::Kotlin, "kt kts",                                            kotlin_head, kotlin_outline, nullptr},
    {SourceLang::Swift,  "swift",                                             kotlin_head, kotlin_outline, nullptr},
    {SourceLang::Php,    "php",                                               php_head,    php_outline,    nullptr},
    {SourceLang::Ruby,   "rb rake gemspec",                                   ruby_head,   ruby_outline,   ruby_scan},
    {SourceLang::Lua,    "lua",                                               lua_head,    lua_outline,    lua_scan},
    {SourceLang::Shell,  "sh bash zsh",                                       shell_head,  shell_outline,  shell_scan},
};
// clang-format on

// True when `ext` is one of the space-separated words of `list`.
bool lists(std::string_view list, std::string_view ext) {
  while (!list.empty()) {
    const size_t sp = list.find(' ');
    if (list.substr(0, sp) == ext) return true;
    if (sp == std::string_view::npos) break;
    list.remove_prefix(sp + 1);
  }
  return false;
}

// The table's rows by language, for the per-line lookups of outline and def.
constexpr auto kByLang = [] {
  std::array<const Language*, 256> t{};
  for (const Language& l : kLanguages) t[static_cast<uint8_t>(l.lang)] = &l;
  return t;
}();

}  // namespace

const Language* language_of(SourceLang lang) { return kByLang[static_cast<uint8_t>(lang)]; }

SourceLang language_of_extension(std::string_view ext) {
  for (const Language& l : kLanguages)
    if (lists(l.extensions, ext)) return l.lang;
  return SourceLang::Other;
}

}  // namespace zub::code
